#include "sync/syncstate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using cardsync::SyncState;

Q_DECLARE_METATYPE(SyncState)

namespace {

Record named(const QString& name) {
    Record r;
    r.setField(Field::Nev, name);
    return r;
}

// A record whose bytes hold line breaks, blanks and every other byte a damaged register could.
Record rawBytes() {
    Record r;
    for (int i = 0; i < kRecordSize; ++i)
        r.data()[i] = static_cast<char>(i * 7);
    return r;
}

QByteArray card(const QByteArray& record = QByteArray(kRecordSize, ' ').toBase64()) {
    return "card %2Fab%2F1.vcf %22e1%22 uid-1 " + record + '\n';
}

} // namespace

class TestSyncState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What is written reads back the same; every shorter piece of the file is refused whole.
    void roundTrip_data() {
        QTest::addColumn<SyncState>("state");
        QTest::newRow("nothing synced yet")
            << SyncState{u"http://127.0.0.1:5232/u/book/"_s, {}, {}};
        QTest::newRow("texts with blanks, breaks and accents") << SyncState{
            u"https://szerver.hu/dav/Névjegyek közösen/"_s,
            u"http://szerver.hu/sync/1 2\n"_s,
            {{u"/dav/a b/1%20x.vcf"_s, u"W/\"1 2\"\n"_s, u"üid\t\r\n"_s, named(u"Kiss Ádám"_s)},
             {u"/dav/2.vcf"_s, u""_s, u""_s, rawBytes()}}};
    }

    void roundTrip() {
        QFETCH(SyncState, state);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Telefon.sync"_s);
        QVERIFY(!cardsync::writeSyncState(path, state));
        SyncState read;
        const MaybeError err = cardsync::readSyncState(path, read);
        QVERIFY2(!err, qPrintable(err ? err->message() : QString()));
        QCOMPARE(read, state);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(whole.left(cut));
            file.close();
            read.bookUrl = u"left over"_s;
            QVERIFY2(cardsync::readSyncState(path, read), qPrintable(QString::number(cut)));
            QCOMPARE(read, SyncState{});
        }
    }

    void damaged_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("badLine");
        const QByteArray head = "Zelvanor-Sync 1\nbook http%3A%2F%2Fh%2F\n";
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("later version") << QByteArray("Zelvanor-Sync 2\nbook x\nend 0\n") << 1;
        QTest::newRow("no address book") << QByteArray("Zelvanor-Sync 1\n" + card()) << 2;
        QTest::newRow("no end") << head + card() << 4;
        QTest::newRow("count differs") << head + card() + "end 2\n" << 4;
        QTest::newRow("record cut short") << head + card("ICAg") + "end 1\n" << 3;
        QTest::newRow("record not base64") << head + card(QByteArray(372, '*')) + "end 1\n" << 3;
        QTest::newRow("href empty") << head + "card  b c " + card().split(' ').last() << 3;
        QTest::newRow("text not UTF-8") << head + card().replace("uid-1", "%FF") + "end 1\n" << 3;
        QTest::newRow("token not UTF-8") << head + "token %FF\nend 0\n" << 3;
        QTest::newRow("token twice") << head + "token a\ntoken b\nend 0\n" << 4;
        QTest::newRow("more after the end") << head + "end 0\ncard\n" << 4;
        QTest::newRow("endless line") << head + QByteArray(200 * 1024, 'a') << 3;
    }

    void damaged() {
        QFETCH(QByteArray, content);
        QFETCH(int, badLine);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Telefon.sync"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        SyncState read{u"left over"_s, u"t"_s, {}};
        const MaybeError err = cardsync::readSyncState(path, read);
        QVERIFY(err);
        QVERIFY2(err->message().contains(u"(%1. sor)"_s.arg(badLine)), qPrintable(err->message()));
        QCOMPARE(read, SyncState{});
    }

    void missingFileIsNeverSynced() {
        QTemporaryDir dir;
        SyncState read{u"left over"_s, u"t"_s, {}};
        QVERIFY(!cardsync::readSyncState(dir.filePath(u"Telefon.sync"_s), read));
        QCOMPARE(read, SyncState{});
        QVERIFY(cardsync::readSyncState(dir.path(), read));
    }
};

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_syncstate.moc"
