#include "datafolder.h"
#include "frmtelcsi.h"
#include "qtdialogs.h"
#include "qtprinters.h"
#include "version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvanor"));
    QApplication::setApplicationDisplayName(frmTelcsi::programTitle());
    QApplication::setApplicationVersion(QStringLiteral(ZELVANOR_VERSION_STRING));
    QApplication::setDesktopFileName(QStringLiteral("zelvanor"));

    // Standard buttons in Hungarian ("Igen", "Nem", "Mégse") where Qt's translations are
    // installed; without them the program works all the same.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtDialogs dialogs;
    QtPrinters printers;
    const Desktop desktop{dialogs, printers};
    frmTelcsi window(resolveDataFolder(), desktop);
    dialogs.setParent(&window);
    window.show();
    return QApplication::exec();
}
