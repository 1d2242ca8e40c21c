// Any bytes as Telefon.dat: the list is filled and sorted as the main window does it, each
// column searched, single records read, and the register exported.

#include "csv/csvexport.h"
#include "fuzzcheck.h"
#include "list/recordlistmodel.h"
#include "list/recordrows.h"
#include "store/cp1250.h"
#include "store/datastore.h"
#include "store/fieldmatcher.h"
#include "store/record.h"

#include <QByteArray>
#include <QFile>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr std::array<Field, 6> kColumnField = {Field::Nev,  Field::Telepules, Field::Cim,
                                               Field::Tel1, Field::Tel2,      Field::Megj};

QByteArray upper(QByteArrayView bytes) {
    const auto& table = cp1250::upperTable();
    QByteArray out(bytes.data(), bytes.size());
    for (char& c : out)
        c = static_cast<char>(table[static_cast<std::uint8_t>(c)]);
    return out;
}

QByteArray trimmedField(const char* record, Field f) {
    const FieldLayout l = layout(f);
    const BlankTrimmed t = trimBlanks(record + l.offset, l.width);
    return QByteArray(record + l.offset + t.begin, t.end - t.begin);
}

QString writeFile(const QString& path, QByteArrayView data) {
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "Telefon.dat is written");
    require(f.write(data.data(), data.size()) == data.size(), "Telefon.dat is written");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const QByteArrayView data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    const qint64 count = static_cast<qint64>(size) / kRecordSize;
    const DataStore store(scratchFolder().path());
    writeFile(store.dataPath(), data);

    // The list: every whole record, in file order, each once.
    RecordRows rows;
    qint64 next = 1;
    qint64 length = -1;
    require(!store.forEachRecord(
                [&](const char* block, qint64 first, qint64 n) {
                    require(first == next && n > 0, "blocks in file order");
                    require(std::memcmp(block, data.data() + (first - 1) * kRecordSize,
                                        static_cast<std::size_t>(n * kRecordSize)) == 0,
                            "blocks hold the file's bytes");
                    rows.addRecords(block, first, n);
                    next += n;
                },
                length),
            "the register is read");
    require(length == static_cast<qint64>(size), "the length is told");
    require(next - 1 == count, "every whole record is listed, a broken tail is not");
    require(rows.size() == static_cast<std::size_t>(count), "one row per record");

    RecordListModel model;
    // Sorting by a column the input picks, as a click on a header does.
    model.sortByColumn(size > 0 ? bytes[0] % ListColumn::kCount : 0);
    model.setRows(std::move(rows));
    require(model.rowCount() == count, "one row per record");
    std::vector<bool> seen(static_cast<std::size_t>(count) + 1, false);
    std::vector<qint64> shown;
    for (int row = 0; row < model.rowCount(); ++row) {
        const qint64 recNo = model.recordNumber(row);
        shown.push_back(recNo);
        require(recNo >= 1 && recNo <= count && !seen[static_cast<std::size_t>(recNo)],
                "sorted rows are the records, each once");
        seen[static_cast<std::size_t>(recNo)] = true;
        const Record r = Record::fromBytes(data.data() + (recNo - 1) * kRecordSize);
        for (int c = 0; c < ListColumn::RecNo; ++c)
            require(model.data(model.index(row, c)).toString() ==
                        r.displayField(kColumnField[static_cast<std::size_t>(c)]),
                    "a cell shows its field without the blanks around it");
        require(model.data(model.index(row, ListColumn::RecNo)).toString() ==
                    QString::number(recNo),
                "the last column shows the record number");
    }

    // Read again, the rows come in the same order from the sorter that has met their texts.
    RecordRows again = model.takeSpareRows();
    if (count > 0)
        again.addRecords(data.data(), 1, count);
    model.setRows(std::move(again));
    for (int row = 0; row < model.rowCount(); ++row)
        require(model.recordNumber(row) == shown[static_cast<std::size_t>(row)],
                "a second reading is sorted the same");

    // Single records, and one past the last.
    for (qint64 n = 1; n <= count + 1; ++n) {
        Record r;
        bool found = false;
        require(!store.readRecord(n, r, found), "a record is read");
        require(found == (n <= count), "a record is found exactly when it is whole");
        if (found)
            require(std::memcmp(r.data(), data.data() + (n - 1) * kRecordSize, kRecordSize) == 0,
                    "a record read alone is the file's bytes");
    }

    // The search, with a text taken from the bytes behind the last whole record (or from the
    // first name), against a plain search of the upper-cased field.
    QByteArray needleBytes = QByteArray(data.data() + count * kRecordSize,
                                        static_cast<qsizetype>(size) - count * kRecordSize)
                                 .left(12);
    if (needleBytes.isEmpty() && count > 0)
        needleBytes = trimmedField(data.data(), Field::Nev).mid(1, 5);
    const QString needle = cp1250::decode(needleBytes);
    const QByteArray needleUpper = upper(trimmedBlanks(needleBytes).toByteArray());
    for (int f = 0; f < kFieldCount; ++f) {
        const auto field = static_cast<Field>(f);
        const FieldMatcher matcher(field, needle);
        for (qint64 n = 0; n < count; ++n) {
            const char* record = data.data() + n * kRecordSize;
            const QByteArray value = trimmedField(record, field);
            const bool expected = !value.isEmpty() && needleUpper.size() <= layout(field).width &&
                                  upper(value).contains(needleUpper);
            require(matcher.matches(record) == expected, "the search finds what the field holds");
            // Every field holds its own text.
            require(value.isEmpty() || FieldMatcher(field, cp1250::decode(value)).matches(record),
                    "a field matches its own text");
        }
    }

    // The export: one line of 289 bytes per whole record, the record's bytes with a ';' behind
    // each field from the settlement on, and CR LF.
    const QString exported = scratchFolder().path() + QStringLiteral("/export.csv");
    require(!exportCsv(store, exported), "the export succeeds");
    QFile out(exported);
    require(out.open(QIODevice::ReadOnly), "the export file exists");
    const QByteArray lines = out.readAll();
    require(lines.size() == count * kExportLineSize, "289 bytes per whole record");
    for (qint64 n = 0; n < count; ++n) {
        const char* line = lines.constData() + n * kExportLineSize;
        const char* record = data.data() + n * kRecordSize;
        int at = 0;
        for (int f = 0; f < kFieldCount; ++f) {
            const FieldLayout l = kLayout[static_cast<std::size_t>(f)];
            require(std::memcmp(line + at, record + l.offset, static_cast<std::size_t>(l.width)) ==
                        0,
                    "a field stands whole in its line");
            at += l.width;
            if (f > 0)
                require(line[at++] == ';', "a separator behind each field from the settlement on");
        }
        require(at == kExportLineSize - 2 && line[at] == '\r' && line[at + 1] == '\n',
                "CR LF ends a line");
    }
    return 0;
}
