#include "store/posixfs.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace fsys {

namespace {

Observer* g_observer = nullptr;

int systemFlags(int flags) {
    int f = (flags & ReadWrite) ? O_RDWR : O_RDONLY;
    if (flags & Create)
        f |= O_CREAT;
    if (flags & Exclusive)
        f |= O_EXCL;
    if (flags & NonBlocking)
        f |= O_NONBLOCK;
    if (flags & NoFollow)
        f |= O_NOFOLLOW;
    if (flags & Folder)
        f |= O_DIRECTORY;
    return f | O_CLOEXEC;
}

FileStatus fileStatus(const struct stat& st) {
    FileStatus status;
    if (S_ISREG(st.st_mode))
        status.kind = FileStatus::Kind::Regular;
    else if (S_ISDIR(st.st_mode))
        status.kind = FileStatus::Kind::Folder;
    else if (S_ISLNK(st.st_mode))
        status.kind = FileStatus::Kind::Link;
    status.size = st.st_size;
    status.permissions = st.st_mode & 07777;
    status.device = static_cast<quint64>(st.st_dev);
    status.inode = static_cast<quint64>(st.st_ino);
    return status;
}

// One of the stat calls, with its answer turned into a FileStatus.
template <typename F> int statCall(FileStatus& status, F&& f) {
    struct stat st {};
    const int rc = f(st);
    if (rc == 0)
        status = fileStatus(st);
    return rc;
}

// Makes the call f under the observer's eyes, keeping errno as the call left it.
template <typename F>
qint64 watched(Call call, int fd, const QByteArray& path, F&& f,
               const QByteArray& target = QByteArray()) {
    Observer* observer = g_observer;
    if (!observer)
        return f();
    const CallInfo info{call, fd, path, target};
    if (const int injected = observer->before(info)) {
        observer->after(info, -1, injected);
        errno = injected;
        return -1;
    }
    const qint64 result = f();
    const int error = result < 0 ? errno : 0;
    observer->after(info, result, error);
    errno = error;
    return result;
}

template <typename F> qint64 retrying(F&& f) {
    qint64 r;
    do {
        r = f();
    } while (r < 0 && errno == EINTR);
    return r;
}

} // namespace

Observer* setObserver(Observer* observer) {
    Observer* previous = g_observer;
    g_observer = observer;
    return previous;
}

int open(const QByteArray& path, int flags) {
    return static_cast<int>(watched(Call::Open, -1, path, [&] {
        return retrying([&] { return ::open(path.constData(), systemFlags(flags), 0666); });
    }));
}

int close(int fd) {
    // Linux frees the handle even when close reports EINTR; never retry it.
    return static_cast<int>(watched(Call::Close, fd, {}, [&] { return ::close(fd); }));
}

int fstat(int fd, FileStatus& status) {
    return static_cast<int>(watched(Call::Stat, fd, {}, [&] {
        return statCall(status, [&](struct stat& st) { return ::fstat(fd, &st); });
    }));
}

int lstat(const QByteArray& path, FileStatus& status) {
    return static_cast<int>(watched(Call::LinkStat, -1, path, [&] {
        return statCall(status, [&](struct stat& st) { return ::lstat(path.constData(), &st); });
    }));
}

int stat(const QByteArray& path, FileStatus& status) {
    return static_cast<int>(watched(Call::Stat, -1, path, [&] {
        return statCall(status, [&](struct stat& st) { return ::stat(path.constData(), &st); });
    }));
}

QByteArray realPath(const QByteArray& path) {
    QByteArray resolved;
    watched(Call::ResolveLink, -1, path, [&]() -> qint64 {
        char buffer[PATH_MAX];
        if (!::realpath(path.constData(), buffer))
            return -1;
        resolved = QByteArray(buffer);
        return 0;
    });
    return resolved;
}

QByteArray readLink(const QByteArray& path) {
    QByteArray target;
    watched(Call::ResolveLink, -1, path, [&]() -> qint64 {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n < 0)
            return -1;
        target = QByteArray(buffer, n);
        return n;
    });
    return target;
}

int clearNonBlocking(int fd) {
    const int flags =
        static_cast<int>(watched(Call::GetFlags, fd, {}, [&] { return ::fcntl(fd, F_GETFL); }));
    if (flags < 0)
        return -1;
    return static_cast<int>(
        watched(Call::SetFlags, fd, {}, [&] { return ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK); }));
}

qint64 pread(int fd, char* buffer, qint64 size, qint64 offset) {
    return watched(Call::Read, fd, {}, [&] {
        return retrying([&] { return ::pread(fd, buffer, static_cast<size_t>(size), offset); });
    });
}

qint64 pwrite(int fd, const char* data, qint64 size, qint64 offset) {
    return watched(Call::Write, fd, {}, [&] {
        return retrying([&] { return ::pwrite(fd, data, static_cast<size_t>(size), offset); });
    });
}

qint64 copyRange(int fromFd, qint64 fromOffset, int toFd, qint64 toOffset, qint64 size) {
    return watched(Call::CopyRange, toFd, {}, [&]() -> qint64 {
#ifdef __linux__
        return retrying([&] {
            loff_t in = fromOffset;
            loff_t out = toOffset;
            return ::copy_file_range(fromFd, &in, toFd, &out, static_cast<size_t>(size), 0);
        });
#else
        Q_UNUSED(fromFd);
        Q_UNUSED(fromOffset);
        Q_UNUSED(toOffset);
        Q_UNUSED(size);
        errno = ENOSYS;
        return -1;
#endif
    });
}

int ftruncate(int fd, qint64 length) {
    return static_cast<int>(watched(
        Call::Truncate, fd, {}, [&] { return retrying([&] { return ::ftruncate(fd, length); }); }));
}

int fdatasync(int fd) {
    return static_cast<int>(watched(Call::DataSync, fd, {}, [&] { return ::fdatasync(fd); }));
}

int fsync(int fd) {
    return static_cast<int>(watched(Call::Sync, fd, {}, [&] { return ::fsync(fd); }));
}

int rename(const QByteArray& from, const QByteArray& to) {
    return static_cast<int>(watched(
        Call::Rename, -1, from, [&] { return ::rename(from.constData(), to.constData()); }, to));
}

int unlink(const QByteArray& path) {
    return static_cast<int>(
        watched(Call::Unlink, -1, path, [&] { return ::unlink(path.constData()); }));
}

int fchmod(int fd, unsigned permissions) {
    return static_cast<int>(watched(Call::Chmod, fd, {}, [&] {
        return ::fchmod(fd, static_cast<mode_t>(permissions & 07777));
    }));
}

int mkdir(const QByteArray& path) {
    return static_cast<int>(
        watched(Call::MakeFolder, -1, path, [&] { return ::mkdir(path.constData(), 0777); }));
}

int makePath(const QByteArray& path) {
    // Each folder from the top down; one that exists already is passed over.
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (!part.isEmpty() && fsys::mkdir(part) != 0 && errno != EEXIST)
            return -1;
        if (slash < 0)
            break;
    }
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return -1;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return -1;
    }
    return 0;
}

void adviseSequential(int fd) {
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#else
    Q_UNUSED(fd);
#endif
}

void startWriteback(int fd, qint64 offset, qint64 size) {
#ifdef __linux__
    ::sync_file_range(fd, offset, size, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(fd);
    Q_UNUSED(offset);
    Q_UNUSED(size);
#endif
}

} // namespace fsys
