#include "datastore.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kBlockRecords = 16384; // about 4.5 MB a read

} // namespace

DataStore::DataStore(QString folder)
    : m_folder(std::move(folder)) {}

QString DataStore::dataPath() const {
    return QDir(m_folder).filePath(QStringLiteral("Telefon.dat"));
}

QString DataStore::tempPath() const {
    return QDir(m_folder).filePath(QStringLiteral("xx.dat"));
}

qint64 DataStore::appendNumber(qint64 length) {
    // length / 279 + 1 rounded to the nearest whole number; 279 is odd, so there is no tie.
    const qint64 whole = length / kRecordSize;
    const qint64 rest = length % kRecordSize;
    return whole + 1 + (2 * rest > kRecordSize ? 1 : 0);
}

namespace {

// Hands the first count whole records of an open file to fn, a large block at a time.
MaybeError readRecordBlocks(const DataFile& file, qint64 count, const DataStore::BlockFn& fn) {
    if (count <= 0)
        return std::nullopt;
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    const qint64 blockRecords = std::min(count, kBlockRecords);
    std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(blockRecords * kRecordSize)]);
    for (qint64 first = 1; first <= count;) {
        const qint64 want = std::min(blockRecords, count - first + 1);
        qint64 got = 0;
        if (auto err =
                file.readAt(DataFile::offsetOf(first), buffer.get(), want * kRecordSize, got))
            return err;
        const qint64 whole = got / kRecordSize;
        if (whole > 0)
            fn(buffer.get(), first, whole);
        if (whole < want)
            break; // the file became shorter while it was read
        first += whole;
    }
    return std::nullopt;
}

} // namespace

MaybeError DataStore::forEachRecord(const BlockFn& fn, qint64* lengthOut) const {
    DataFile file;
    if (auto err = file.open(dataPath(), DataFile::Access::Read))
        return err;
    qint64 length = 0;
    if (auto err = file.length(length))
        return err;
    if (lengthOut)
        *lengthOut = length;
    if (auto err = readRecordBlocks(file, DataFile::recordCount(length), fn))
        return err;
    return file.close();
}

MaybeError DataStore::readRecord(qint64 n, Record& record, bool& found) const {
    DataFile file;
    if (auto err = file.open(dataPath(), DataFile::Access::Read))
        return err;
    if (auto err = file.readRecord(n, record, found))
        return err;
    return file.close();
}

MaybeError DataStore::append(const Record& record, qint64* recNo) {
    DataFile file;
    if (auto err = file.open(dataPath(), DataFile::Access::ReadWrite))
        return err;
    qint64 length = 0;
    if (auto err = file.length(length))
        return err;
    const qint64 n = appendNumber(length);
    const qint64 offset = DataFile::offsetOf(n);

    // An incomplete last record shorter than half a record is overwritten; keep its bytes so
    // that a failed write can put them back.
    std::vector<char> oldTail;
    if (offset < length) {
        oldTail.resize(static_cast<size_t>(length - offset));
        qint64 got = 0;
        if (auto err = file.readAt(offset, oldTail.data(), length - offset, got))
            return err;
        oldTail.resize(static_cast<size_t>(got));
    }

    // Any gap between the end of the file and the new record is written as blanks.
    const qint64 start = std::min(offset, length);
    std::vector<char> bytes(static_cast<size_t>(offset - start), ' ');
    bytes.insert(bytes.end(), record.data(), record.data() + kRecordSize);

    MaybeError err = file.writeAt(start, bytes.data(), static_cast<qint64>(bytes.size()));
    if (!err)
        err = file.sync();
    if (err) {
        if (!oldTail.empty())
            (void)file.writeAt(offset, oldTail.data(), static_cast<qint64>(oldTail.size()));
        (void)file.truncate(length);
        (void)file.sync();
        return err;
    }
    if (recNo)
        *recNo = n;
    return file.close();
}

MaybeError DataStore::modify(qint64 n, const Record& record, bool& written) {
    written = false;
    DataFile file;
    if (auto err = file.open(dataPath(), DataFile::Access::ReadWrite))
        return err;
    Record old;
    bool found = false;
    if (auto err = file.readRecord(n, old, found))
        return err;
    if (!found)
        return file.close();
    MaybeError err = file.writeRecord(n, record);
    if (!err)
        err = file.sync();
    if (err) {
        // Put the old record back so that the file keeps a whole, known record there.
        (void)file.writeRecord(n, old);
        (void)file.sync();
        return err;
    }
    written = true;
    return file.close();
}

MaybeError DataStore::removeAll(Removal* how) {
    if (how)
        *how = Removal::Deleted;
    // Only a regular file goes to the trash: anything else in its place is refused below as
    // before, instead of being carried off.
    struct stat st;
    const QByteArray path = QFile::encodeName(dataPath());
    if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        QFile file(dataPath());
        if (file.moveToTrash()) {
            if (how)
                *how = Removal::Trashed;
            (void)DataFile::syncFolder(m_folder);
            return std::nullopt;
        }
    }
    if (auto err = DataFile::remove(dataPath())) {
        if (err->code != ENOENT)
            return err;
    }
    (void)DataFile::syncFolder(m_folder);
    return std::nullopt;
}

RecordDeletion::RecordDeletion(const DataStore& store)
    : m_store(store) {}

MaybeError RecordDeletion::begin(qint64 n) {
    m_n = n;
    m_hasRecord = false;
    if (auto err = m_data.open(m_store.dataPath(), DataFile::Access::Read))
        return err;
    qint64 length = 0;
    if (auto err = m_data.length(length))
        return err;
    m_count = DataFile::recordCount(length);
    if (n < 1 || n > m_count) {
        m_data.close();
        return std::nullopt;
    }
    bool found = false;
    if (auto err = m_data.readRecord(n, m_record, found))
        return err;
    if (!found) {
        m_data.close();
        return std::nullopt;
    }
    // A leftover xx.dat must never leak records into the result: start it empty.
    if (auto err = m_temp.openEmptied(m_store.tempPath())) {
        m_data.close();
        return err;
    }
    struct stat st;
    if (::fstat(m_data.handle(), &st) == 0)
        (void)::fchmod(m_temp.handle(), st.st_mode & 07777);
    m_hasRecord = true;
    return std::nullopt;
}

MaybeError RecordDeletion::copyRange(qint64 from, qint64 to, qint64 size) {
    // In-kernel copy where the system offers it, plain reads and writes otherwise.
    bool kernel = true;
    qint64 done = 0;
    std::unique_ptr<char[]> buffer;
    constexpr qint64 kChunk = kRecordSize * 4096;
    while (done < size) {
        if (kernel) {
            loff_t in = from + done;
            loff_t out = to + done;
            const ssize_t n = ::copy_file_range(m_data.handle(), &in, m_temp.handle(), &out,
                                                static_cast<size_t>(size - done), 0);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL &&
                errno != EOPNOTSUPP)
                return systemError(StoreError::Action::Write, m_temp.path(), errno);
            if (n == 0)
                return systemError(StoreError::Action::Read, m_data.path(), EIO);
            kernel = false;
        }
        if (!buffer)
            buffer.reset(new char[kChunk]);
        const qint64 want = std::min(kChunk, size - done);
        qint64 got = 0;
        if (auto err = m_data.readAt(from + done, buffer.get(), want, got))
            return err;
        if (got < want) {
            StoreError e = systemError(StoreError::Action::Read, m_data.path(), 0);
            e.detail = QStringLiteral("A fájl rövidebb lett, miközben a program olvasta.");
            return e;
        }
        if (auto err = m_temp.writeAt(to + done, buffer.get(), got))
            return err;
        done += got;
    }
    return std::nullopt;
}

MaybeError RecordDeletion::commit(const DataStore::BlockFn* readBack, bool* readBackComplete) {
    auto fail = [this](StoreError err) -> MaybeError {
        m_data.close();
        m_temp.close();
        (void)DataFile::remove(m_store.tempPath());
        return err;
    };
    const qint64 before = (m_n - 1) * kRecordSize;
    const qint64 after = (m_count - m_n) * kRecordSize;
    if (auto err = copyRange(0, 0, before))
        return fail(*err);
    if (auto err = copyRange(before + kRecordSize, before, after))
        return fail(*err);
    if (auto err = syncTemp(readBack, readBackComplete))
        return fail(*err);
    if (auto err = m_temp.close())
        return fail(*err);
    if (auto err = DataFile::rename(m_store.tempPath(), m_store.dataPath()))
        return fail(*err);
    // Closing the last handle of the replaced file frees its blocks, which takes the file
    // system a while on a large register; nothing waits for it.
    m_data.closeInBackground();
    // The rename has happened: a folder that cannot be synced does not undo the deletion.
    (void)DataFile::syncFolder(m_store.folder());
    return std::nullopt;
}

MaybeError RecordDeletion::syncTemp(const DataStore::BlockFn* readBack, bool* readBackComplete) {
    if (readBackComplete)
        *readBackComplete = false;
    if (!readBack)
        return m_temp.sync();
    // The flush waits for the disk; read the new records back from the page cache meanwhile.
    MaybeError syncError;
    std::thread syncer;
    try {
        syncer = std::thread([this, &syncError] { syncError = m_temp.sync(); });
    } catch (const std::system_error&) {
        syncError = m_temp.sync();
    }
    const MaybeError readError = readRecordBlocks(m_temp, m_count - 1, *readBack);
    if (syncer.joinable())
        syncer.join();
    if (syncError)
        return syncError;
    if (readBackComplete)
        *readBackComplete = !readError;
    return std::nullopt;
}

void RecordDeletion::cancel() {
    m_data.close();
    m_temp.close();
}
