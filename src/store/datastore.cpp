#include "store/datastore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

namespace {

// About 1.1 MB a read: small enough that a block is still in the processor's cache when it
// is matched and copied into the list, after the read has brought it there.
constexpr qint64 kBlockRecords = 4096;

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
    file.adviseSequential();
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

MaybeError DataStore::forEachRecord(const BlockFn& fn) const {
    qint64 length = 0;
    return forEachRecord(fn, length);
}

MaybeError DataStore::forEachRecord(const BlockFn& fn, qint64& length) const {
    length = 0;
    DataFile file;
    if (auto err = file.open(dataPath(), DataFile::Access::Read))
        return err;
    if (auto err = file.length(length))
        return err;
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

MaybeError DataStore::append(const Record& record) {
    qint64 recNo = 0;
    return append(record, recNo);
}

MaybeError DataStore::append(const Record& record, qint64& recNo) {
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
        MaybeError undo;
        if (!oldTail.empty())
            undo = file.writeAt(offset, oldTail.data(), static_cast<qint64>(oldTail.size()));
        if (!undo)
            undo = file.truncate(length);
        if (!undo)
            undo = file.sync();
        if (undo)
            err->state = StoreError::State::MayBeDamaged;
        return err;
    }
    recNo = n;
    return finishWrite(file);
}

MaybeError DataStore::finishWrite(DataFile& file) const {
    // The data is on the disk by now: what fails from here leaves the change made.
    MaybeError err = file.close();
    if (!err && file.created())
        err = DataFile::syncFolder(m_folder);
    if (err)
        err->state = StoreError::State::ChangedNotSynced;
    return err;
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
        MaybeError undo = file.writeRecord(n, old);
        if (!undo)
            undo = file.sync();
        if (undo)
            err->state = StoreError::State::MayBeDamaged;
        return err;
    }
    written = true;
    return finishWrite(file);
}

MaybeError DataStore::removeAll() {
    QString target;
    if (auto err = DataFile::resolveLink(dataPath(), target))
        return err;
    if (target != dataPath())
        return emptyLinkedFile(target);
    // A regular file goes to the desktop's trash, so that a slip can be undone; where no trash
    // takes it, it is deleted. Anything else in its place is refused by the removal as before.
    const QFileInfo info(dataPath());
    if (!(info.isFile() && QFile(dataPath()).moveToTrash())) {
        if (auto err = DataFile::remove(dataPath()))
            return err->code == ENOENT ? std::nullopt : err;
    }
    if (auto err = DataFile::syncFolder(m_folder)) {
        err->state = StoreError::State::ChangedNotSynced;
        return err;
    }
    return std::nullopt;
}

MaybeError DataStore::emptyLinkedFile(const QString& target) {
    // The link stays and keeps working: the file it points at is replaced by an empty one in
    // one rename, the way a deletion replaces it.
    const QString folder = QFileInfo(target).path();
    const QString temp = QDir(folder).filePath(QStringLiteral("xx.dat"));
    if (auto err = checkTempName(target))
        return err;
    DataFile data;
    if (auto err = data.open(target, DataFile::Access::Read))
        return err;
    DataFile empty;
    if (auto err = empty.openEmptied(temp))
        return err;
    auto fail = [&empty, &temp](StoreError err) -> MaybeError {
        empty.close();
        (void)DataFile::remove(temp);
        return err;
    };
    if (auto err = empty.copyModeFrom(data))
        return fail(*err);
    if (auto err = empty.sync())
        return fail(*err);
    if (auto err = empty.close())
        return fail(*err);
    if (auto err = DataFile::rename(temp, target))
        return fail(*err);
    (void)data.close(); // only read, and replaced by now
    if (auto err = DataFile::syncFolder(folder)) {
        err->state = StoreError::State::ChangedNotSynced;
        return err;
    }
    return std::nullopt;
}

MaybeError DataStore::checkTempName(const QString& target) {
    // A register that is itself called xx.dat would be removed to make room for its copy.
    if (QFileInfo(target).fileName() != QStringLiteral("xx.dat"))
        return std::nullopt;
    StoreError e = systemError(StoreError::Action::Create, target, 0);
    e.detail = QStringLiteral("Az adatállomány neve egyezik az ideiglenes fájl nevével.");
    return e;
}

RecordDeletion::RecordDeletion(const DataStore& store)
    : m_store(store) {}

MaybeError RecordDeletion::begin(std::vector<qint64> numbers) {
    m_numbers = std::move(numbers);
    m_records.clear();
    m_hasRecord = false;
    // Through a link, the copy is made beside the file the link points at and replaces that
    // file, so that the link keeps working.
    if (auto err = DataFile::resolveLink(m_store.dataPath(), m_target))
        return err;
    const bool linked = m_target != m_store.dataPath();
    m_targetFolder = linked ? QFileInfo(m_target).path() : m_store.folder();
    m_tempPath =
        linked ? QDir(m_targetFolder).filePath(QStringLiteral("xx.dat")) : m_store.tempPath();
    if (auto err = DataStore::checkTempName(m_target))
        return err;
    if (auto err = m_data.open(m_target, DataFile::Access::Read))
        return err;
    qint64 length = 0;
    if (auto err = m_data.length(length))
        return err;
    m_count = DataFile::recordCount(length);
    const bool valid = !m_numbers.empty() &&
                       std::adjacent_find(m_numbers.begin(), m_numbers.end(),
                                          std::greater_equal<>()) == m_numbers.end() &&
                       m_numbers.front() >= 1 && m_numbers.back() <= m_count;
    if (!valid) {
        m_data.close();
        return std::nullopt;
    }
    m_records.resize(m_numbers.size());
    for (size_t i = 0; i < m_numbers.size(); ++i) {
        bool found = false;
        if (auto err = m_data.readRecord(m_numbers[i], m_records[i], found))
            return err;
        if (!found) {
            m_records.clear();
            m_data.close();
            return std::nullopt;
        }
    }
    // A leftover xx.dat must never leak records into the result: start it empty.
    if (auto err = m_temp.openEmptied(m_tempPath)) {
        m_data.close();
        return err;
    }
    // The new file must not be readable by more people than the old one.
    if (auto err = m_temp.copyModeFrom(m_data)) {
        cancel();
        (void)DataFile::remove(m_tempPath);
        return err;
    }
    m_hasRecord = true;
    return std::nullopt;
}

MaybeError RecordDeletion::copyRange(qint64 from, qint64 to, qint64 size) {
    // Each chunk goes to the disk as soon as it is copied, so that the disk writes while the
    // rest is copied and the flush at the end has little left to wait for.
    constexpr qint64 kChunk = kRecordSize * 65536; // about 18 MB
    std::vector<char> buffer;
    for (qint64 done = 0; done < size;) {
        const qint64 n = std::min(kChunk, size - done);
        if (auto err = copyChunk(from + done, to + done, n, buffer))
            return err;
        m_temp.startWriteback(to + done, n);
        done += n;
    }
    return std::nullopt;
}

MaybeError RecordDeletion::copyChunk(qint64 from, qint64 to, qint64 size,
                                     std::vector<char>& buffer) {
    // In-kernel copy where the system offers it, plain reads and writes for the rest.
    qint64 done = 0;
    if (auto err = m_temp.copyFrom(m_data, from, to, size, done))
        return err;
    constexpr qint64 kPiece = kRecordSize * 4096;
    if (done < size)
        buffer.resize(static_cast<std::size_t>(kPiece));
    while (done < size) {
        const qint64 want = std::min(kPiece, size - done);
        qint64 got = 0;
        if (auto err = m_data.readAt(from + done, buffer.data(), want, got))
            return err;
        if (got < want) {
            StoreError e = systemError(StoreError::Action::Read, m_data.path(), 0);
            e.detail = QStringLiteral("A fájl rövidebb lett, miközben a program olvasta.");
            return e;
        }
        if (auto err = m_temp.writeAt(to + done, buffer.data(), got))
            return err;
        done += got;
    }
    return std::nullopt;
}

MaybeError RecordDeletion::commit() {
    auto fail = [this](StoreError err) -> MaybeError {
        m_data.close();
        m_temp.close();
        (void)DataFile::remove(m_tempPath);
        return err;
    };
    // The stretches between the removed records, each moved up by the records removed before.
    qint64 to = 0;
    qint64 from = 1;
    for (const qint64 n : m_numbers) {
        const qint64 size = (n - from) * kRecordSize;
        if (auto err = copyRange((from - 1) * kRecordSize, to, size))
            return fail(*err);
        to += size;
        from = n + 1;
    }
    if (auto err = copyRange((from - 1) * kRecordSize, to, (m_count - from + 1) * kRecordSize))
        return fail(*err);
    if (auto err = m_temp.sync())
        return fail(*err);
    if (auto err = m_temp.close())
        return fail(*err);
    if (auto err = DataFile::rename(m_tempPath, m_target))
        return fail(*err);
    // The replaced file was only read: how its handle closes changes nothing.
    (void)m_data.close();
    // The rename has happened: a folder that cannot be synced does not undo the deletion, but
    // the user must know that a power cut still may.
    if (auto err = DataFile::syncFolder(m_targetFolder)) {
        err->state = StoreError::State::ChangedNotSynced;
        return err;
    }
    return std::nullopt;
}

void RecordDeletion::cancel() {
    m_data.close();
    m_temp.close();
}
