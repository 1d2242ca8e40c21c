// The order of the file-system calls behind each change of the register. A killed process
// cannot show a missing flush or a register removed a moment before its copy took its place;
// the calls themselves can.
#include "fsprobe.h"
#include "store/datastore.h"
#include "store/record.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using fsys::Call;

namespace {

enum class Op { Append, Modify, DeleteOne, DeleteAll };

const SampleContacts kContacts({u"Névjegy #"_s, {}, {}, {}, u"06-1-#"_s});

using Events = QList<FsProbe::Event>;
using Match = std::function<bool(const FsProbe::Event&)>;

Match on(Call call, const QString& path) {
    return [call, path](const FsProbe::Event& e) {
        return e.call == call && e.path == path && e.error == 0;
    };
}

int firstIndex(const Events& events, const Match& match, int from = 0) {
    for (int i = from; i < events.size(); ++i)
        if (match(events[i]))
            return i;
    return -1;
}

int lastIndex(const Events& events, const Match& match, int before) {
    for (int i = std::min<int>(before, events.size()) - 1; i >= 0; --i)
        if (match(events[i]))
            return i;
    return -1;
}

QString trace(const Events& events) {
    QStringList lines;
    for (const FsProbe::Event& e : events)
        lines << u"%1 %2%3 -> %4"_s
                     .arg(QString::fromLatin1(callName(e.call)), e.path,
                          e.target.isEmpty() ? QString() : u" "_s + e.target)
                     .arg(e.result);
    return lines.join(u'\n');
}

} // namespace

class tst_syscalls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void callOrder_data();
    void callOrder();
};

void tst_syscalls::callOrder_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<bool>("linked");  // Telefon.dat a link to a file in another folder
    QTest::addColumn<bool>("missing"); // no Telefon.dat before the change
    QTest::addColumn<int>("n");        // the record changed or removed
    QTest::addColumn<QList<int>>("after");
    // Five records 1 to 5; 9 is the new one.
    for (bool linked : {false, true}) {
        const char* how = linked ? ", through a link" : "";
        QTest::addRow("append%s", how)
            << Op::Append << linked << false << 0 << QList<int>{1, 2, 3, 4, 5, 9};
        QTest::addRow("modify%s", how)
            << Op::Modify << linked << false << 3 << QList<int>{1, 2, 9, 4, 5};
        QTest::addRow("delete the first%s", how)
            << Op::DeleteOne << linked << false << 1 << QList<int>{2, 3, 4, 5};
        QTest::addRow("delete the last%s", how)
            << Op::DeleteOne << linked << false << 5 << QList<int>{1, 2, 3, 4};
        QTest::addRow("delete all%s", how) << Op::DeleteAll << linked << false << 0 << QList<int>{};
    }
    QTest::newRow("append to a missing file") << Op::Append << false << true << 0 << QList<int>{9};
}

void tst_syscalls::callOrder() {
    QFETCH(Op, op);
    QFETCH(bool, linked);
    QFETCH(bool, missing);
    QFETCH(int, n);
    QFETCH(QList<int>, after);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"program"_s) && QDir(dir.path()).mkpath(u"elsewhere"_s));
    const QString folder = dir.filePath(u"program"_s);
    DataStore store(folder);
    const QString data = store.dataPath();
    const QString linkText = u"../elsewhere/register.dat"_s;
    QString target = data;
    if (linked) {
        const QString elsewhere = dir.filePath(u"elsewhere/register.dat"_s);
        writeFile(elsewhere, kContacts.records({1, 2, 3, 4, 5}));
        QVERIFY(QFile::link(linkText, data));
        target = QFileInfo(elsewhere).canonicalFilePath();
    } else if (!missing) {
        writeFile(data, kContacts.records({1, 2, 3, 4, 5}));
    }
    const QString targetFolder = QFileInfo(target).path();
    const QString temp = QDir(targetFolder).filePath(u"xx.dat"_s);

    Events events;
    {
        FsProbe probe;
        const Record changed = Record::fromBytes(kContacts.record(9).constData());
        switch (op) {
        case Op::Append:
            QVERIFY(!store.append(changed));
            break;
        case Op::Modify: {
            bool written = false;
            QVERIFY(!store.modify(n, changed, written));
            QVERIFY(written);
            break;
        }
        case Op::DeleteOne: {
            RecordDeletion deletion(store);
            QVERIFY(!deletion.begin(n));
            QVERIFY(deletion.hasRecord());
            QVERIFY(!deletion.commit());
            break;
        }
        case Op::DeleteAll:
            QVERIFY(!store.removeAll());
            break;
        }
        events = probe.events();
    }
    const QByteArray t = trace(events).toUtf8();

    // The register holds exactly the records it should.
    if (op == Op::DeleteAll && !linked)
        QVERIFY(!QFileInfo::exists(data));
    else
        QCOMPARE(readFile(data), kContacts.records(after));
    if (linked) {
        QVERIFY(QFileInfo(data).isSymLink());
        QCOMPARE(QFile::symLinkTarget(data), target);
    }
    QVERIFY(!QFileInfo::exists(temp));
    QVERIFY(!QFileInfo::exists(store.tempPath()));

    // Neither the register nor its link is ever unlinked, except by deleting all of a plain one.
    for (const FsProbe::Event& e : std::as_const(events))
        if (e.call == Call::Unlink && (e.path == data || e.path == target))
            QVERIFY2(op == Op::DeleteAll && !linked, t.constData());

    if (op == Op::Append || op == Op::Modify) {
        // Changed in place: the last write is flushed before the change returns.
        const int write = lastIndex(events, on(Call::Write, data), int(events.size()));
        const int sync = lastIndex(events, on(Call::DataSync, data), int(events.size()));
        QVERIFY2(write >= 0 && sync > write, t.constData());
        QVERIFY2(firstIndex(events,
                            [](const FsProbe::Event& e) {
                                return e.call == Call::Rename || e.call == Call::Unlink;
                            }) < 0,
                 t.constData());
        if (missing) // the new file's name is on the disk too
            QVERIFY2(firstIndex(events, on(Call::Sync, folder), sync) > sync, t.constData());
        return;
    }
    if (op == Op::DeleteAll && !linked) {
        // The file goes to the trash in one rename of Qt's, or is unlinked where no trash takes
        // it; either way the folder is synced afterwards.
        const int unlink = firstIndex(events, on(Call::Unlink, data));
        QVERIFY2(firstIndex(events, on(Call::Sync, folder), std::max(unlink, 0)) > unlink,
                 t.constData());
        return;
    }

    // Replaced in one rename: the copy is complete and flushed first, the folder after it.
    int renames = 0;
    for (const FsProbe::Event& e : std::as_const(events))
        renames += e.call == Call::Rename ? 1 : 0;
    QCOMPARE(renames, 1);
    const int rename = firstIndex(events, on(Call::Rename, temp));
    QVERIFY2(rename >= 0 && events[rename].target == target, t.constData());
    const Match changesTemp = [&temp](const FsProbe::Event& e) {
        return e.path == temp && (e.call == Call::Write || e.call == Call::CopyRange ||
                                  e.call == Call::Truncate || e.call == Call::Chmod);
    };
    const int lastChange = lastIndex(events, changesTemp, rename);
    const int sync = lastIndex(events, on(Call::DataSync, temp), rename);
    QVERIFY2(sync >= 0 && sync > lastChange, t.constData());
    QVERIFY2(firstIndex(events, changesTemp, rename) < 0, t.constData());
    QVERIFY2(firstIndex(events, on(Call::Sync, targetFolder), rename) > rename, t.constData());
    // The old register is only read.
    for (const FsProbe::Event& e : std::as_const(events))
        if (e.path == target || e.path == data)
            QVERIFY2(e.call != Call::Write && e.call != Call::Truncate && e.call != Call::Chmod,
                     t.constData());
}

QTEST_GUILESS_MAIN(tst_syscalls)
#include "tst_syscalls.moc"
