// Faults while the register changes: every failure leaves Telefon.dat with its old records or
// with the whole change (an export: the chosen file old or complete), and the user hears of it
// exactly once. Also a full disk, a read-only folder, a register changed behind the window's
// back, a Telefon.dat that is a symbolic link, and running out of memory while the list is
// filled.
#include "csv/csvexport.h"
#include "fsprobe.h"
#include "list/recordlistmodel.h"
#include "permissions.h"
#include "scripteddialogs.h"
#include "store/record.h"
#include "windowharness.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using fsys::Call;
using Kind = ScriptedDialogs::Kind;

namespace {

enum class Op { Append, Modify, DeleteOne, DeleteAll, Import, Export };
enum class Surroundings { FullDisk, ReadOnlyFolder };

const QString kNewName = u"Újonnan Jött Ödön"_s;

const SampleContacts kContacts;

// Contacts by number; 0 is the one typed into the window.
QByteArray contacts(const QList<int>& numbers) {
    QByteArray out;
    for (int i : numbers)
        out += i == 0 ? recordBytes({kNewName}) : kContacts.record(i);
    return out;
}

const QList<int> kOld = {1, 2, 3, 4, 5};

// The import file: three contacts, numbered from 101, with accents in UTF-8.
const QByteArray kImportLines = "Behozott 101;7621;P\xc3\xa9"
                                "cs;Kir\xc3\xa1ly utca 1;06-72-101\r\n"
                                "Behozott 102;7621;P\xc3\xa9"
                                "cs;Kir\xc3\xa1ly utca 2;06-72-102\r\n"
                                "Behozott 103;7621;P\xc3\xa9"
                                "cs;Kir\xc3\xa1ly utca 3;06-72-103\r\n";
QByteArray imported() {
    return SampleContacts(
               {u"Behozott 1##"_s, u"Pécs"_s, u"7621"_s, u"Király utca #"_s, u"06-72-1##"_s})
        .records(1, 3);
}

// An export file from before, and what the export of the old register writes over it.
const QByteArray kOldExport = "egy r\xe9"
                              "gebbi ment\xe9"
                              "s\r\n";
QByteArray exported() {
    const QByteArray records = contacts(kOld);
    QByteArray out(records.size() / kRecordSize * kExportLineSize, '\0');
    for (qsizetype i = 0; i < records.size() / kRecordSize; ++i)
        buildExportLine(records.constData() + i * kRecordSize, out.data() + i * kExportLineSize);
    return out;
}

const char* opName(Op op) {
    static const char* const names[] = {"add",        "modify", "delete one",
                                        "delete all", "import", "export"};
    return names[static_cast<int>(op)];
}

// The errors worth trying on a call besides EIO: a full disk where data goes to the disk, a
// read-only file system or a denied permission where a file is opened.
QList<int> errorsFor(fsys::Call call) {
    switch (call) {
    case fsys::Call::Write:
    case fsys::Call::CopyRange:
    case fsys::Call::Truncate:
    case fsys::Call::DataSync:
    case fsys::Call::Sync:
        return {EIO, ENOSPC};
    case fsys::Call::Open:
        return {EIO, EROFS, EACCES};
    default:
        return {EIO};
    }
}

// What a symbolic link holds, as written.
QByteArray linkContents(const QString& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QByteArray() : QByteArray(buffer, n);
}

// What the register holds after the change succeeded; the changed record is number 3.
QList<int> changed(Op op) {
    switch (op) {
    case Op::Append:
        return {1, 2, 3, 4, 5, 0};
    case Op::Modify:
        return {1, 2, 0, 4, 5};
    case Op::DeleteOne:
        return {1, 2, 4, 5};
    case Op::DeleteAll:
        return {};
    case Op::Import:
    case Op::Export:
        return kOld;
    }
    return {};
}

constexpr qint64 kBig = 400000; // about 110 MB

// Lets this process map only a few more bytes than it has mapped now, for as long as it lives.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(qint64 more) {
        ::getrlimit(RLIMIT_AS, &m_old);
        QFile status(u"/proc/self/status"_s);
        qint64 size = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmSize:"))
                    size = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        rlimit lim = m_old;
        lim.rlim_cur = static_cast<rlim_t>(size + more);
        ::setrlimit(RLIMIT_AS, &lim);
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &m_old); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit m_old{};
};

struct Figures {
    std::map<QString, int> faultsPerOp;
    int faults = 0;
    int silent = 0; // faults that needed no message: the change was complete
    qint64 records = 0;
    qint64 lost = 0;
};
Figures g_figures;

} // namespace

class tst_faults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowHarness> m_h;

    ScriptedDialogs& dialogs() { return m_h->dialogs(); }
    QString importPath() const { return m_h->filePath(u"behozott.csv"_s); }
    QString exportPath() const { return m_h->filePath(u"mentes.csv"_s); }

    // Selects record 3 and types the new name where the operation needs it; the question is
    // answered Yes.
    void prepare(Op op) {
        if (op == Op::Modify || op == Op::DeleteOne)
            m_h->clickRow(2);
        if (op == Op::Append || op == Op::Modify) {
            m_h->press(u"cmdMezoDel"_s);
            typeText(m_h->entry(u"txNev"_s), kNewName);
        }
        if (op == Op::Import) {
            writeFile(importPath(), kImportLines);
            dialogs().queueText(importPath());
        }
        if (op == Op::Export) {
            writeFile(exportPath(), kOldExport);
            dialogs().queueText(exportPath());
        }
        dialogs().clear();
        dialogs().queueYesNo(true);
    }
    void perform(Op op) {
        static const char* const buttons[] = {"cmdRogzit",       "cmdModosit", "cmdTorol",
                                              "mnuAdatbazisDel", "mnuImport",  "mnuMentCSVbe"};
        m_h->press(QString::fromLatin1(buttons[static_cast<int>(op)]));
    }

    // Compares the register record by record with the old and the changed contents; "old",
    // "new", or what it holds instead.
    QString verdict(Op op, bool missingIsEmpty = true) {
        const QString path = m_h->dataPath();
        if (!QFileInfo::exists(path) && !missingIsEmpty)
            return u"missing"_s;
        const QByteArray now = readFile(path);
        const QByteArray before = contacts(kOld);
        const QByteArray after = contacts(changed(op)) + (op == Op::Import ? imported() : "");
        g_figures.records += now.size() / kRecordSize;
        auto sameRecords = [&now](const QByteArray& want) {
            if (now.size() != want.size())
                return false;
            for (qsizetype at = 0; at < want.size(); at += kRecordSize)
                if (QByteArrayView(now).sliced(at, kRecordSize) !=
                    QByteArrayView(want).sliced(at, kRecordSize))
                    return false;
            return true;
        };
        // An export must leave the register as it was, and the chosen file old or complete.
        if (op == Op::Export) {
            if (!sameRecords(before)) {
                g_figures.lost += 1;
                return u"register changed by an export"_s;
            }
            if (readFile(exportPath()) == kOldExport)
                return u"old"_s;
            else if (readFile(exportPath()) == exported())
                return u"new"_s;
            return u"export file of %1 bytes"_s.arg(QFileInfo(exportPath()).size());
        }
        if (sameRecords(before))
            return u"old"_s;
        if (sameRecords(after))
            return u"new"_s;
        for (int i : kOld)
            g_figures.lost += now.contains(kContacts.record(i)) ? 0 : 1;
        return u"%1 bytes of something else"_s.arg(now.size());
    }

    // Exactly one message about a failure and no message that the change is done, or, where
    // silentOk() allows it after a complete change, no message at all but the usual one.
    template <typename SilentOk>
    void checkToldOnce(Op op, const QString& now, const QByteArray& where, SilentOk&& silentOk) {
        const bool tellsDone = op == Op::Import || op == Op::Export;
        int problems = 0;
        int doneMessages = 0;
        for (const ScriptedDialogs::Shown& m : dialogs().shown())
            if (m.kind == Kind::Message)
                ++(m.icon == Dialogs::Icon::Information ? doneMessages : problems);
        if (problems == 0) {
            QVERIFY2(now == u"new"_s && silentOk(), where.constData());
            QVERIFY2(doneMessages <= (tellsDone ? 1 : 0), where.constData());
            ++g_figures.silent;
            qInfo("no message needed: %s, %s", opName(op), where.constData());
            return;
        }
        QVERIFY2(problems == 1 && doneMessages == 0, where.constData());
        const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
        QVERIFY2(m.icon == Dialogs::Icon::Critical || m.icon == Dialogs::Icon::Warning,
                 where.constData());
        QVERIFY2(m.text.contains(u"„"_s), qPrintable(m.text)); // names the file
        // A warning only comes with a change that was made.
        if (m.icon == Dialogs::Icon::Warning)
            QVERIFY2(now == u"new"_s, where.constData());
        // No half-written file is left behind.
        const QStringList left =
            QDir(m_h->folder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : left)
            QVERIFY2(name == u"Telefon.dat"_s || name.endsWith(u".csv"_s),
                     qPrintable(QString::fromUtf8(where) + u": "_s + name));
    }

    // The window goes on working: a full list shows the file as it is.
    void checkStillWorks() {
        dialogs().clear();
        m_h->press(u"cmdLista"_s);
        QCOMPARE(dialogs().count(Kind::Message), 0);
        QCOMPARE(qint64(m_h->window().listModel()->rowCount()),
                 QFileInfo(m_h->dataPath()).size() / kRecordSize);
    }

private Q_SLOTS:
    void cleanup() { m_h.reset(); }
    void cleanupTestCase();

    void everyCallFailingOnce_data();
    void everyCallFailingOnce();
    void surroundings_data();
    void surroundings();
    void changedBehindTheWindow_data();
    void changedBehindTheWindow();
    void failureToldOnce_data();
    void failureToldOnce();
    void recordVanishedWhileAsked();
    void outOfMemory_data();
    void outOfMemory();
    void memoryLimit_data();
    void memoryLimit();
    void throughSymbolicLink_data();
    void throughSymbolicLink();
    void danglingLink_data();
    void danglingLink();
};

void tst_faults::cleanupTestCase() {
    for (const auto& [op, n] : g_figures.faultsPerOp)
        qInfo("%s: %d faults injected", qPrintable(op), n);
    qInfo("%d faults injected (%d needed no message), %lld records checked, %lld records lost",
          g_figures.faults, g_figures.silent, g_figures.records, g_figures.lost);
}

void tst_faults::everyCallFailingOnce_data() {
    QTest::addColumn<Op>("op");
    for (Op op : {Op::Append, Op::Modify, Op::DeleteOne, Op::DeleteAll, Op::Import, Op::Export})
        QTest::newRow(opName(op)) << op;
}

void tst_faults::everyCallFailingOnce() {
    QFETCH(Op, op);
    // Imports and exports end with a message that says they are done.
    const int done = op == Op::Import || op == Op::Export ? 1 : 0;
    // A run without faults counts the calls of each kind the operation makes.
    std::map<Call, int> calls;
    {
        m_h = std::make_unique<WindowHarness>(contacts(kOld));
        prepare(op);
        FsProbe probe;
        perform(op);
        // An import ends when Telefon.dat is flushed and closed; the list it reads afterwards is
        // no part of it (the list's own faults are tried elsewhere).
        bool flushed = false;
        for (const FsProbe::Event& e : probe.events()) {
            ++calls[e.call];
            if (op != Op::Import || e.path != m_h->dataPath())
                continue;
            if (e.call == Call::DataSync)
                flushed = true;
            else if (e.call == Call::Close && flushed)
                break;
        }
        QCOMPARE(verdict(op), u"new"_s);
        QCOMPARE(dialogs().count(Kind::Message), done);
    }
    QVERIFY(calls[Call::DataSync] + calls[Call::Sync] > 0);
    for (const auto& [call, count] : calls) {
        for (int nth = 1; nth <= count; ++nth) {
            for (int error : errorsFor(call)) {
                const QByteArray where = u"%1 #%2, %3"_s.arg(QString::fromLatin1(callName(call)))
                                             .arg(nth)
                                             .arg(QString::fromLocal8Bit(strerrorname_np(error)))
                                             .toUtf8();
                m_h = std::make_unique<WindowHarness>(contacts(kOld));
                prepare(op);
                {
                    FsProbe probe;
                    probe.failCall(call, nth, error);
                    perform(op);
                    QVERIFY2(probe.injected() == 1, where.constData());
                }
                ++g_figures.faults;
                ++g_figures.faultsPerOp[QString::fromLatin1(opName(op))];
                const QString now = verdict(op);
                QVERIFY2(now == u"old"_s || now == u"new"_s,
                         qPrintable(QString::fromUtf8(where) + u": "_s + now));
                checkToldOnce(op, now, where, [call] {
                    // A failed close of a file already replaced or of a folder already synced,
                    // or a read repeated afterwards, changes nothing the user must know.
                    return call == Call::Close || call == Call::Read;
                });
                // Asked at most once; a failure while the record is read comes before the
                // question.
                QVERIFY(dialogs().count(Kind::YesNo) <=
                        (op == Op::Modify || op == Op::DeleteOne || op == Op::DeleteAll ? 1 : 0));
                checkStillWorks();
            }
        }
    }
}

void tst_faults::surroundings_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<Surroundings>("surroundings");
    QTest::addColumn<QString>("result"); // "old" or "new"
    // Delete all frees space and needs no new file; adding to a file in a read-only folder
    // needs no new name either.
    const QList<std::pair<Surroundings, QList<Op>>> newOnes = {
        {Surroundings::FullDisk, {Op::DeleteAll}},
        {Surroundings::ReadOnlyFolder, {Op::Append, Op::Modify, Op::Import}},
    };
    for (Surroundings where : {Surroundings::FullDisk, Surroundings::ReadOnlyFolder})
        for (Op op :
             {Op::Append, Op::Modify, Op::DeleteOne, Op::DeleteAll, Op::Import, Op::Export}) {
            bool made = false;
            for (const auto& [w, ops] : newOnes)
                made = made || (w == where && ops.contains(op));
            QTest::addRow("%s, %s",
                          where == Surroundings::FullDisk ? "full disk" : "read-only folder",
                          opName(op))
                << op << where << (made ? u"new"_s : u"old"_s);
        }
}

void tst_faults::surroundings() {
    QFETCH(Op, op);
    QFETCH(Surroundings, surroundings);
    QFETCH(QString, result);
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    prepare(op);
    const QByteArray where = QTest::currentDataTag();
    {
        // A file may not grow beyond two records: each file written fails part way through.
        std::optional<FileSizeLimit> fullDisk;
        std::optional<PermissionBitsBind> bind;
        const QFile::Permissions was = QFile::permissions(m_h->folder());
        if (surroundings == Surroundings::FullDisk) {
            fullDisk.emplace(2 * kRecordSize);
        } else {
            QVERIFY(QFile::setPermissions(m_h->folder(), QFile::ReadOwner | QFile::ExeOwner));
            bind.emplace();
        }
        perform(op);
        bind.reset();
        QVERIFY(QFile::setPermissions(m_h->folder(), was));
    }
    ++g_figures.faults;
    ++g_figures.faultsPerOp[QString::fromLatin1(opName(op))];
    QCOMPARE(verdict(op), result);
    checkToldOnce(op, result, where, [&result] { return result == u"new"_s; });
    checkStillWorks();
}

void tst_faults::changedBehindTheWindow_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<QList<int>>("left"); // by the other program; empty: Telefon.dat removed
    QTest::addColumn<QString>("says");
    for (Op op : {Op::Modify, Op::DeleteOne}) {
        QTest::addRow("%s, file removed", opName(op)) << op << QList<int>{} << u"eltűnt"_s;
        QTest::addRow("%s, record cut off", opName(op)) << op << QList<int>{1, 2} << u"eltűnt"_s;
    }
}

void tst_faults::changedBehindTheWindow() {
    QFETCH(Op, op);
    QFETCH(QList<int>, left);
    QFETCH(QString, says);
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    prepare(op);
    if (left.isEmpty())
        QVERIFY(QFile::remove(m_h->dataPath()));
    else
        writeFile(m_h->dataPath(), contacts(left));
    perform(op);
    ++g_figures.faults;
    ++g_figures.faultsPerOp[QString::fromLatin1(opName(op))];
    // Nothing comes back and nothing else goes.
    if (left.isEmpty())
        QVERIFY(!QFileInfo::exists(m_h->dataPath()) || readFile(m_h->dataPath()).isEmpty());
    else
        QCOMPARE(readFile(m_h->dataPath()), contacts(left));
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QVERIFY2(m.text.contains(says), qPrintable(m.text));
    QVERIFY(m.icon == Dialogs::Icon::Warning || m.icon == Dialogs::Icon::Critical);
    checkStillWorks();
}

void tst_faults::failureToldOnce_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<bool>("removeFirst");  // Telefon.dat removed after the window started
    QTest::addColumn<QList<Call>>("calls"); // each fails the first time it is made
    QTest::addColumn<QString>("result");    // "old" or "new"
    QTest::addColumn<Dialogs::Icon>("icon");
    QTest::addColumn<QString>("names"); // "file", "folder" or a name in the folder
    QTest::addColumn<QString>("says");

    const Dialogs::Icon critical = Dialogs::Icon::Critical;
    const Dialogs::Icon warning = Dialogs::Icon::Warning;
    const QString damaged = u"sérült lehet"_s;
    const QString powerCut = u"áramszünet"_s;
    QTest::newRow("add: write and its undoing fail")
        << Op::Append << false << QList<Call>{Call::Write, Call::Truncate} << u"old"_s << critical
        << u"file"_s << u"utolsó névjegye sérült lehet"_s;
    QTest::newRow("add: both flushes fail")
        << Op::Append << false << QList<Call>{Call::DataSync, Call::DataSync} << u"old"_s
        << critical << u"file"_s << damaged;
    QTest::newRow("modify: both writes fail")
        << Op::Modify << false << QList<Call>{Call::Write, Call::Write} << u"old"_s << critical
        << u"file"_s << u"3. névjegye sérült lehet"_s;
    QTest::newRow("add to a new file: folder not synced")
        << Op::Append << true << QList<Call>{Call::Sync} << u"new"_s << warning << u"folder"_s
        << powerCut;
    QTest::newRow("import into a new file: folder not synced")
        << Op::Import << true << QList<Call>{Call::Sync} << u"new"_s << warning << u"folder"_s
        << powerCut;
    QTest::newRow("delete: folder not synced") << Op::DeleteOne << false << QList<Call>{Call::Sync}
                                               << u"new"_s << warning << u"folder"_s << powerCut;
    QTest::newRow("delete all: folder not synced")
        << Op::DeleteAll << false << QList<Call>{Call::Sync} << u"new"_s << warning << u"folder"_s
        << powerCut;
    QTest::newRow("delete: permissions not copied")
        << Op::DeleteOne << false << QList<Call>{Call::Chmod} << u"old"_s << critical << u"xx.dat"_s
        << u"nem változott"_s;
    QTest::newRow("add: blocking mode not set")
        << Op::Append << false << QList<Call>{Call::SetFlags} << u"old"_s << critical << u"file"_s
        << u"nem került be"_s;
    QTest::newRow("delete: link not checked")
        << Op::DeleteOne << false << QList<Call>{Call::LinkStat} << u"old"_s << critical
        << u"file"_s << u"nem változott"_s;
}

void tst_faults::failureToldOnce() {
    QFETCH(Op, op);
    QFETCH(bool, removeFirst);
    QFETCH(QList<Call>, calls);
    QFETCH(QString, result);
    QFETCH(Dialogs::Icon, icon);
    QFETCH(QString, names);
    QFETCH(QString, says);
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    prepare(op);
    if (removeFirst)
        QVERIFY(QFile::remove(m_h->dataPath()));
    {
        FsProbe probe;
        std::map<Call, int> nth;
        for (Call c : calls)
            probe.failCall(c, ++nth[c], EIO);
        perform(op);
        QCOMPARE(probe.injected(), calls.size());
    }
    ++g_figures.faults;
    if (removeFirst)
        QCOMPARE(readFile(m_h->dataPath()), op == Op::Import ? imported() : contacts({0}));
    else
        QCOMPARE(verdict(op), result);
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QCOMPARE(m.icon, icon);
    QVERIFY2(m.text.contains(says), qPrintable(m.text));
    const QString named = names == u"file"_s     ? m_h->dataPath()
                          : names == u"folder"_s ? m_h->folder()
                                                 : m_h->filePath(names);
    QVERIFY2(m.text.contains(u"„%1”"_s.arg(QDir::toNativeSeparators(named))), qPrintable(m.text));
    // The list shows the file; the typed fields go only with a change that was made.
    QCOMPARE(qint64(m_h->window().listModel()->rowCount()),
             QFileInfo(m_h->dataPath()).size() / kRecordSize);
    if (op == Op::Append || op == Op::Modify)
        QCOMPARE(m_h->entry(u"txNev"_s)->text(), result == u"new"_s ? QString() : kNewName);
    QVERIFY(!QFileInfo::exists(m_h->filePath(u"xx.dat"_s)));
}

void tst_faults::recordVanishedWhileAsked() {
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    m_h->clickRow(4);
    typeText(m_h->entry(u"txNev"_s), u" új"_s);
    const QString typed = m_h->entry(u"txNev"_s)->text();
    // Another program cuts the last record off while the question is open.
    dialogs().whileAsking([this] { writeFile(m_h->dataPath(), contacts({1, 2, 3, 4})); });
    dialogs().queueYesNo(true);
    m_h->press(u"cmdModosit"_s);
    QCOMPARE(readFile(m_h->dataPath()), contacts({1, 2, 3, 4}));
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QCOMPARE(m.icon, Dialogs::Icon::Warning);
    QCOMPARE(m.text, u"A módosítandó névjegy időközben eltűnt a(z) „%1” fájlból.\n\n"
                     "Az adatállomány nem változott; a mezők tartalma megmaradt."_s.arg(
                         QDir::toNativeSeparators(m_h->dataPath())));
    QCOMPARE(m_h->entry(u"txNev"_s)->text(), typed);
    QCOMPARE(m_h->window().listModel()->rowCount(), 4);
}

void tst_faults::outOfMemory_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("rows"); // left in the list
    QTest::addColumn<QList<int>>("file");
    QTest::newRow("full list") << u"cmdLista"_s << u"lista üresen marad"_s << 0 << kOld;
    QTest::newRow("search") << u"search"_s << u"lista üresen marad"_s << 0 << kOld;
    // The deletion is made; only the list of the shortened file cannot be shown.
    QTest::newRow("delete one") << u"cmdTorol"_s << u"lista üresen marad"_s << 0
                                << QList<int>{1, 2, 4, 5};
}

void tst_faults::outOfMemory() {
    QFETCH(QString, action);
    QFETCH(QString, says);
    QFETCH(int, rows);
    QFETCH(QList<int>, file);
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    {
        FsProbe probe;
        if (action == u"search"_s) {
            m_h->tick(u"Check1"_s);
            probe.failCall(Call::Read, 1, -1);
            typeText(m_h->entry(u"txNev"_s), u"N"_s);
        } else if (action == u"cmdTorol"_s) {
            prepare(Op::DeleteOne);
            // The first read takes the record for the question, the second the new list.
            probe.failCall(Call::Read, 2, -1, m_h->dataPath());
            m_h->press(action);
        } else {
            probe.failCall(Call::Read, 1, -1);
            m_h->press(action);
        }
        QCOMPARE(probe.injected(), 1);
    }
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QCOMPARE(m.icon, Dialogs::Icon::Critical);
    QVERIFY2(m.text.contains(u"Nincs elég memória"_s) && m.text.contains(says), qPrintable(m.text));
    QCOMPARE(m_h->window().listModel()->rowCount(), rows);
    QCOMPARE(readFile(m_h->dataPath()), contacts(file));
    // With memory back, the same action works.
    dialogs().clear();
    m_h->press(u"cmdLista"_s);
    QCOMPARE(m_h->window().listModel()->rowCount(), file.size());
    QCOMPARE(dialogs().count(Kind::Message), 0);
}

void tst_faults::memoryLimit_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<qint64>("left");   // records in the file afterwards
    QTest::addColumn<qint64>("leeway"); // bytes the process may map beyond what it has
    QTest::newRow("full list") << u"cmdLista"_s << qint64(kBig) << qint64(8 << 20);
    QTest::newRow("delete one") << u"cmdTorol"_s << qint64(kBig - 1) << qint64(8 << 20);
    // The whole list is shown; sorting it needs a few megabytes more.
    QTest::newRow("header click") << u"header"_s << qint64(kBig) << qint64(1 << 20);
}

void tst_faults::memoryLimit() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer reserves more address space than the limit allows");
#else
    QFETCH(QString, action);
    QFETCH(qint64, left);
    QFETCH(qint64, leeway);
    // A register the list cannot hold within a few megabytes more than the program uses now.
    m_h = std::make_unique<WindowHarness>(contacts(kOld));
    QByteArray big;
    big.reserve(kBig * kRecordSize);
    for (qint64 i = 0; i < kBig; ++i)
        big += kContacts.record(int(i % 5) + 1);
    writeFile(m_h->dataPath(), big);
    big.clear();
    big.squeeze();
    if (action == u"cmdTorol"_s) {
        m_h->clickRow(2);
        dialogs().queueYesNo(true);
    }
    if (action == u"header"_s)
        m_h->press(u"cmdLista"_s);
    dialogs().clear();
    {
        AddressSpaceLimit limit(leeway);
        if (action == u"header"_s)
            m_h->clickHeader(0);
        else
            m_h->press(action);
    }
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QVERIFY2(m.text.contains(u"Nincs elég memória"_s), qPrintable(m.text));
    QCOMPARE(QFileInfo(m_h->dataPath()).size(), left * kRecordSize);
    // With memory back, the whole register is listed, sorted by the column clicked.
    dialogs().clear();
    m_h->press(u"cmdLista"_s);
    QCOMPARE(qint64(m_h->window().listModel()->rowCount()), left);
    QCOMPARE(dialogs().count(Kind::Message), 0);
    if (action == u"header"_s) {
        QCOMPARE(m_h->window().listModel()->sortColumn(), 0);
        QCOMPARE(m_h->window().listModel()->text(0, 0), u"Névjegy 1"_s);
        QCOMPARE(m_h->window().listModel()->text(int(left) - 1, 0), u"Névjegy 5"_s);
    }
#endif
}

void tst_faults::throughSymbolicLink_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<bool>("relative");
    for (bool relative : {false, true}) {
        const char* how = relative ? "relative link" : "absolute link";
        QTest::addRow("add, %s", how) << Op::Append << relative;
        QTest::addRow("modify, %s", how) << Op::Modify << relative;
        QTest::addRow("delete one, %s", how) << Op::DeleteOne << relative;
        QTest::addRow("delete all, %s", how) << Op::DeleteAll << relative;
    }
}

void tst_faults::throughSymbolicLink() {
    QFETCH(Op, op);
    QFETCH(bool, relative);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(u"register.dat"_s);
    writeFile(target, contacts(kOld));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    m_h = std::make_unique<WindowHarness>(QByteArray(), WindowHarness::Start::Later);
    const QString linkText = relative ? QDir(m_h->folder()).relativeFilePath(target) : target;
    QVERIFY(QFile::link(linkText, m_h->dataPath()));
    m_h->start();
    QCOMPARE(m_h->window().listModel()->rowCount(), 5);
    prepare(op);
    perform(op);

    QCOMPARE(dialogs().count(Kind::Message), 0);
    QVERIFY(QFileInfo(m_h->dataPath()).isSymLink());
    QCOMPARE(linkContents(m_h->dataPath()), QFile::encodeName(linkText));
    QCOMPARE(readFile(target), contacts(changed(op)));
    QCOMPARE(QFile::permissions(target),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(m_h->window().listModel()->rowCount(), changed(op).size());
    for (const QString& folder : {m_h->folder(), elsewhere.path()})
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot),
                 folder == m_h->folder() ? QStringList{u"Telefon.dat"_s}
                                         : QStringList{u"register.dat"_s});
    // The link still leads to the register: a new contact lands there.
    typeText(m_h->entry(u"txNev"_s), u"Még Egy"_s);
    m_h->press(u"cmdRogzit"_s);
    QCOMPARE(readFile(target), contacts(changed(op)) + recordBytes({u"Még Egy"_s}));
    QVERIFY(QFileInfo(m_h->dataPath()).isSymLink());
}

void tst_faults::danglingLink_data() {
    QTest::addColumn<QString>("action"); // after the start
    QTest::newRow("start") << QString();
    QTest::newRow("full list") << u"cmdLista"_s;
    QTest::newRow("add") << u"cmdRogzit"_s;
    QTest::newRow("delete all") << u"mnuAdatbazisDel"_s;
}

void tst_faults::danglingLink() {
    QFETCH(QString, action);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(u"gone.dat"_s);
    m_h = std::make_unique<WindowHarness>(QByteArray(), WindowHarness::Start::Later);
    QVERIFY(QFile::link(target, m_h->dataPath()));
    m_h->start();
    if (!action.isEmpty()) {
        typeText(m_h->entry(u"txNev"_s), kNewName);
        dialogs().clear();
        dialogs().queueYesNo(true);
        m_h->press(action);
    }
    QCOMPARE(dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown m = dialogs().last(Kind::Message);
    QCOMPARE(m.icon, Dialogs::Icon::Critical);
    QVERIFY2(m.text.contains(QDir::toNativeSeparators(m_h->dataPath())), qPrintable(m.text));
    QVERIFY2(m.text.contains(u"hivatkozás, amely nem létező fájlra mutat: „%1”"_s.arg(target)),
             qPrintable(m.text));
    // Nothing is made through the link, and the link stays.
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(QFileInfo(m_h->dataPath()).isSymLink());
    QCOMPARE(QDir(m_h->folder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{u"Telefon.dat"_s});
    QCOMPARE(m_h->window().listModel()->rowCount(), 0);
}

QTEST_MAIN(tst_faults)
#include "tst_faults.moc"
