// The pieces behind the record list: its memory, the distinct texts of a column, the rows and
// their order, measured against the plainest way of getting the same.
#include "list/distincttexts.h"
#include "list/listmemory.h"
#include "list/listsort.h"
#include "list/recordlistmodel.h"
#include "list/recordrows.h"
#include "store/cp1250.h"
#include "store/record.h"
#include "testdata.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <map>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

// Hungarian names with what makes collation hard: the double letters (cs, dzs, gy, ly, ny, sz,
// ty, zs and their long forms like ssz), accents on both sides of a pair, case, digits,
// punctuation and blanks.
QString randomName(QRandomGenerator& random) {
    static const QStringList parts = {
        u"a"_s, u"á"_s,  u"b"_s,   u"c"_s,   u"cs"_s,  u"ccs"_s, u"d"_s,  u"dz"_s, u"dzs"_s,
        u"e"_s, u"é"_s,  u"g"_s,   u"gy"_s,  u"ggy"_s, u"h"_s,   u"i"_s,  u"í"_s,  u"k"_s,
        u"l"_s, u"ly"_s, u"lly"_s, u"n"_s,   u"ny"_s,  u"nny"_s, u"o"_s,  u"ó"_s,  u"ö"_s,
        u"ő"_s, u"s"_s,  u"sz"_s,  u"ssz"_s, u"t"_s,   u"ty"_s,  u"u"_s,  u"ú"_s,  u"ü"_s,
        u"ű"_s, u"z"_s,  u"zs"_s,  u"Cs"_s,  u"CS"_s,  u"Sz"_s,  u"Gy"_s, u"Ö"_s,  u"Ő"_s,
        u" "_s, u"-"_s,  u"."_s,   u"1"_s,   u"10"_s,  u"9"_s,   u"Š"_s,  u"ß"_s,  u"x"_s};
    QString s;
    const int n = static_cast<int>(random.bounded(7));
    for (int i = 0; i < n; ++i)
        s += parts[static_cast<qsizetype>(random.bounded(parts.size()))];
    return s.left(40);
}

RecordRows rowsOf(const QStringList& names) {
    RecordRows rows;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const Record r = makeRecord({names[i], {}, {}, u"Fő utca %1."_s.arg(names.size() - i)});
        rows.addRecord(r.data(), i + 1);
    }
    return rows;
}

} // namespace

class tst_listrows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listMemory_data();
    void listMemory();
    void distinctTexts();
    void rowsKeepTheirFields();
    void sortFollowsQtCollation();
    void sortIsStable();
    void recordNumbersSortAsText();
    void sorterKeptAcrossLists();
    void equalTextsKeepTheShownOrder();
    void spareRowsStartEmpty();
    void firstRefillStaysInPlace_data();
    void firstRefillStaysInPlace();
    void modelIndexes();
};

void tst_listrows::listMemory_data() {
    QTest::addColumn<qsizetype>("count");
    QTest::newRow("empty") << qsizetype(0);
    QTest::newRow("small") << qsizetype(1000);
    QTest::newRow("just under a huge page") << qsizetype(listmemory::kHugePage / 8 - 1);
    QTest::newRow("exactly a huge page") << qsizetype(listmemory::kHugePage / 8);
    QTest::newRow("several, not whole") << qsizetype(3 * listmemory::kHugePage / 8 + 5);
}

void tst_listrows::listMemory() {
    QFETCH(qsizetype, count);
    // Growing one element at a time crosses from the heap to mapped blocks and back on the
    // way; every value must survive each move.
    ListVector<std::uint64_t> v;
    for (qsizetype i = 0; i < count; ++i)
        v.push_back(static_cast<std::uint64_t>(i) * 2654435761u);
    ListVector<std::uint64_t> copy = v;
    v.clear();
    v.shrink_to_fit();
    QCOMPARE(copy.size(), static_cast<std::size_t>(count));
    for (qsizetype i = 0; i < count; ++i)
        QCOMPARE(copy[static_cast<std::size_t>(i)], static_cast<std::uint64_t>(i) * 2654435761u);
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc,
                             ListVector<char>(std::size_t(1) << 62, '\0').push_back('x'));
}

void tst_listrows::distinctTexts() {
    DistinctTexts distinct;
    std::map<std::string, std::uint32_t> plain;
    QRandomGenerator random(40);
    // Enough texts for the table to grow many times, with repeats, prefixes of each other and
    // the empty text.
    for (int i = 0; i < 200000; ++i) {
        const std::string text = std::to_string(random.bounded(60000))
                                     .substr(0, static_cast<std::size_t>(random.bounded(6)));
        const auto [it, added] = plain.try_emplace(text, static_cast<std::uint32_t>(plain.size()));
        QCOMPARE(distinct.idOf(text), it->second);
    }
    QCOMPARE(distinct.size(), plain.size());
    for (const auto& [text, id] : plain)
        QCOMPARE(distinct.text(id), std::string_view(text));
}

void tst_listrows::rowsKeepTheirFields() {
    const Field shown[] = {Field::Nev,  Field::Telepules, Field::Cim,
                           Field::Tel1, Field::Tel2,      Field::Megj};
    QRandomGenerator random(199);
    std::vector<Record> records;
    RecordRows rows;
    for (int i = 0; i < 2000; ++i) {
        // Any bytes at all, blanks at both ends of a field as often as not.
        Record r;
        for (int b = 0; b < kRecordSize; ++b)
            r.data()[b] = random.bounded(3) == 0 ? ' ' : static_cast<char>(random.bounded(256));
        records.push_back(r);
        rows.addRecord(r.data(), 7 + i);
    }
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(rows.size(), records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            QCOMPARE(rows.recordNumber(i), qint64(7 + i));
            for (int c = 0; c < ListColumn::RecNo; ++c)
                QCOMPARE(rows.text(i, c), records[i].displayField(shown[c]));
            QCOMPARE(rows.text(i, ListColumn::RecNo), QString::number(7 + i));
        }
        // Filled again after a clear, the rows are the same.
        rows.clear();
        QVERIFY(rows.empty());
        for (std::size_t i = 0; i < records.size(); ++i)
            rows.addRecord(records[i].data(), qint64(7 + i));
    }
}

void tst_listrows::sortFollowsQtCollation() {
    QRandomGenerator random(1250);
    QStringList names;
    // A third of the names share a long start, so that their sort keys are alike well beyond
    // the bytes the sorter compares as numbers.
    for (int i = 0; i < 6000; ++i)
        names.append((i % 3 == 0 ? u"Szentgyörgyi-Kovácsházi "_s : QString()) + randomName(random));
    // Blanks around a name are not part of it, and the stored text lacks what the code page
    // lacks.
    for (QString& n : names)
        n = cp1250::decode(cp1250::encode(n)).trimmed();
    const RecordRows rows = rowsOf(names);

    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::uint32_t> expected(static_cast<std::size_t>(names.size()));
    std::iota(expected.begin(), expected.end(), 0u);
    std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
        return collator.compare(names[a], names[b]) < 0;
    });
    const ListVector<std::uint32_t> order = sortedOrder(rows, 0);
    QCOMPARE(order.size(), expected.size());
    for (std::size_t i = 1; i < order.size(); ++i) {
        // Names the collation holds equal may stand in either order, all others as Qt has them.
        const QString& before = names[order[i - 1]];
        const QString& after = names[order[i]];
        QVERIFY2(collator.compare(before, after) <= 0, qPrintable(before + u" / "_s + after));
        QVERIFY2(collator.compare(names[expected[i]], after) == 0,
                 qPrintable(names[expected[i]] + u" / "_s + after));
    }
}

void tst_listrows::sortIsStable() {
    // Equal names keep the order they had; names the collation holds equal but that differ
    // in their bytes come in the order of their bytes, capitals first.
    const QStringList names = {u"Kovács"_s, u"Ádám"_s, u"kovács"_s, u"ádám"_s,
                               u"Kovács"_s, u"Ádám"_s, u"Bíró"_s,   u"ádám"_s};
    const ListVector<std::uint32_t> order = sortedOrder(rowsOf(names), 0);
    const std::vector<std::uint32_t> got(order.begin(), order.end());
    QCOMPARE(got, (std::vector<std::uint32_t>{1, 5, 3, 7, 6, 0, 4, 2}));
}

void tst_listrows::recordNumbersSortAsText() {
    RecordRows rows;
    Record r;
    for (qint64 n : {9, 10, 1, 100, 2, 19})
        rows.addRecord(r.data(), n);
    const ListVector<std::uint32_t> order = sortedOrder(rows, ListColumn::RecNo);
    QStringList got;
    for (std::uint32_t i : order)
        got.append(rows.text(i, ListColumn::RecNo));
    QCOMPARE(got, (QStringList{u"1"_s, u"10"_s, u"100"_s, u"19"_s, u"2"_s, u"9"_s}));
}

void tst_listrows::sorterKeptAcrossLists() {
    // The list keeps its sorter from reload to reload. Whatever it has met before, it orders
    // each list as a sorter that has seen nothing else would.
    QRandomGenerator random(36);
    ColumnSorter sorter(0);
    const auto sortsAsNew = [&sorter](const QStringList& names) {
        const RecordRows rows = rowsOf(names);
        return sorter.order(rows) == sortedOrder(rows, 0);
    };
    QStringList all;
    for (int i = 0; i < 3000; ++i)
        all.append(randomName(random));
    QVERIFY(sortsAsNew(all));
    QVERIFY(sortsAsNew(all.mid(100, 500))); // a search: texts it knows
    QStringList changed = all;
    changed[7] = u"Cseh Ödön"_s; // a change and an addition: texts new among known ones
    changed.append(u"Aa"_s);
    QVERIFY(sortsAsNew(changed));
    const std::size_t kept = sorter.textsKept();
    QVERIFY(kept <= static_cast<std::size_t>(changed.size()));
    // Lists of texts never seen, as imports into a changing register would bring: the sorter
    // lets the old texts go before it holds more than twice the largest list and some.
    for (int round = 0; round < 6; ++round) {
        QStringList fresh;
        for (int i = 0; i < 30000; ++i)
            fresh.append(randomName(random) + QString::number(round * 30000 + i));
        QVERIFY(sortsAsNew(fresh));
        QVERIFY(sorter.textsKept() <= 2 * 30000 + 65536 + 30000);
    }
    QVERIFY(sorter.textsKept() < kept + 6 * 30000);
    QVERIFY(sortsAsNew(all));
}

void tst_listrows::equalTextsKeepTheShownOrder() {
    // Sorting a sorted list again keeps rows of equal text in the order they were shown in, so
    // a click on "Cím" and then on "Név" orders by name and then by address. A new reading of
    // the list starts again from file order.
    const QStringList names = {u"B"_s, u"A"_s, u"B"_s, u"A"_s};
    RecordListModel model;
    model.setRows(rowsOf(names)); // addresses "Fő utca 4." down to "Fő utca 1."
    const auto shown = [&model] {
        std::vector<qint64> recNos;
        for (int row = 0; row < model.rowCount(); ++row)
            recNos.push_back(model.recordNumber(row));
        return recNos;
    };
    model.sortByColumn(2);
    QCOMPARE(shown(), (std::vector<qint64>{4, 3, 2, 1}));
    model.sortByColumn(0);
    QCOMPARE(shown(), (std::vector<qint64>{4, 2, 3, 1}));
    model.sortByColumn(0);
    QCOMPARE(shown(), (std::vector<qint64>{4, 2, 3, 1}));
    model.setRows(rowsOf(names));
    QCOMPARE(shown(), (std::vector<qint64>{2, 4, 1, 3}));
    QCOMPARE(model.text(0, 0), u"A"_s);
    QCOMPARE(model.text(2, 0), u"B"_s);
}

void tst_listrows::spareRowsStartEmpty() {
    RecordListModel model;
    model.setRows(rowsOf({u"Első"_s, u"Második"_s}));
    model.setRows(rowsOf({u"Harmadik"_s}));
    // The rows replaced come back empty, and filling them leaves the list as it is.
    RecordRows spare = model.takeSpareRows();
    QVERIFY(spare.empty());
    Record r;
    r.setField(Field::Nev, u"Negyedik"_s);
    spare.addRecord(r.data(), 4);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.text(0, 0), u"Harmadik"_s);
    model.setRows(std::move(spare));
    QCOMPARE(model.text(0, 0), u"Negyedik"_s);
    QVERIFY(model.takeSpareRows().empty());
}

// The first refill of a list has no spare rows; it gets room like the shown rows' instead, so
// that a list as large as the shown one, or an eighth larger, is never moved as it grows.
void tst_listrows::firstRefillStaysInPlace_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("width"); // of each field's text
    QTest::newRow("a few short rows") << 3 << 5;
    QTest::newRow("a few rows at full width") << 3 << 50;
    QTest::newRow("many short rows") << 2000 << 5;
    QTest::newRow("many rows at full width") << 2000 << 50;
}

void tst_listrows::firstRefillStaysInPlace() {
    QFETCH(int, count);
    QFETCH(int, width);
    std::vector<Record> records(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < records.size(); ++i) {
        char* r = records[i].data();
        std::fill_n(r, kRecordSize, ' ');
        for (const FieldLayout& f : kLayout)
            std::fill_n(r + f.offset, std::min(width, f.width), static_cast<char>('a' + i % 26));
    }
    RecordRows shown;
    for (std::size_t i = 0; i < records.size(); ++i)
        shown.addRecord(records[i].data(), qint64(i + 1));
    const std::size_t refill = records.size() + records.size() / 8;

    RecordListModel model;
    model.setRows(std::move(shown));
    RecordRows rows = model.takeSpareRows();
    QVERIFY(rows.empty());
    const char* first = nullptr;
    for (std::size_t i = 0; i < refill; ++i) {
        rows.addRecord(records[i % records.size()].data(), qint64(i + 1));
        if (i == 0)
            first = rows.bytes(0, 0).data();
        QCOMPARE(static_cast<const void*>(rows.bytes(0, 0).data()),
                 static_cast<const void*>(first));
    }
    QCOMPARE(rows.size(), refill);
    const char last = static_cast<char>('a' + (refill - 1) % records.size() % 26);
    QCOMPARE(rows.text(refill - 1, 0), QString(std::min(width, 40), QLatin1Char(last)));

    // Once rows were replaced, the spare ones are those and need no room of their own.
    model.setRows(std::move(rows));
    QCOMPARE(model.rowCount(), int(refill));
    QVERIFY(model.takeSpareRows().hasRoom());
}

void tst_listrows::modelIndexes() {
    // The model writes its indexes itself; they must be the ones Qt would make, and the model
    // must pass Qt's own checks through a reload, a sort and a clearing.
    RecordListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(rowsOf({u"Cecil"_s, u"Anna"_s, u"Béla"_s}));
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex idx = model.index(row, column);
            QVERIFY(idx.isValid());
            QCOMPARE(idx.row(), row);
            QCOMPARE(idx.column(), column);
            QCOMPARE(idx.internalId(), quintptr(0));
            QCOMPARE(idx.model(), &model);
            QVERIFY(!idx.parent().isValid());
            QCOMPARE(idx.data().toString(), model.text(row, column));
            QCOMPARE(QPersistentModelIndex(idx), idx);
        }
    }
    const struct {
        int row, column;
    } outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, ListColumn::kCount}, {1 << 30, 1 << 30}};
    for (const auto& o : outside)
        QVERIFY(!model.index(o.row, o.column).isValid());
    QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
    model.sortByColumn(0);
    QCOMPARE(model.index(0, 0).data().toString(), u"Anna"_s);
    model.setRows(rowsOf({u"Dóra"_s}));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(tst_listrows)
#include "tst_listrows.moc"
