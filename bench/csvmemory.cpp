// zelvanor_csvmem N...: the peak memory of a CSV import of N lines, for each N, each import in a
// fresh process of its own, so that nothing else (making the file, an earlier import) counts.
//   zelvanor_csvmem 1000 1000000
// The import file is the benchmark program's UTF-8 one (the path that holds more state).
#include "csv/csvimport.h"
#include "csvfiles.h"
#include "store/datastore.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Runs this program again with the arguments; the child's peak resident memory in KiB, or -1.
long runChild(const char* self, const char* mode, const char* arg) {
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(mode), const_cast<char*>(arg),
                    nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, self, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

int importOnce(const char* path) {
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/zelvanor-csvmem-XXXXXX"));
    const CsvImportResult r = importCsv(DataStore(folder.path()), QString::fromLocal8Bit(path));
    if (r.error) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error->message()));
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(r.added));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
        benchfiles::importFile(std::atoll(argv[2]), TextEncoding::Utf8);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--import") == 0)
        return importOnce(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s N...\n", argv[0]);
        return 2;
    }
    const char* self = "/proc/self/exe";
    char resolved[4096] = {};
    const ssize_t n = ::readlink(self, resolved, sizeof resolved - 1);
    if (n > 0)
        self = resolved;
    for (int i = 1; i < argc; ++i) {
        if (runChild(self, "--make", argv[i]) < 0) {
            std::fprintf(stderr, "cannot make the import file of %s lines\n", argv[i]);
            return 1;
        }
        const QByteArray path =
            benchfiles::importFile(std::atoll(argv[i]), TextEncoding::Utf8).toLocal8Bit();
        const long kib = runChild(self, "--import", path.constData());
        if (kib < 0) {
            std::fprintf(stderr, "the import of %s lines failed\n", argv[i]);
            return 1;
        }
        std::printf("import of %s lines: peak resident memory %ld KiB\n", argv[i], kib);
    }
    return 0;
}
