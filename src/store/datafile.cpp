#include "store/datafile.h"

#include "store/posixfs.h"

#include <QFile>

#include <cerrno>

namespace {

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

bool sameFile(const fsys::FileStatus& a, const fsys::FileStatus& b) {
    return a.device == b.device && a.inode == b.inode;
}

} // namespace

DataFile::~DataFile() {
    if (m_fd >= 0)
        fsys::close(m_fd);
}

DataFile::DataFile(DataFile&& other) noexcept
    : m_fd(other.m_fd)
    , m_created(other.m_created)
    , m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            fsys::close(m_fd);
        m_fd = other.m_fd;
        m_created = other.m_created;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

MaybeError DataFile::open(const QString& path, Access access) {
    close();
    m_created = false;
    const QByteArray native = nativePath(path);
    // Non-blocking, so that a named pipe or device under the name cannot hang the program.
    const int flags =
        (access == Access::Read ? fsys::ReadOnly : fsys::ReadWrite) | fsys::NonBlocking;
    int fd = fsys::open(native, flags);
    if (fd < 0 && errno == ENOENT) {
        // Exclusive follows no link: a link to a missing file gets no file created through it.
        fd = fsys::open(native,
                        fsys::ReadWrite | fsys::Create | fsys::Exclusive | fsys::NonBlocking);
        if (fd >= 0) {
            m_created = true;
        } else if (errno == EEXIST) {
            // Another program made the file meanwhile, or the name is a dangling link.
            fd = fsys::open(native, flags);
            if (fd < 0 && errno == ENOENT)
                return danglingLink(path);
        }
        if (fd < 0)
            return systemError(StoreError::Action::Create, path, errno);
    } else if (fd < 0) {
        return systemError(StoreError::Action::Open, path, errno);
    }
    return adopt(fd, path);
}

MaybeError DataFile::openExisting(const QString& path) {
    close();
    const int fd = fsys::open(nativePath(path), fsys::ReadOnly | fsys::NonBlocking);
    if (fd < 0)
        return systemError(StoreError::Action::Open, path, errno);
    return adopt(fd, path);
}

// Keeps an open handle when it is a regular file, so that a named pipe or a device chosen by
// mistake is never read or written.
MaybeError DataFile::adopt(int fd, const QString& path) {
    fsys::FileStatus st;
    if (fsys::fstat(fd, st) != 0) {
        const int code = errno;
        fsys::close(fd);
        return systemError(StoreError::Action::Open, path, code);
    }
    if (st.kind != fsys::FileStatus::Kind::Regular) {
        fsys::close(fd);
        const bool folder = st.kind == fsys::FileStatus::Kind::Folder;
        StoreError e = systemError(StoreError::Action::Open, path, folder ? EISDIR : 0);
        if (!folder)
            e.detail = QStringLiteral("Ezen a néven nem közönséges fájl áll.");
        return e;
    }
    if (fsys::clearNonBlocking(fd) != 0) {
        const int code = errno;
        fsys::close(fd);
        return systemError(StoreError::Action::Open, path, code);
    }
    m_fd = fd;
    m_path = path;
    return std::nullopt;
}

StoreError DataFile::danglingLink(const QString& path) {
    StoreError e = systemError(StoreError::Action::Open, path, ENOENT);
    const QByteArray target = fsys::readLink(nativePath(path));
    if (!target.isEmpty())
        e.detail = QStringLiteral("Ez a név egy hivatkozás, amely nem létező fájlra mutat: „%1”.")
                       .arg(QFile::decodeName(target));
    return e;
}

MaybeError DataFile::openEmptied(const QString& path) {
    close();
    m_created = false;
    const QByteArray native = nativePath(path);
    // Whatever had the name goes first: cutting it in place would write through a link into
    // the file it points at, which may be the data file itself.
    if (fsys::unlink(native) != 0 && errno != ENOENT)
        return systemError(StoreError::Action::Remove, path, errno);
    const int fd =
        fsys::open(native, fsys::ReadWrite | fsys::Create | fsys::Exclusive | fsys::NoFollow);
    if (fd < 0)
        return systemError(StoreError::Action::Create, path, errno);
    m_fd = fd;
    m_created = true;
    m_path = path;
    return std::nullopt;
}

MaybeError DataFile::length(qint64& bytes) const {
    fsys::FileStatus st;
    if (fsys::fstat(m_fd, st) != 0)
        return systemError(StoreError::Action::Read, m_path, errno);
    bytes = st.size;
    return std::nullopt;
}

MaybeError DataFile::copyModeFrom(const DataFile& other) {
    fsys::FileStatus st;
    if (fsys::fstat(other.m_fd, st) != 0)
        return systemError(StoreError::Action::Read, other.m_path, errno);
    if (fsys::fchmod(m_fd, st.permissions) != 0)
        return systemError(StoreError::Action::Write, m_path, errno);
    return std::nullopt;
}

bool DataFile::isSameFile(const DataFile& other, int& error) const {
    error = 0;
    fsys::FileStatus a;
    fsys::FileStatus b;
    if (m_fd < 0 || other.m_fd < 0)
        return false;
    if (fsys::fstat(m_fd, a) != 0 || fsys::fstat(other.m_fd, b) != 0) {
        error = errno;
        return false;
    }
    return sameFile(a, b);
}

bool DataFile::isSameFile(const QString& path, int& error) const {
    error = 0;
    fsys::FileStatus a;
    fsys::FileStatus b;
    if (m_fd < 0)
        return false;
    if (fsys::fstat(m_fd, a) != 0) {
        error = errno;
        return false;
    }
    if (fsys::stat(nativePath(path), b) != 0) {
        // A file that does not exist yet is not this one.
        error = errno == ENOENT ? 0 : errno;
        return false;
    }
    return sameFile(a, b);
}

MaybeError DataFile::readAt(qint64 offset, char* buffer, qint64 size, qint64& got) const {
    got = 0;
    while (got < size) {
        const qint64 n = fsys::pread(m_fd, buffer + got, size - got, offset + got);
        if (n < 0)
            return systemError(StoreError::Action::Read, m_path, errno);
        if (n == 0)
            break;
        got += n;
    }
    return std::nullopt;
}

MaybeError DataFile::writeAt(qint64 offset, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const qint64 n = fsys::pwrite(m_fd, data + done, size - done, offset + done);
        if (n < 0)
            return systemError(StoreError::Action::Write, m_path, errno);
        if (n == 0)
            return systemError(StoreError::Action::Write, m_path, ENOSPC);
        done += n;
    }
    return std::nullopt;
}

MaybeError DataFile::truncate(qint64 bytes) {
    if (fsys::ftruncate(m_fd, bytes) != 0)
        return systemError(StoreError::Action::Truncate, m_path, errno);
    return std::nullopt;
}

MaybeError DataFile::sync() {
    if (fsys::fdatasync(m_fd) != 0)
        return systemError(StoreError::Action::Flush, m_path, errno);
    return std::nullopt;
}

MaybeError DataFile::close() {
    if (m_fd < 0)
        return std::nullopt;
    const int fd = m_fd;
    m_fd = -1;
    // A failed close after a successful sync loses nothing; report it all the same.
    if (fsys::close(fd) != 0 && errno != EINTR)
        return systemError(StoreError::Action::Write, m_path, errno);
    return std::nullopt;
}

MaybeError DataFile::copyFrom(const DataFile& source, qint64 from, qint64 to, qint64 size,
                              qint64& copied) {
    copied = 0;
    while (copied < size) {
        const qint64 n =
            fsys::copyRange(source.m_fd, from + copied, m_fd, to + copied, size - copied);
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0)
            return systemError(StoreError::Action::Read, source.m_path, EIO);
        // The caller copies the rest itself where the system cannot do it.
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
            return std::nullopt;
        return systemError(StoreError::Action::Write, m_path, errno);
    }
    return std::nullopt;
}

MaybeError DataFile::readRecord(qint64 n, Record& record, bool& found) const {
    found = false;
    if (n < 1)
        return std::nullopt;
    char buffer[kRecordSize];
    qint64 got = 0;
    if (auto err = readAt(offsetOf(n), buffer, kRecordSize, got))
        return err;
    if (got == kRecordSize) {
        record = Record::fromBytes(buffer);
        found = true;
    }
    return std::nullopt;
}

MaybeError DataFile::writeRecord(qint64 n, const Record& record) {
    return writeAt(offsetOf(n), record.data(), kRecordSize);
}

void DataFile::adviseSequential() const {
    fsys::adviseSequential(m_fd);
}

void DataFile::startWriteback(qint64 offset, qint64 size) const {
    fsys::startWriteback(m_fd, offset, size);
}

MaybeError DataFile::rename(const QString& from, const QString& to) {
    if (fsys::rename(nativePath(from), nativePath(to)) != 0) {
        StoreError e = systemError(StoreError::Action::Rename, from, errno);
        e.target = to;
        return e;
    }
    return std::nullopt;
}

MaybeError DataFile::remove(const QString& path) {
    if (fsys::unlink(nativePath(path)) != 0)
        return systemError(StoreError::Action::Remove, path, errno);
    return std::nullopt;
}

MaybeError DataFile::syncFolder(const QString& folder) {
    const int fd = fsys::open(nativePath(folder), fsys::ReadOnly | fsys::Folder);
    if (fd < 0)
        return systemError(StoreError::Action::SyncFolder, folder, errno);
    const int rc = fsys::fsync(fd);
    const int code = errno;
    fsys::close(fd);
    // Some file systems cannot sync a folder and keep their entries safe without it.
    if (rc != 0 && code != EINVAL && code != ENOTSUP)
        return systemError(StoreError::Action::SyncFolder, folder, code);
    return std::nullopt;
}

MaybeError DataFile::makeFolder(const QString& folder) {
    if (fsys::makePath(nativePath(folder)) != 0)
        return systemError(StoreError::Action::CreateFolder, folder, errno);
    return std::nullopt;
}

MaybeError DataFile::resolveLink(const QString& path, QString& resolved) {
    resolved = path;
    const QByteArray native = nativePath(path);
    fsys::FileStatus st;
    if (fsys::lstat(native, st) != 0) {
        // A missing file is made by open; anything else may hide a link that must stay.
        if (errno == ENOENT)
            return std::nullopt;
        return systemError(StoreError::Action::Open, path, errno);
    }
    if (st.kind != fsys::FileStatus::Kind::Link)
        return std::nullopt;
    const QByteArray real = fsys::realPath(native);
    if (real.isEmpty())
        return errno == ENOENT ? danglingLink(path)
                               : systemError(StoreError::Action::Open, path, errno);
    resolved = QFile::decodeName(real);
    return std::nullopt;
}
