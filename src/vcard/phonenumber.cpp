#include "vcard/phonenumber.h"

namespace vcard {
namespace {

bool onlyFormats(QChar c) {
    switch (c.unicode()) {
    case u'(':
    case u')':
    case u'[':
    case u']':
    case u'.':
    case u'/':
        return true;
    default:
        return c.isSpace() || c.category() == QChar::Punctuation_Dash;
    }
}

} // namespace

QString fitPhoneNumber(QStringView number, qsizetype width) {
    if (number.size() <= width)
        return number.toString();
    QString kept;
    kept.reserve(number.size());
    for (const QChar c : number)
        if (!onlyFormats(c))
            kept.append(c);
    kept.truncate(width);
    return kept;
}

} // namespace vcard
