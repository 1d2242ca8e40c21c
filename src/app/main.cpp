#include "app/commandline.h"
#include "app/programname.h"
#include "app/synccli.h"
#include "forms/programtitle.h"
#include "platform/datafolder.h"
#include "platform/passwordstore.h"
#include "platform/qtdialogs.h"
#include "platform/qtpasswordstore.h"
#include "platform/qtprinters.h"
#include "platform/qtprograms.h"
#include "platform/qtshellopen.h"
#include "platform/systemregistry.h"
#include "windows/frmtelcsi.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    // The whole command line is read and answered before anything needs a display.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(raw, qEnvironmentVariable("QT_QPA_PLATFORM"));
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        print(stdout, helpText(raw.value(0, QStringLiteral("zelvanor"))));
        return 0;
    case CommandLine::Action::Version:
        print(stdout, versionText());
        return 0;
    case CommandLine::Action::Error:
        print(stderr, commandLine.error +
                          QStringLiteral("\nA kapcsolók listája: %1 --help\n")
                              .arg(QFileInfo(raw.value(0, QStringLiteral("zelvanor"))).fileName()));
        return 2;
    case CommandLine::Action::Run:
    case CommandLine::Action::Sync:
        break;
    }

    // A folder that cannot be used is said on the terminal before any window, and where
    // there is no window system, only there.
    PreparedFolder prepared;
    if (!commandLine.dataDir.isEmpty()) {
        prepared = prepareDataFolder(commandLine.dataDir);
        if (!prepared.error.isEmpty()) {
            print(stderr, prepared.error + QLatin1Char('\n'));
            if (!windowSystemExpected(commandLine))
                return 1;
        }
    }
    // The sync from the command line needs no display: a core application, no widget.
    if (commandLine.action == CommandLine::Action::Sync) {
        QCoreApplication app(argc, argv);
        nameProgram();
        QString folder = prepared.path;
        if (commandLine.dataDir.isEmpty()) {
            const DataFolderChoice data = resolveDataFolder();
            if (data.error) {
                print(stderr, data.error->message() + QLatin1Char('\n'));
                return 1;
            }
            folder = data.folder;
        } else if (!prepared.error.isEmpty()) {
            return 1;
        }
        QtPasswordStore keyring;
        return syncFromCommandLine(folder, keyring);
    }

    QApplication app(argc, argv);
    nameProgram();

    // Standard buttons in Hungarian ("Igen", "Nem", "Mégse") where Qt's translations are
    // installed; without them the program works all the same.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtDialogs dialogs;
    // Said on the terminal too, for a start from a script.
    const auto refuse = [&dialogs](const QString& text) {
        print(stderr, text + QLatin1Char('\n'));
        dialogs.message(programTitle(), text, Dialogs::Icon::Critical);
        return 1;
    };

    QString folder;
    if (commandLine.dataDir.isEmpty()) {
        const DataFolderChoice data = resolveDataFolder();
        if (data.error)
            dialogs.message(programTitle(),
                            data.error->message() +
                                QStringLiteral("\n\nA névjegyek nem menthetők, amíg a mappa "
                                               "nem jön létre."),
                            Dialogs::Icon::Critical);
        folder = data.folder;
    } else {
        if (!prepared.error.isEmpty()) {
            dialogs.message(programTitle(), prepared.error, Dialogs::Icon::Critical);
            return 1;
        }
        folder = prepared.path;
    }

    // Taken before anything reads or creates Telefon.dat, and held until the program ends.
    RegisterLock lock(folder);
    if (lock.lock() == RegisterLock::Result::InUse)
        return refuse(lock.inUseMessage());

    QtShellOpen shell;
#ifdef Q_OS_WIN
    WindowsRegistry registry;
#else
    ToolPathRegistry registry;
#endif
    QtPrograms programs;
    QtPrinters printers;
    // The keyring, and for this run the memory where no keyring answers.
    QtPasswordStore keyring;
    FallbackPasswords passwords(keyring);
    const Desktop desktop{dialogs, shell, registry, programs, printers, passwords};
    frmTelcsi window(folder, desktop);
    dialogs.setParent(&window);
    window.show();
    return QApplication::exec();
}
