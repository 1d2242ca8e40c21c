#include "store/appendbatch.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::size_t kBlockBytes = 4096 * kRecordSize; // about 1.1 MB a write

} // namespace

RecordAppendBatch::RecordAppendBatch(const DataStore& store)
    : m_store(store) {}

RecordAppendBatch::~RecordAppendBatch() {
    if (m_active)
        (void)rollback();
}

MaybeError RecordAppendBatch::begin() {
    if (auto err = m_file.open(m_store.dataPath(), DataFile::Access::ReadWrite))
        return err;
    if (auto err = m_file.length(m_oldLength)) {
        m_file.close();
        return err;
    }
    m_firstRecNo = DataStore::appendNumber(m_oldLength);
    const qint64 offset = DataFile::offsetOf(m_firstRecNo);
    m_writePos = std::min(offset, m_oldLength);
    m_gap = std::max<qint64>(0, offset - m_oldLength);
    m_oldTail.clear();
    if (offset < m_oldLength) {
        m_oldTail.resize(static_cast<std::size_t>(m_oldLength - offset));
        qint64 got = 0;
        if (auto err = m_file.readAt(offset, m_oldTail.data(), m_oldLength - offset, got)) {
            m_file.close();
            return err;
        }
        m_oldTail.resize(static_cast<std::size_t>(got));
    }
    m_block.clear();
    m_block.reserve(kBlockBytes + static_cast<std::size_t>(m_gap));
    m_added = 0;
    m_active = true;
    m_unchanged = true;
    return std::nullopt;
}

MaybeError RecordAppendBatch::add(const char* recordBytes) {
    if (!m_active)
        return systemError(StoreError::Action::Write, m_store.dataPath(), EBADF);
    if (m_added == 0)
        m_block.insert(m_block.end(), static_cast<std::size_t>(m_gap), ' ');
    m_block.insert(m_block.end(), recordBytes, recordBytes + kRecordSize);
    ++m_added;
    if (m_block.size() >= kBlockBytes)
        return writeBlock();
    return std::nullopt;
}

MaybeError RecordAppendBatch::writeBlock() {
    if (m_block.empty())
        return std::nullopt;
    m_unchanged = false;
    if (auto err = m_file.writeAt(m_writePos, m_block.data(), static_cast<qint64>(m_block.size())))
        return fail(*err);
    m_writePos += static_cast<qint64>(m_block.size());
    m_block.clear();
    return std::nullopt;
}

MaybeError RecordAppendBatch::commit() {
    if (!m_active)
        return systemError(StoreError::Action::Write, m_store.dataPath(), EBADF);
    if (auto err = writeBlock())
        return err;
    if (m_added > 0) {
        if (auto err = m_file.sync())
            return fail(*err);
    }
    m_active = false;
    // Everything is on the disk; a failing close cannot lose it any more.
    const bool created = m_file.created();
    (void)m_file.close();
    // A register made by this import exists for good only once its name is on the disk too.
    if (created) {
        if (auto err = DataFile::syncFolder(m_store.folder())) {
            err->state = StoreError::State::ChangedNotSynced;
            return err;
        }
    }
    return std::nullopt;
}

MaybeError RecordAppendBatch::fail(StoreError error) {
    (void)rollback();
    return error;
}

MaybeError RecordAppendBatch::rollback() {
    if (!m_active)
        return std::nullopt;
    m_active = false;
    m_block.clear();
    MaybeError err;
    if (!m_unchanged) {
        // Cutting the file first frees the space that putting the old tail back may need.
        err = m_file.truncate(m_oldLength);
        if (!err && !m_oldTail.empty())
            err = m_file.writeAt(m_oldLength - static_cast<qint64>(m_oldTail.size()),
                                 m_oldTail.data(), static_cast<qint64>(m_oldTail.size()));
        if (!err)
            err = m_file.sync();
        m_unchanged = !err;
    }
    (void)m_file.close();
    return err;
}
