// vCard export and import of whole registers, the file work included.
#include "benchmarks.h"
#include "registers.h"

#include "store/datastore.h"
#include "vcard/vcardexchange.h"
#include "vcard/vcardreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>

using namespace benchutil;

namespace {

// Writes every record of the register to path through the window's own export.
QString exportTo(const DataStore& store, const QString& path, qint64& cards) {
    const MaybeError err = exportVCard(store, path, &cards);
    return err ? err->message() : QString();
}

// The vCard file of a generated register, made once per run.
QString cardFile(qint64 count, QString& error) {
    static QTemporaryDir dir;
    static std::map<qint64, QString> made;
    if (const auto it = made.find(count); it != made.end())
        return it->second;
    const QString path = dir.filePath(QStringLiteral("kontaktok-%1.vcf").arg(count));
    qint64 cards = 0;
    error = exportTo(DataStore(benchfiles::registerFolder(count)), path, cards);
    if (error.isEmpty())
        made[count] = path;
    benchfiles::readWhole(path); // into the page cache, like the register
    return path;
}

void vcardExport(benchmark::State& state) {
    const qint64 count = state.range(0);
    const DataStore store(benchfiles::registerFolder(count));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ki.vcf"));
    for (auto _ : state) {
        qint64 cards = 0;
        Stopwatch t;
        const QString err = exportTo(store, path, cards);
        state.SetIterationTime(t.seconds());
        if (!err.isEmpty())
            return fail(state, err);
        if (cards != count)
            return fail(state, QStringLiteral("%1 cards written").arg(cards));
    }
    state.counters["MB"] = static_cast<double>(benchfiles::fileLength(path)) / 1e6;
}

// Reading only: every card turned into a record, nothing stored.
void vcardParse(benchmark::State& state) {
    const qint64 count = state.range(0);
    QString error;
    const QString path = cardFile(count, error);
    if (!error.isEmpty())
        return fail(state, error);
    for (auto _ : state) {
        qint64 cards = 0;
        Stopwatch t;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(state, file.errorString());
        const MaybeError err =
            vcard::readCards(file, path, [&cards](const Record& r) -> MaybeError {
                benchmark::DoNotOptimize(r.data());
                ++cards;
                return std::nullopt;
            });
        state.SetIterationTime(t.seconds());
        if (err)
            return fail(state, err->message());
        if (cards != count)
            return fail(state, QStringLiteral("%1 cards read").arg(cards));
    }
}

// The whole import: every card appended to a copy of the register of the same size through one
// batch, synced once; the copy is cut back between rounds, outside the timing.
void vcardImport(benchmark::State& state) {
    const qint64 count = state.range(0);
    QString error;
    const QString path = cardFile(count, error);
    if (!error.isEmpty())
        return fail(state, error);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    const DataStore store(s.folder());
    for (auto _ : state) {
        Stopwatch t;
        const VCardImportResult result = importVCard(store, path);
        state.SetIterationTime(t.seconds());
        if (result.error)
            return fail(state, result.error->message());
        if (result.added != count)
            return fail(state, QStringLiteral("%1 contacts arrived").arg(result.added));
        if (const QString e = benchfiles::truncateSynced(s.dataPath(), count * kRecordSize);
            !e.isEmpty())
            return fail(state, e);
    }
}

} // namespace

void registerVCardBenchmarks(const Sizes& run) {
    add("VCard_Export", vcardExport, {10000, 100000}, run);
    add("VCard_Parse", vcardParse, {10000, 100000}, run);
    add("VCard_Import", vcardImport, {10000, 100000}, run);
}
