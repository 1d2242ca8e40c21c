#pragma once

#include <QString>
#include <QStringView>

namespace vcard {

// A telephone number for a field of width characters. One that fits stays as it was written; a
// longer one first loses the characters that only format it (blanks, brackets, dashes, dots,
// slashes), so that the cut takes no digit that could have stayed. A leading '+' is kept.
QString fitPhoneNumber(QStringView number, qsizetype width);

} // namespace vcard
