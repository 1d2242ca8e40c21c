#include "datafile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

int openRetrying(const QByteArray& path, int flags) {
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

DataFile::~DataFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

DataFile::DataFile(DataFile&& other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

MaybeError DataFile::open(const QString& path, Access access) {
    close();
    const QByteArray native = nativePath(path);
    // Non-blocking, so that a named pipe or device under the name cannot hang the program.
    int fd = openRetrying(native, (access == Access::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
        fd = openRetrying(native, O_RDWR | O_CREAT | O_NONBLOCK);
        if (fd < 0)
            return systemError(StoreError::Action::Create, path, errno);
    } else if (fd < 0) {
        return systemError(StoreError::Action::Open, path, errno);
    }
    return adopt(fd, path);
}

MaybeError DataFile::openExisting(const QString& path) {
    close();
    const int fd = openRetrying(nativePath(path), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return systemError(StoreError::Action::Open, path, errno);
    return adopt(fd, path);
}

// Keeps an open handle when it is a regular file, so that a named pipe or a device chosen by
// mistake is never read or written.
MaybeError DataFile::adopt(int fd, const QString& path) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        return systemError(StoreError::Action::Open, path, code);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        StoreError e =
            systemError(StoreError::Action::Open, path, S_ISDIR(st.st_mode) ? EISDIR : 0);
        if (!S_ISDIR(st.st_mode))
            e.detail = QStringLiteral("Ezen a néven nem közönséges fájl áll.");
        return e;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_path = path;
    return std::nullopt;
}

MaybeError DataFile::openEmptied(const QString& path) {
    close();
    const QByteArray native = nativePath(path);
    // Whatever had the name goes first: cutting it in place would write through a link into
    // the file it points at, which may be the data file itself.
    if (::unlink(native.constData()) != 0 && errno != ENOENT)
        return systemError(StoreError::Action::Remove, path, errno);
    const int fd = openRetrying(native, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW);
    if (fd < 0)
        return systemError(StoreError::Action::Create, path, errno);
    m_fd = fd;
    m_path = path;
    return std::nullopt;
}

MaybeError DataFile::length(qint64& bytes) const {
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return systemError(StoreError::Action::Read, m_path, errno);
    bytes = st.st_size;
    return std::nullopt;
}

bool DataFile::isSameFile(const DataFile& other) const {
    struct stat a;
    struct stat b;
    return m_fd >= 0 && other.m_fd >= 0 && ::fstat(m_fd, &a) == 0 && ::fstat(other.m_fd, &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool DataFile::isSameFile(const QString& path) const {
    struct stat a;
    struct stat b;
    return m_fd >= 0 && ::fstat(m_fd, &a) == 0 && ::stat(nativePath(path).constData(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

MaybeError DataFile::readAt(qint64 offset, char* buffer, qint64 size, qint64& got) const {
    got = 0;
    while (got < size) {
        const ssize_t n =
            ::pread(m_fd, buffer + got, static_cast<size_t>(size - got), offset + got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(StoreError::Action::Read, m_path, errno);
        }
        if (n == 0)
            break;
        got += n;
    }
    return std::nullopt;
}

MaybeError DataFile::writeAt(qint64 offset, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n =
            ::pwrite(m_fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(StoreError::Action::Write, m_path, errno);
        }
        if (n == 0)
            return systemError(StoreError::Action::Write, m_path, ENOSPC);
        done += n;
    }
    return std::nullopt;
}

MaybeError DataFile::truncate(qint64 bytes) {
    int rc;
    do {
        rc = ::ftruncate(m_fd, bytes);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return systemError(StoreError::Action::Truncate, m_path, errno);
    return std::nullopt;
}

MaybeError DataFile::sync() {
    if (::fdatasync(m_fd) != 0)
        return systemError(StoreError::Action::Flush, m_path, errno);
    return std::nullopt;
}

MaybeError DataFile::close() {
    if (m_fd < 0)
        return std::nullopt;
    const int fd = m_fd;
    m_fd = -1;
    // A failed close after a successful sync loses nothing; report it all the same.
    if (::close(fd) != 0 && errno != EINTR)
        return systemError(StoreError::Action::Write, m_path, errno);
    return std::nullopt;
}

void DataFile::closeInBackground() {
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
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

MaybeError DataFile::rename(const QString& from, const QString& to) {
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) != 0) {
        StoreError e = systemError(StoreError::Action::Rename, from, errno);
        e.target = to;
        return e;
    }
    return std::nullopt;
}

MaybeError DataFile::remove(const QString& path) {
    if (::unlink(nativePath(path).constData()) != 0)
        return systemError(StoreError::Action::Remove, path, errno);
    return std::nullopt;
}

MaybeError DataFile::syncFolder(const QString& folder) {
    const int fd = openRetrying(nativePath(folder), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return systemError(StoreError::Action::Flush, folder, errno);
    const int rc = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename itself has happened by then.
    if (rc != 0 && code != EINVAL && code != ENOTSUP)
        return systemError(StoreError::Action::Flush, folder, code);
    return std::nullopt;
}
