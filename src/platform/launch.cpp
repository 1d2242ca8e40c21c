#include "platform/launch.h"

#include "platform/shellopen.h"

QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

QString completeWebAddress(const QString& address) {
    if (address.startsWith(QLatin1StringView("http"), Qt::CaseInsensitive))
        return address;
    return QStringLiteral("http://") + address;
}

bool OpenMail(ShellOpen& shell, const QString& address) {
    return shell.open(address);
}

bool OpenBrowser(ShellOpen& shell, const QString& address) {
    return shell.open(completeWebAddress(address));
}
