#pragma once

#include <QByteArray>
#include <QtGlobal>

// The store's only door to the file system. Every call on the register's files goes through
// here, so that a test can watch each call or make one fail. Nothing here names a system type
// or flag: posixfs.cpp speaks to POSIX systems, and another system needs one other file. The
// functions behave like the POSIX calls of the same name: -1 and errno on failure; open, read,
// write, truncate and copyRange retry an interrupted call themselves.
namespace fsys {

// How open() opens a file, combined with |; one of ReadOnly and ReadWrite.
enum OpenFlag : int {
    ReadOnly = 0,
    ReadWrite = 1 << 0,
    Create = 1 << 1,      // make the file when it is missing
    Exclusive = 1 << 2,   // with Create: fail when the name exists, even as a link
    NonBlocking = 1 << 3, // a named pipe or device cannot make the open or a read wait
    NoFollow = 1 << 4,    // fail when the name is a symbolic link
    Folder = 1 << 5,      // open a folder, to sync its entries
};

// What the system tells of a file.
struct FileStatus {
    enum class Kind { Regular, Folder, Link, Other };
    Kind kind = Kind::Other;
    qint64 size = 0;
    unsigned permissions = 0; // who may read, write and run it, as the system keeps it
    // Together they name one file, whatever names and links lead to it.
    quint64 device = 0;
    quint64 inode = 0;
};

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

// A new file may be read and written by everyone the system's file mask allows.
int open(const QByteArray& path, int flags);
int close(int fd);
int fstat(int fd, FileStatus& status);
// The name itself, a link as a link.
int lstat(const QByteArray& path, FileStatus& status);
// The file a name leads to, through any links.
int stat(const QByteArray& path, FileStatus& status);
// The absolute name with every link resolved; empty, with errno set, on failure.
QByteArray realPath(const QByteArray& path);
// What a symbolic link holds; empty, with errno set, when the name is no link.
QByteArray readLink(const QByteArray& path);
// Makes reads and writes on a handle opened with NonBlocking wait again.
int clearNonBlocking(int fd);
qint64 pread(int fd, char* buffer, qint64 size, qint64 offset);
qint64 pwrite(int fd, const char* data, qint64 size, qint64 offset);
// Copies within the kernel; fails with ENOSYS where the system has no such call.
qint64 copyRange(int fromFd, qint64 fromOffset, int toFd, qint64 toOffset, qint64 size);
int ftruncate(int fd, qint64 length);
int fdatasync(int fd);
int fsync(int fd);
int rename(const QByteArray& from, const QByteArray& to);
int unlink(const QByteArray& path);
// Gives a file the permissions that another's FileStatus tells.
int fchmod(int fd, unsigned permissions);
int mkdir(const QByteArray& path);
// Creates the folder and any missing folder above it; a folder that exists is no error.
int makePath(const QByteArray& path);
// A hint that the file will be read from start to end; its outcome does not matter.
void adviseSequential(int fd);
// Starts writing a range of a file's changed pages to the disk; a hint, whose outcome the
// final sync tells. It returns once the disk has taken the work in hand, not when it is done.
void startWriteback(int fd, qint64 offset, qint64 size);

} // namespace fsys
