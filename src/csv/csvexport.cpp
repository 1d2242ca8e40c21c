#include "csv/csvexport.h"

#include "store/datafile.h"
#include "store/exchangefile.h"

#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr qint64 kBlockRecords = 4096; // 1.1 MB read, 1.2 MB written at a time

} // namespace

void buildExportLine(const char* record, char* line) {
    char* out = line;
    for (int f = 0; f < kFieldCount; ++f) {
        const FieldLayout l = kLayout[static_cast<std::size_t>(f)];
        std::memcpy(out, record + l.offset, static_cast<std::size_t>(l.width));
        out += l.width;
        if (f > 0)
            *out++ = ';';
    }
    *out++ = '\r';
    *out = '\n';
}

MaybeError exportCsv(const DataStore& store, const QString& target) {
    DataFile data;
    if (auto err = data.open(store.dataPath(), DataFile::Access::Read))
        return err;
    if (auto err = refuseDataFile(data, target))
        return err;
    qint64 length = 0;
    if (auto err = data.length(length))
        return err;
    const qint64 count = DataFile::recordCount(length);

    return replaceFileWhole(target, [&](QIODevice& out) -> MaybeError {
        const qint64 blockRecords = std::max<qint64>(1, std::min(count, kBlockRecords));
        std::unique_ptr<char[]> records(
            new char[static_cast<std::size_t>(blockRecords * kRecordSize)]);
        std::unique_ptr<char[]> lines(
            new char[static_cast<std::size_t>(blockRecords * kExportLineSize)]);
        for (qint64 first = 1; first <= count;) {
            const qint64 want = std::min(blockRecords, count - first + 1);
            qint64 got = 0;
            if (auto err = data.readAt(DataFile::offsetOf(first), records.get(), want * kRecordSize,
                                       got)) {
                return err;
            }
            const qint64 whole = got / kRecordSize;
            for (qint64 i = 0; i < whole; ++i)
                buildExportLine(records.get() + i * kRecordSize, lines.get() + i * kExportLineSize);
            const qint64 bytes = whole * kExportLineSize;
            // A short write is how a full disk shows; QSaveFile would still commit the rest.
            errno = 0;
            if (out.write(lines.get(), bytes) != bytes) {
                const int code = errno;
                return exchangeWriteError(StoreError::Action::Write, target, code, out);
            }
            if (whole < want)
                break; // the file became shorter while it was read
            first += whole;
        }
        (void)data.close();
        return std::nullopt;
    });
}
