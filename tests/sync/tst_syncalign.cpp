#include "contacttokens.h"
#include "sync/alignment.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "=n" unchanged at record n, ">n" changed to record n, "-" deleted; then "+n" for each new one.
QString describe(const cardsync::Alignment& alignment) {
    QStringList parts;
    for (const cardsync::SyncedFate& fate : alignment.synced) {
        const int kind = static_cast<int>(fate.kind);
        parts.append(QString(u"=>-"_s[kind]) + (fate.recNo ? QString::number(fate.recNo) : u""_s));
    }
    for (qint64 n : alignment.added)
        parts.append(u"+"_s + QString::number(n));
    return parts.join(u' ');
}

} // namespace

class TestSyncAlign : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void align_data() {
        QTest::addColumn<QString>("synced");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("expected");

        QTest::newRow("both empty") << u""_s << u""_s << u""_s;
        QTest::newRow("first sync") << u""_s << u"A B"_s << u"+1 +2"_s;
        QTest::newRow("register emptied") << u"A B"_s << u""_s << u"- -"_s;
        QTest::newRow("nothing changed") << u"A B C"_s << u"A B C"_s << u"=1 =2 =3"_s;
        QTest::newRow("appended") << u"A B"_s << u"A B C D"_s << u"=1 =2 +3 +4"_s;
        QTest::newRow("changed in place") << u"A B C"_s << u"A B' C"_s << u"=1 >2 =3"_s;
        QTest::newRow("deleted") << u"A B C"_s << u"A C"_s << u"=1 - =2"_s;
        // Between anchors with fewer records today, the fields tell which one was deleted.
        QTest::newRow("one deleted, next changed")
            << u"A B C D"_s << u"A C' D"_s << u"=1 - >2 =3"_s;
        // Between anchors nothing is new: a changed record shares no field with its old self.
        QTest::newRow("rewritten whole between anchors")
            << u"A B C"_s << u"A X C"_s << u"=1 >2 =3"_s;
        // After the last anchor a record that shares nothing is new, its old self deleted.
        QTest::newRow("last replaced") << u"A B"_s << u"A X"_s << u"=1 - +2"_s;
        QTest::newRow("last changed, one appended") << u"A B"_s << u"A B' X"_s << u"=1 >2 +3"_s;
        QTest::newRow("appended before the last changed one shows up")
            << u"A B"_s << u"A X B'"_s << u"=1 >3 +2"_s;
        QTest::newRow("changed twice and deleted in one stretch")
            << u"A B C D E"_s << u"A D'' B' E"_s << u"=1 >3 - >2 =4"_s;
        QTest::newRow("no anchor at all") << u"A B C"_s << u"C' X"_s << u"- - >1 +2"_s;
        // Duplicates: each equal record anchors once, in order.
        QTest::newRow("one of two duplicates deleted") << u"A A B"_s << u"A B"_s << u"=1 - =2"_s;
        QTest::newRow("duplicates around a change")
            << u"A B A B A"_s << u"A B A B' A"_s << u"=1 =2 =3 >4 =5"_s;
        // Order broken by another program: nothing is lost, the moved record is new.
        QTest::newRow("moved to the front") << u"A B C"_s << u"C A B"_s << u"=2 =3 - +1"_s;
        QTest::newRow("extra record between anchors")
            << u"A B C"_s << u"A B' X C"_s << u"=1 >2 =4 +3"_s;
    }

    void align() {
        QFETCH(QString, synced);
        QFETCH(QString, today);
        QFETCH(QString, expected);
        const std::vector<Record> before = contacts(synced);
        const std::vector<Record> after = contacts(today);
        QCOMPARE(describe(cardsync::alignRecords(before, after)), expected);
    }

    // A large register with scattered edits of every kind: the alignment finds each of them
    // exactly, however the search splits the work.
    void align_large_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("edits");
        QTest::newRow("few edits") << 20000 << 5;
        QTest::newRow("many edits") << 20000 << 3000;
        QTest::newRow("every record edited") << 3000 << 3000;
    }

    void align_large() {
        QFETCH(int, count);
        QFETCH(int, edits);
        QRandomGenerator random(count * 7 + edits);
        const auto distinct = [](int n) {
            Record r;
            r.setField(Field::Nev, u"Ügyfél "_s + QString::number(n));
            r.setField(Field::Tel1, QString::number(1000000 + n));
            r.setField(Field::Mail, u"u"_s + QString::number(n) + u"@example.hu"_s);
            return r;
        };
        std::vector<Record> synced;
        for (int i = 0; i < count; ++i)
            synced.push_back(distinct(i));
        // What each record becomes: 0 unchanged, 1 changed, 2 deleted.
        std::vector<int> action(synced.size(), 0);
        for (int e = 0; e < edits; ++e)
            action[random.bounded(count)] = 1 + static_cast<int>(random.bounded(2));
        std::vector<Record> today;
        QStringList expected;
        for (int i = 0; i < count; ++i) {
            if (action[i] == 2) {
                expected.append(u"-"_s);
                continue;
            }
            Record r = synced[i];
            if (action[i] == 1)
                r.setField(Field::Megj, u"új megjegyzés"_s);
            today.push_back(r);
            expected.append((action[i] == 1 ? u">"_s : u"="_s) + QString::number(today.size()));
        }
        for (int i = 0; i < edits / 2; ++i) {
            today.push_back(distinct(count + i));
            expected.append(u"+"_s + QString::number(today.size()));
        }
        QCOMPARE(describe(cardsync::alignRecords(synced, today)), expected.join(u' '));
    }
};

QTEST_GUILESS_MAIN(TestSyncAlign)
#include "tst_syncalign.moc"
