#include "csvexport.h"

#include "datafile.h"
#include "exchangefile.h"
#include "posixfs.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr qint64 kBlockRecords = 4096; // 1.1 MB read, 1.2 MB written at a time

// The failure of a QSaveFile call: the system's reason when it left one, Qt's text otherwise.
StoreError saveError(StoreError::Action action, const QString& path, int code,
                     const QSaveFile& file) {
    StoreError e = systemError(action, path, code);
    if (code == 0)
        e.detail = file.errorString();
    return e;
}

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

    // QSaveFile would tell these two only in English.
    const QFileInfo existing(target);
    if (existing.isDir())
        return systemError(StoreError::Action::Create, target, EISDIR);
    if (existing.exists() && !existing.isWritable())
        return systemError(StoreError::Action::Create, target, EACCES);

    QSaveFile out(target);
    // Writing straight into the target would leave it half-written on a failure.
    out.setDirectWriteFallback(false);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return saveError(StoreError::Action::Create, target, errno, out);

    const qint64 blockRecords = std::max<qint64>(1, std::min(count, kBlockRecords));
    std::unique_ptr<char[]> records(new char[static_cast<std::size_t>(blockRecords * kRecordSize)]);
    std::unique_ptr<char[]> lines(
        new char[static_cast<std::size_t>(blockRecords * kExportLineSize)]);
    for (qint64 first = 1; first <= count;) {
        const qint64 want = std::min(blockRecords, count - first + 1);
        qint64 got = 0;
        if (auto err =
                data.readAt(DataFile::offsetOf(first), records.get(), want * kRecordSize, got)) {
            out.cancelWriting();
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
            out.cancelWriting();
            return saveError(StoreError::Action::Write, target, code, out);
        }
        if (whole < want)
            break; // the file became shorter while it was read
        first += whole;
    }
    (void)data.close();

    errno = 0;
    if (!out.flush()) {
        const int code = errno;
        out.cancelWriting();
        return saveError(StoreError::Action::Write, target, code, out);
    }
    // commit() would not notice a failed flush to the disk.
    if (fsys::fdatasync(out.handle()) != 0) {
        const int code = errno;
        out.cancelWriting();
        return systemError(StoreError::Action::Flush, target, code);
    }
    errno = 0;
    if (!out.commit())
        return saveError(StoreError::Action::Write, target, errno, out);
    // The new file is in place; a folder that cannot be synced does not undo that, but a power
    // cut still may.
    if (auto err = DataFile::syncFolder(QFileInfo(target).absolutePath())) {
        err->state = StoreError::State::ChangedNotSynced;
        return err;
    }
    return std::nullopt;
}
