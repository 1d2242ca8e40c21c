#include "vcard/vcardtext.h"

#include "store/cp1250.h"
#include "store/utf8.h"

#include <QStringDecoder>

namespace vcard {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

QByteArray decodeQuotedPrintable(QByteArrayView bytes, bool cutTail) {
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '=' && i + 2 < n) {
            const int hi = hexValue(bytes[i + 1]);
            const int lo = hexValue(bytes[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.append(static_cast<char>(hi << 4 | lo));
                i += 2;
                continue;
            }
        }
        if (c == '=' && cutTail && i + 2 >= n)
            break;
        out.append(c);
    }
    return out;
}

bool isUtf8(QByteArrayView bytes, bool cutTail) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        const Utf8Lead lead = utf8Lead(c);
        if (lead.continuations == 0)
            return false;
        const int len = lead.continuations + 1;
        for (int k = 1; k < len; ++k) {
            if (i + k >= n)
                return cutTail;
            const unsigned char d = p[i + k];
            if (k == 1 ? (d < lead.lowest || d > lead.highest) : !isUtf8Continuation(d))
                return false;
        }
        i += len;
    }
    return true;
}

QString decodeCharset(QByteArrayView bytes, QByteArrayView charset, bool cutTail) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    const QByteArray name = charset.toByteArray().trimmed().toUpper();
    const auto utf8OrCp1250 = [&] {
        return isUtf8(bytes, cutTail) ? QString::fromUtf8(bytes) : cp1250::decode(bytes);
    };
    if (name.isEmpty() || name == "UTF-8" || name == "UTF8")
        return utf8OrCp1250();
    if (name == "WINDOWS-1250" || name == "CP1250" || name == "X-CP1250")
        return cp1250::decode(bytes);
    if (name == "ISO-8859-1" || name == "LATIN1" || name == "ISO8859-1" || name == "US-ASCII")
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(name.constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
    return utf8OrCp1250();
}

QString unescape(QString text) {
    const qsizetype bs = text.indexOf(u'\\');
    if (bs < 0)
        return text;
    QString out;
    out.reserve(text.size());
    out.append(text.left(bs));
    const qsizetype n = text.size();
    for (qsizetype i = bs; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == n) {
            out.append(c);
            continue;
        }
        const QChar next = text[i + 1];
        switch (next.unicode()) {
        case u'\\':
        case u',':
        case u';':
        case u':':
            out.append(next);
            ++i;
            break;
        case u'n':
        case u'N':
            out.append(u'\n');
            ++i;
            break;
        default:
            out.append(c);
            break;
        }
    }
    return out;
}

} // namespace vcard
