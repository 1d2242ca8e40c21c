// What the system itself needs for the same file: the yardsticks the search and the deletion
// are held against.
#include "benchmarks.h"
#include "registers.h"

#include "store/datastore.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <unistd.h>

using namespace benchutil;

namespace {

// One pass of read() over the file in 1 MiB blocks, the file being in the page cache.
void readOnce(benchmark::State& state) {
    const qint64 count = state.range(0);
    const QString path = DataStore(benchfiles::registerFolder(count)).dataPath();
    for (auto _ : state) {
        Stopwatch t;
        const qint64 got = benchfiles::readWhole(path);
        state.SetIterationTime(t.seconds());
        if (got != count * kRecordSize)
            return fail(state, QStringLiteral("read %1 bytes").arg(got));
    }
}

// The real cat with its output going to /dev/null, process start included.
void cat(benchmark::State& state) {
    const QString path = DataStore(benchfiles::registerFolder(state.range(0))).dataPath();
    for (auto _ : state) {
        Stopwatch t;
        const bool ok = benchfiles::runQuietly("cat", {path});
        state.SetIterationTime(t.seconds());
        if (!ok)
            return fail(state, QStringLiteral("cat failed"));
    }
}

// cp of the file into the same file system, then sync: a plain copy made durable.
void cpSync(benchmark::State& state) {
    const QString path = DataStore(benchfiles::registerFolder(state.range(0))).dataPath();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zelvanor-bench-scratch-XXXXXX"));
    if (!dir.isValid())
        return fail(state, QStringLiteral("cannot create a scratch folder"));
    const QString copy = dir.filePath(QStringLiteral("copy.dat"));
    // Nothing of earlier work waits for the disk when the first round starts.
    benchfiles::runQuietly("sync", {});
    for (auto _ : state) {
        Stopwatch t;
        const bool ok =
            benchfiles::runQuietly("cp", {path, copy}) && benchfiles::runQuietly("sync", {});
        state.SetIterationTime(t.seconds());
        if (!ok)
            return fail(state, QStringLiteral("cp or sync failed"));
        // Freeing the copy's blocks is not part of the next round.
        QFile::remove(copy);
        benchfiles::runQuietly("sync", {});
    }
}

// One record written in place and flushed with fdatasync: the least a durable change costs on
// this disk, whatever the program does around it.
void writeSync(benchmark::State& state) {
    const qint64 count = state.range(0);
    const QString path = DataStore(benchfiles::registerFolder(count)).dataPath();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zelvanor-bench-scratch-XXXXXX"));
    const QString copy = dir.filePath(QStringLiteral("Telefon.dat"));
    if (const QString e = benchfiles::copySynced(path, copy); !e.isEmpty())
        return fail(state, e);
    QFile file(copy);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(state, file.errorString());
    const QByteArray record(kRecordSize, 'x');
    qint64 round = 0;
    for (auto _ : state) {
        const qint64 offset = (round++ * 7919 * 127) % count * kRecordSize;
        Stopwatch t;
        const bool ok =
            ::pwrite(file.handle(), record.constData(), kRecordSize, offset) == kRecordSize &&
            ::fdatasync(file.handle()) == 0;
        state.SetIterationTime(t.seconds());
        if (!ok)
            return fail(state, QStringLiteral("write or fdatasync failed"));
    }
}

} // namespace

void registerBaselineBenchmarks(const Sizes& run) {
    add("Baseline_ReadOnce", readOnce, {10000, 100000, 1000000}, run);
    add("Baseline_Cat", cat, {100000, 1000000}, run);
    add("Baseline_CpSync", cpSync, {100000, 1000000}, run);
    add("Baseline_WriteSync", writeSync, {1000000}, run);
}
