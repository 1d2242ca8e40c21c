#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <sys/stat.h>
#include <sys/types.h>

// The store's only door to the file system. Every call on the register's files goes through
// here, so that another system needs one other file, and a test can watch each call or make
// one fail. The functions behave like the system calls of the same name: -1 and errno on
// failure; open, read, write, truncate and copyRange retry an interrupted call themselves.
namespace fsys {

enum class Call {
    Open,
    Stat,
    LinkStat,
    ResolveLink,
    GetFlags,
    SetFlags,
    Read,
    Write,
    CopyRange,
    Truncate,
    DataSync, // a file's data
    Sync,     // a folder's entries
    Close,
    Rename,
    Unlink,
    Chmod,
    MakeFolder,
};

// One call as an observer sees it: the name for calls on a name (and the new name of a
// rename), the handle for calls on a handle (else -1).
struct CallInfo {
    Call call;
    int fd = -1;
    QByteArray path;
    QByteArray target;
};

// Sees every call.
class Observer {
public:
    virtual ~Observer() = default;
    // Before a call: a non-zero errno value makes the call fail with it without being made.
    virtual int before(const CallInfo& info) = 0;
    // After a call, made or failed: result is what the call returns, error its errno.
    virtual void after(const CallInfo& info, qint64 result, int error) = 0;
};

// Installs an observer for the whole process (nullptr: none) and returns the previous one.
Observer* setObserver(Observer* observer);

int open(const QByteArray& path, int flags, mode_t mode = 0666);
int close(int fd);
int fstat(int fd, struct stat& st);
int lstat(const QByteArray& path, struct stat& st);
// The file a name leads to, through any links.
int stat(const QByteArray& path, struct stat& st);
// The absolute name with every link resolved; empty, with errno set, on failure.
QByteArray realPath(const QByteArray& path);
// What a symbolic link holds; empty, with errno set, when the name is no link.
QByteArray readLink(const QByteArray& path);
int getFlags(int fd);
int setFlags(int fd, int flags);
qint64 pread(int fd, char* buffer, qint64 size, qint64 offset);
qint64 pwrite(int fd, const char* data, qint64 size, qint64 offset);
// Copies within the kernel; fails with ENOSYS where the system has no such call.
qint64 copyRange(int fromFd, qint64 fromOffset, int toFd, qint64 toOffset, qint64 size);
int ftruncate(int fd, qint64 length);
int fdatasync(int fd);
int fsync(int fd);
int rename(const QByteArray& from, const QByteArray& to);
int unlink(const QByteArray& path);
int fchmod(int fd, mode_t mode);
int mkdir(const QByteArray& path, mode_t mode = 0777);
// Creates the folder and any missing folder above it; a folder that exists is no error.
int makePath(const QByteArray& path);
// A hint that the file will be read from start to end; its outcome does not matter.
void adviseSequential(int fd);
// Starts writing a range of a file's changed pages to the disk; a hint, whose outcome the
// final sync tells. It returns once the disk has taken the work in hand, not when it is done.
void startWriteback(int fd, qint64 offset, qint64 size);

} // namespace fsys
