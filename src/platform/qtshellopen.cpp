#include "platform/qtshellopen.h"

#include <QDesktopServices>
#include <QUrl>

bool QtShellOpen::open(const QString& address) {
    // Tolerant parsing keeps the text as the user wrote it: valid escapes stay, and only what
    // cannot stand in an address (a blank, a lone '%') is escaped for the handler.
    const QUrl url(address, QUrl::TolerantMode);
    // Text without a scheme (a web field reading "httpd", say) would be opened as a file in
    // the working folder, or run as a program; it is no address, so it is refused.
    if (!url.isValid() || url.isRelative())
        return false;
    return QDesktopServices::openUrl(url);
}
