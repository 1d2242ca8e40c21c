#include "app/programname.h"

#include "version.h"

#include <QGuiApplication>

void nameProgram() {
    QGuiApplication::setApplicationName(QStringLiteral("Zelvanor"));
    QGuiApplication::setApplicationVersion(QStringLiteral(ZELVANOR_VERSION_STRING));
    // The taskbar finds the name and the icon in zelvanor.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("zelvanor"));
    // No display name: Qt would append " — Zelvanor" to every title bar that does not end
    // with it, the About window's and the message boxes' too.
}
