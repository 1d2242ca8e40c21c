// The title bars as a window manager shows them: the program's windows under a real X server
// with openbox, started by the test on a display of their own, read back with xprop.
#include "app/programname.h"
#include "platform/passwordstore.h"
#include "platform/qtdialogs.h"
#include "recordingdesktop.h"
#include "scriptedprinters.h"
#include "windows/frmtelcsi.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The window's name as the program gave it and as openbox shows it, in xprop's quoting; empty
// until openbox has taken the window in.
QString titleBar(const QWidget* window) {
    const QString names = run(u"xprop"_s, {u"-id"_s, QString::number(window->winId()), u"-notype"_s,
                                           u"_NET_WM_NAME"_s, u"_NET_WM_VISIBLE_NAME"_s});
    return names.contains(u"_NET_WM_VISIBLE_NAME = "_s) ? names : QString();
}

// A server the test starts, ended with the test so that it leaves no lock file behind.
class Server : public QProcess {
public:
    ~Server() override {
        terminate();
        waitForFinished(-1);
    }
};

// Waits for the window manager; a slow machine only makes it wait longer.
constexpr int kPatience = 120000;

} // namespace

class tst_titlebar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titles_data();
    void titles();

private:
    QTemporaryDir m_folder;
    QtDialogs m_dialogs;
    RecordingShellOpen m_shell;
    ScriptedRegistry m_registry;
    RecordingPrograms m_programs;
    ScriptedPrinters m_printers;
    MemoryPasswords m_passwords;
    frmTelcsi m_window{m_folder.path(),
                       {m_dialogs, m_shell, m_registry, m_programs, m_printers, m_passwords}};
};

void tst_titlebar::titles_data() {
    QTest::addColumn<QString>("opener"); // the menu item or button that opens the window
    QTest::addColumn<QString>("caption");
    QTest::newRow("main window") << QString() << u"Zelvanor"_s;
    QTest::newRow("About") << u"mnuAbout"_s << u"Zelvanor Névjegy"_s;
    QTest::newRow("import help") << u"mnuHelp"_s << u"Segítség az adatok importálásához."_s;
    QTest::newRow("question") << u"mnuKilep"_s << u" Kilépés "_s;
    QTest::newRow("heading prompt") << u"cmdPrint"_s << u"Nyomtatás"_s;
}

void tst_titlebar::titles() {
    QFETCH(QString, opener);
    QFETCH(QString, caption);
    m_dialogs.setParent(&m_window);
    m_window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!titleBar(&m_window).isEmpty(), kPatience);

    // Each modal window, once the window manager shows it, is read and closed.
    QStringList seen;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        const QString bar = modal ? titleBar(modal) : QString();
        if (!bar.isEmpty()) {
            seen << bar;
            modal->close();
        }
    });
    watcher.start(10);
    if (opener.isEmpty())
        seen << titleBar(&m_window);
    else if (auto* action = m_window.findChild<QAction*>(opener))
        action->trigger();
    else
        m_window.findChild<QAbstractButton*>(opener)->click();

    QVERIFY(!seen.isEmpty());
    const QString quoted = u"\""_s + caption + u"\"\n"_s;
    QCOMPARE(seen.constFirst(),
             u"_NET_WM_NAME = "_s + quoted + u"_NET_WM_VISIBLE_NAME = "_s + quoted);
}

int main(int argc, char* argv[]) {
    // An X server on the first free display, and openbox on it.
    Server xvfb;
    xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s,
                           u"1280x1024x24"_s});
    QByteArray number;
    while (!number.endsWith('\n') && xvfb.waitForReadyRead(-1))
        number += xvfb.readAllStandardOutput();
    if (number.trimmed().isEmpty()) {
        qCritical("Xvfb did not start: %s", xvfb.readAllStandardError().constData());
        return 1;
    }
    qputenv("DISPLAY", ":" + number.trimmed());
    Server openbox;
    openbox.start(u"openbox"_s, {});
    openbox.waitForStarted(-1);
    // Ready once it names itself on the root window.
    while (openbox.state() == QProcess::Running &&
           !run(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}).contains(u"window id"_s))
        QThread::msleep(20);
    if (openbox.state() != QProcess::Running) {
        qCritical("openbox did not start: %s", openbox.readAllStandardError().constData());
        return 1;
    }

    QApplication app(argc, argv);
    nameProgram();
    tst_titlebar test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_titlebar.moc"
