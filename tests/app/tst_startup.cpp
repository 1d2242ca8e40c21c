// Starting the program: its command line, the data folder it is given, and the lock that keeps
// a second copy off a register in use. The last tests start the real program.
#include "app/commandline.h"
#include "platform/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Action = CommandLine::Action;

// The real program over a data folder of the test's own, on the offscreen platform or with no
// display at all.
class Program {
public:
    explicit Program(const QStringList& arguments, const QString& home, bool display = true) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(name);
        if (display)
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"HOME"_s, home);
        env.insert(u"XDG_DATA_HOME"_s, home);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(ZELVANOR_PROGRAM), arguments);
    }
    ~Program() {
        m_process.kill();
        m_process.waitForFinished();
    }
    QProcess& process() { return m_process; }
    qint64 pid() const { return m_process.processId(); }
    // Kills it the hard way, as a crash would: its lock file stays behind.
    void crash() {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

qint64 lockHolder(const QString& folder) {
    QLockFile file(QDir(folder).filePath(RegisterLock::fileName()));
    qint64 pid = 0;
    QString host;
    QString app;
    return file.getLockInfo(&pid, &host, &app) ? pid : 0;
}

// Waits for a started program to get going; a slow machine only makes it wait longer.
constexpr int kPatience = 120000;

} // namespace

class tst_startup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void commandLine_data();
    void commandLine();
    void helpText();
    void preparedFolder_data();
    void preparedFolder();
    void answersOnTerminal_data();
    void answersOnTerminal();
    void dataDirIsUsed();
    void secondCopyRefused();
    void crashedProgramsLockTakenOver();

private:
    QTemporaryDir m_home;
};

void tst_startup::commandLine_data() {
    QTest::addColumn<QStringList>("arguments"); // after the program's name
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("error"); // a part of the message

    const QString none;
    QTest::newRow("nothing") << QStringList{} << Action::Run << none << none;
    QTest::newRow("--data-dir DIR")
        << QStringList{u"--data-dir"_s, u"/tmp/a b"_s} << Action::Run << u"/tmp/a b"_s << none;
    QTest::newRow("--data-dir=DIR")
        << QStringList{u"--data-dir=adat"_s} << Action::Run << u"adat"_s << none;
    QTest::newRow("-data-dir DIR")
        << QStringList{u"-data-dir"_s, u"x"_s} << Action::Run << u"x"_s << none;
    QTest::newRow("--sync") << QStringList{u"--sync"_s} << Action::Sync << none << none;
    QTest::newRow("--sync of another register")
        << QStringList{u"--data-dir"_s, u"d"_s, u"--sync"_s} << Action::Sync << u"d"_s << none;
    QTest::newRow("folder named like an option")
        << QStringList{u"--data-dir"_s, u"--help"_s} << Action::Run << u"--help"_s << none;
    for (const char* help : {"--help", "-h", "-help", "--help=x"})
        QTest::addRow("%s", help) << QStringList{QString::fromLatin1(help)} << Action::Help << none
                                  << none;
    for (const char* version : {"--version", "-v", "-version"})
        QTest::addRow("%s", version)
            << QStringList{QString::fromLatin1(version)} << Action::Version << none << none;
    QTest::newRow("help beats a wrong option")
        << QStringList{u"--nincs"_s, u"--help"_s} << Action::Help << none << none;
    QTest::newRow("help beats version")
        << QStringList{u"--version"_s, u"--help"_s} << Action::Help << none << none;
    // Qt's own options are Qt's, as Qt reads them, and never -v or -h.
    QTest::newRow("Qt's options before version")
        << QStringList{u"-platform"_s, u"offscreen"_s, u"-reverse"_s, u"--version"_s}
        << Action::Version << none << none;
    QTest::newRow("Qt's options and their values")
        << QStringList{u"-reverse"_s,        u"-style"_s, u"fusion"_s,
                       u"--platformtheme"_s, u"x"_s,      u"-stylesheet=a.qss"_s,
                       u"--data-dir"_s,      u"d"_s}
        << Action::Run << u"d"_s << none;
    QTest::newRow("Qt's option without the value it needs")
        << QStringList{u"-style"_s} << Action::Error << none << u"Ismeretlen kapcsoló: --style"_s;
    QTest::newRow("X11's options on X11")
        << QStringList{u"-display"_s, u":0"_s, u"-geometry"_s, u"1x1"_s} << Action::Run << none
        << none;
    QTest::newRow("X11's options elsewhere")
        << QStringList{u"-platform"_s, u"offscreen"_s, u"-display"_s, u":0"_s} << Action::Error
        << none << u"Ismeretlen kapcsoló: --display"_s;
    QTest::newRow("unknown option") << QStringList{u"--adat"_s, u"x"_s} << Action::Error << none
                                    << u"Ismeretlen kapcsoló: --adat"_s;
    QTest::newRow("folder missing")
        << QStringList{u"--data-dir"_s} << Action::Error << none << u"meg kell adni a mappát"_s;
    QTest::newRow("folder empty") << QStringList{u"--data-dir="_s} << Action::Error << none
                                  << u"meg kell adni a mappát"_s;
    QTest::newRow("two folders") << QStringList{u"--data-dir"_s, u"a"_s, u"--data-dir"_s, u"b"_s}
                                 << Action::Error << none << u"csak egyszer"_s;
    QTest::newRow("stray argument") << QStringList{u"Telefon.dat"_s} << Action::Error << none
                                    << u"Fölösleges argumentum: Telefon.dat"_s;
}

void tst_startup::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, dataDir);
    QFETCH(QString, error);
    const CommandLine c = parseCommandLine(QStringList{u"/usr/bin/zelvanor"_s} + arguments);
    QCOMPARE(c.action, action);
    QCOMPARE(c.dataDir, dataDir);
    QVERIFY2(c.error.contains(error), qPrintable(c.error));
    QCOMPARE(c.error.isEmpty(), action != Action::Error);
}

void tst_startup::helpText() {
    const QString text = ::helpText(u"/usr/bin/zelvanor"_s);
    QVERIFY(text.startsWith(u"Használat: zelvanor [kapcsolók]\n"_s));
    for (const QString& option : {u"-h, --help "_s, u"-v, --version "_s, u"--data-dir <mappa> "_s})
        QVERIFY2(text.contains(option), qPrintable(option));
    QVERIFY(text.endsWith(QLatin1Char('\n')));
    for (const QString& line : text.split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 80, qPrintable(line));
    QCOMPARE(versionText(), u"Zelvanor 2.1.12\n"_s);
}

void tst_startup::preparedFolder_data() {
    QTest::addColumn<QString>("path"); // under a fresh temporary folder
    QTest::addColumn<bool>("usable");
    QTest::addColumn<QString>("error");
    QTest::newRow("existing") << u"."_s << true << QString();
    QTest::newRow("missing, with missing parents") << u"a/b/c"_s << true << QString();
    QTest::newRow("name with blanks and accents") << u"Új mappa"_s << true << QString();
    QTest::newRow("a file") << u"file"_s << false << u"nem mappa"_s;
    QTest::newRow("below a file") << u"file/sub"_s << false << u"nem hozható létre"_s;
    QTest::newRow("read-only folder") << u"readonly"_s << false << u"nem lehet írni"_s;
    QTest::newRow("system folder") << u"/proc"_s << false << u"nem lehet írni"_s;
}

void tst_startup::preparedFolder() {
    QFETCH(QString, path);
    QFETCH(bool, usable);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(u"file"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    if (path == u"readonly"_s) {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder all the same");
        QVERIFY(QDir(dir.path()).mkdir(path));
        QVERIFY(QFile::setPermissions(dir.filePath(path), QFile::ReadOwner | QFile::ExeOwner));
    }

    // Relative to the working directory, as typed on a command line.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const PreparedFolder prepared = prepareDataFolder(path);
    QVERIFY(QDir::setCurrent(before));

    const QString absolute = QDir::cleanPath(dir.filePath(path));
    QVERIFY2(prepared.error.contains(error), qPrintable(prepared.error));
    QCOMPARE(prepared.error.isEmpty(), usable);
    if (!usable) {
        QVERIFY2(prepared.error.contains(absolute), qPrintable(prepared.error));
        return;
    }
    QCOMPARE(prepared.path, absolute);
    QVERIFY(QFileInfo(absolute).isDir());
    QCOMPARE(QDir(absolute).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             path == u"."_s ? QStringList{u"file"_s} : QStringList());
}

void tst_startup::answersOnTerminal_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display"); // offscreen, or none at all
    QTest::addColumn<int>("status");   // -1: a message box waits for the user
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error"); // a part of standard error
    const QString help = ::helpText(QStringLiteral(ZELVANOR_PROGRAM));
    for (const bool display : {false, true}) {
        const char* where = display ? "offscreen" : "no display";
        QTest::addRow("--help, %s", where)
            << QStringList{u"--help"_s} << display << 0 << help << QString();
        QTest::addRow("--version, %s", where)
            << QStringList{u"--version"_s} << display << 0 << versionText() << QString();
        QTest::addRow("wrong option, %s", where)
            << QStringList{u"-reverse"_s, u"--adatmappa"_s, u"x"_s} << display << 2 << QString()
            << u"Ismeretlen kapcsoló: --adatmappa\nA kapcsolók listája: zelvanor --help\n"_s;
        QTest::addRow("surplus argument, %s", where)
            << QStringList{u"Telefon.dat"_s} << display << 2 << QString()
            << u"Fölösleges argumentum: Telefon.dat\n"_s;
        QTest::addRow("--sync without an account, %s", where)
            << QStringList{u"--data-dir"_s, m_home.filePath(u"r"_s), u"--sync"_s} << display << 1
            << QString() << u"még nincs szinkronizálási fiók"_s;
        QTest::addRow("unusable folder, %s", where)
            << QStringList{u"--data-dir"_s, u"/proc/nope"_s} << display << (display ? -1 : 1)
            << QString() << u"„/proc/nope” adatmappa nem hozható létre"_s;
    }
}

void tst_startup::answersOnTerminal() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    Program p(arguments, m_home.path(), display);
    QByteArray err;
    if (status < 0) {
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += p.process().readAllStandardError()).contains(error.toUtf8()) ||
                p.process().state() == QProcess::NotRunning,
            kPatience);
        QCOMPARE(p.process().state(), QProcess::Running);
    } else {
        QVERIFY(p.process().waitForFinished(-1));
        QCOMPARE(p.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.process().exitCode(), status);
        err = p.process().readAllStandardError();
    }
    QCOMPARE(QString::fromUtf8(p.process().readAllStandardOutput()), output);
    QVERIFY2(QString::fromUtf8(err).contains(error), err.constData());
    QCOMPARE(err.isEmpty(), error.isEmpty());
}

void tst_startup::dataDirIsUsed() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"új/adat"_s);
    Program p({u"--data-dir"_s, folder}, m_home.path());
    const QString data = QDir(folder).filePath(u"Telefon.dat"_s);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data) || p.process().state() == QProcess::NotRunning,
                             kPatience);
    QVERIFY2(QFileInfo(data).isFile(), p.process().readAllStandardError().constData());
    QCOMPARE(lockHolder(folder), p.pid());
    QCOMPARE(QDir(QFileInfo(QStringLiteral(ZELVANOR_PROGRAM)).path()).exists(u"Telefon.dat"_s),
             false);
}

void tst_startup::secondCopyRefused() {
    QTemporaryDir dir;
    const QString data = dir.filePath(u"Telefon.dat"_s);
    Program first({u"--data-dir"_s, dir.path()}, m_home.path());
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo::exists(data) || first.process().state() == QProcess::NotRunning, kPatience);
    QCOMPARE(lockHolder(dir.path()), first.pid());
    // Without Telefon.dat, any start-up that gets as far as the register creates it again.
    QVERIFY(QFile::remove(data));

    Program second({u"--data-dir"_s, dir.path()}, m_home.path());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += second.process().readAllStandardError())
                                     .contains("már egy másik Zelvanor használja") ||
                                 second.process().state() == QProcess::NotRunning,
                             kPatience);
    QVERIFY2(QString::fromUtf8(err).contains(dir.path()), err.constData());
    QVERIFY(!QFileInfo::exists(data));
    QCOMPARE(lockHolder(dir.path()), first.pid());
    QCOMPARE(first.process().state(), QProcess::Running);
}

void tst_startup::crashedProgramsLockTakenOver() {
    QTemporaryDir dir;
    const QString data = dir.filePath(u"Telefon.dat"_s);
    {
        Program first({u"--data-dir"_s, dir.path()}, m_home.path());
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(data) || first.process().state() == QProcess::NotRunning, kPatience);
        QCOMPARE(lockHolder(dir.path()), first.pid());
        first.crash();
    }
    QVERIFY(QFileInfo::exists(dir.filePath(RegisterLock::fileName())));
    QVERIFY(QFile::remove(data));

    Program second({u"--data-dir"_s, dir.path()}, m_home.path());
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo::exists(data) || second.process().state() == QProcess::NotRunning, kPatience);
    QVERIFY2(QFileInfo::exists(data), second.process().readAllStandardError().constData());
    QCOMPARE(lockHolder(dir.path()), second.pid());
}

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
