#include "platform/launch.h"

#include "platform/logging.h"
#include "platform/shellopen.h"

namespace {

constexpr QLatin1StringView kMailScheme("mailto:");

// In a "mailto:" address a '?' ends the addresses and begins header fields (subject, body, cc,
// and in some mail programs attach with a local file), and a '#' begins a fragment. Escaped,
// they stay part of the one address. '%' is escaped as well, so that an escape already in the
// text ("%3F") reaches the mail program as text and cannot be decoded into a separator.
QString escapeMailAddress(QStringView address) {
    QString escaped;
    escaped.reserve(address.size());
    for (const QChar c : address) {
        if (c == QLatin1Char('%'))
            escaped += QLatin1StringView("%25");
        else if (c == QLatin1Char('?'))
            escaped += QLatin1StringView("%3F");
        else if (c == QLatin1Char('#'))
            escaped += QLatin1StringView("%23");
        else
            escaped += c;
    }
    return escaped;
}

// The windows show nothing when the desktop does not take an address; the log tells why.
bool handOver(ShellOpen& shell, const QString& address) {
    if (shell.open(address))
        return true;
    qCInfo(lcDesktop).noquote() << "the desktop did not open" << address;
    return false;
}

bool hasWebScheme(const QString& address) {
    return address.startsWith(QLatin1StringView("http:"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1StringView("https:"), Qt::CaseInsensitive);
}

} // namespace

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
    const qsizetype start =
        address.startsWith(kMailScheme, Qt::CaseInsensitive) ? kMailScheme.size() : 0;
    return handOver(shell,
                    address.left(start) + escapeMailAddress(QStringView(address).mid(start)));
}

bool OpenBrowser(ShellOpen& shell, const QString& address) {
    const QString completed = completeWebAddress(address);
    // Completion leaves every text that begins with "http" alone, "httpx:…" and "httpd" too;
    // anything but a web address would go to another scheme's handler or be taken as a file.
    if (!hasWebScheme(completed)) {
        qCInfo(lcDesktop).noquote() << "not a web address, not opened:" << completed;
        return false;
    }
    return handOver(shell, completed);
}
