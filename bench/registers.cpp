#include "registers.h"

#include "generator.h"
#include "store/record.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace benchfiles {
namespace {

QString systemReason(const char* step, const QString& path, int code) {
    return QStringLiteral("%1 %2: %3")
        .arg(QString::fromUtf8(step), path, QString::fromLocal8Bit(std::strerror(code)));
}

// Closes a descriptor on every path out of a function.
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

} // namespace

QString registerFolder(qint64 count) {
    // The generator's version is part of the name: a changed generator makes new registers.
    const QString folder =
        QDir(QDir::tempPath()).filePath(QStringLiteral("zelvanor-bench-g1-%1").arg(count));
    const QString path = QDir(folder).filePath(QStringLiteral("Telefon.dat"));
    if (fileLength(path) != count * kRecordSize) {
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot create the folder %s\n", qPrintable(folder));
            std::exit(2);
        }
        QElapsedTimer t;
        t.start();
        const QString err = contactgen::writeRegister(path, count);
        if (!err.isEmpty()) {
            std::fprintf(stderr, "cannot make the register: %s\n", qPrintable(err));
            std::exit(2);
        }
        std::fprintf(stderr, "generated %lld contacts into %s in %.2f s\n",
                     static_cast<long long>(count), qPrintable(path),
                     static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    if (readWhole(path) != count * kRecordSize) {
        std::fprintf(stderr, "cannot read %s whole\n", qPrintable(path));
        std::exit(2);
    }
    return folder;
}

ScratchRegister::ScratchRegister(qint64 count)
    : m_pristine(QDir(registerFolder(count)).filePath(QStringLiteral("Telefon.dat")))
    , m_dir(QDir::tempPath() + QStringLiteral("/zelvanor-bench-scratch-XXXXXX")) {
    m_error = m_dir.isValid() ? restore() : QStringLiteral("cannot create a scratch folder");
}

QString ScratchRegister::dataPath() const {
    return m_dir.filePath(QStringLiteral("Telefon.dat"));
}

QString ScratchRegister::restore() {
    return copySynced(m_pristine, dataPath());
}

QString copySynced(const QString& from, const QString& to) {
    Fd in{::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        return systemReason("cannot open", from, errno);
    Fd out{
        ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (out.fd < 0)
        return systemReason("cannot create", to, errno);
    for (;;) {
        const ssize_t n = ::copy_file_range(in.fd, nullptr, out.fd, nullptr, 1 << 30, 0);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemReason("cannot copy to", to, errno);
    }
    if (::fdatasync(out.fd) != 0)
        return systemReason("cannot flush", to, errno);
    if (::close(out.release()) != 0)
        return systemReason("cannot close", to, errno);
    return {};
}

QString truncateSynced(const QString& path, qint64 length) {
    Fd fd{::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC)};
    if (fd.fd < 0)
        return systemReason("cannot open", path, errno);
    if (::ftruncate(fd.fd, length) != 0)
        return systemReason("cannot truncate", path, errno);
    if (::fsync(fd.fd) != 0)
        return systemReason("cannot flush", path, errno);
    if (::close(fd.release()) != 0)
        return systemReason("cannot close", path, errno);
    return {};
}

qint64 fileLength(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

qint64 readWhole(const QString& path) {
    Fd fd{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0)
        return -1;
    // The block size cat uses on this system is 128 KiB; 1 MiB is at least as fast.
    static std::vector<char> buffer(1 << 20);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd.fd, buffer.data(), buffer.size());
        if (n == 0)
            return total;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        total += n;
    }
}

bool runQuietly(const char* program, const QStringList& args) {
    std::vector<QByteArray> bytes;
    bytes.push_back(QByteArray(program));
    for (const QString& a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Memory memoryNow() {
    Memory m;
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray& line : f.readAll().split('\n')) {
        auto value = [&line](const char* key) {
            return line.mid(static_cast<qsizetype>(std::strlen(key)))
                .trimmed()
                .split(' ')
                .value(0)
                .toLongLong();
        };
        if (line.startsWith("VmRSS:"))
            m.rssKiB = value("VmRSS:");
        else if (line.startsWith("VmHWM:"))
            m.hwmKiB = value("VmHWM:");
    }
    return m;
}

void PeakGrowth::start() {
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    m_before = memoryNow();
}

void PeakGrowth::stop() {
    m_peakKiB = std::max(m_peakKiB, memoryNow().hwmKiB - m_before.rssKiB);
}

} // namespace benchfiles
