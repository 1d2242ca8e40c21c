#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The text layer of vCard values: transfer encodings, character sets and escapes.
namespace vcard {

// Decodes quoted-printable bytes ("=C3=A1"); an '=' not followed by two hex digits stays as it
// is, except at the very end of a value cut short on purpose (cutTail), where it is dropped.
QByteArray decodeQuotedPrintable(QByteArrayView bytes, bool cutTail = false);

// Whether bytes are well-formed UTF-8. With cutTail, an incomplete character at the very end
// (a value cut short on purpose) does not count against it.
bool isUtf8(QByteArrayView bytes, bool cutTail = false);

// Bytes in the character set a CHARSET parameter names (upper or lower case). Without one, or
// with UTF-8, bytes that are not UTF-8 are read as Windows-1250, the code page older Hungarian
// address books wrote; so is a character set this system does not know.
QString decodeCharset(QByteArrayView bytes, QByteArrayView charset, bool cutTail = false);

// Undoes the backslash escapes of a text value: \\ \, \; \: and \n or \N for a line break.
// A backslash before any other character stays, with that character.
QString unescape(QString text);

} // namespace vcard
