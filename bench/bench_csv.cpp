// The CSV export and import on their own, without the window: the file work a click on the menu
// item costs, the list reload after an import not included.
#include "benchmarks.h"
#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "csvfiles.h"
#include "registers.h"
#include "store/datastore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace benchutil;

namespace {

void exportAll(benchmark::State& state) {
    const qint64 count = state.range(0);
    const DataStore store(benchfiles::registerFolder(count));
    QTemporaryDir out(QDir::tempPath() + QStringLiteral("/zelvanor-bench-export-XXXXXX"));
    const QString target = out.filePath(QStringLiteral("lista.csv"));
    for (auto _ : state) {
        Stopwatch t;
        const MaybeError err = exportCsv(store, target);
        state.SetIterationTime(t.seconds());
        if (err)
            return fail(state, err->message());
        if (benchfiles::fileLength(target) != count * kExportLineSize)
            return fail(state, QStringLiteral("the export file has the wrong length"));
    }
}

void importAll(benchmark::State& state, TextEncoding encoding) {
    const qint64 count = state.range(0);
    const QString file = benchfiles::importFile(count, encoding);
    benchfiles::readWhole(file); // into the page cache, as a file just saved would be
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/zelvanor-bench-import-XXXXXX"));
    const DataStore store(folder.path());
    QFile(store.dataPath()).open(QIODevice::WriteOnly);
    for (auto _ : state) {
        if (const QString e = benchfiles::truncateSynced(store.dataPath(), 0); !e.isEmpty())
            return fail(state, e);
        Stopwatch t;
        const CsvImportResult r = importCsv(store, file);
        state.SetIterationTime(t.seconds());
        if (r.error)
            return fail(state, r.error->message());
        if (r.added != count)
            return fail(state, QStringLiteral("%1 contacts imported").arg(r.added));
    }
}

void importWindows1250(benchmark::State& state) {
    importAll(state, TextEncoding::Windows1250);
}
void importUtf8(benchmark::State& state) {
    importAll(state, TextEncoding::Utf8);
}

} // namespace

void registerCsvBenchmarks(const Sizes& run) {
    add("Csv_Export", exportAll, {100000, 1000000}, run);
    add("Csv_Import_Windows1250", importWindows1250, {100000, 1000000}, run);
    add("Csv_Import_Utf8", importUtf8, {100000, 1000000}, run);
}
