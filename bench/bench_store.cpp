// The store's own operations on Telefon.dat, without the window: what the file work alone costs.
#include "benchmarks.h"
#include "generator.h"
#include "registers.h"

#include "store/datastore.h"

#include <QTemporaryDir>

using namespace benchutil;

namespace {

void forEachRecord(benchmark::State& state) {
    const qint64 count = state.range(0);
    const DataStore store(benchfiles::registerFolder(count));
    for (auto _ : state) {
        qint64 seen = 0;
        Stopwatch t;
        const MaybeError err = store.forEachRecord([&seen](const char* records, qint64, qint64 n) {
            benchmark::DoNotOptimize(records);
            seen += n;
        });
        state.SetIterationTime(t.seconds());
        if (err || seen != count)
            return fail(state, err ? err->message() : QStringLiteral("records were missed"));
    }
}

void append(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    DataStore store(s.folder());
    contactgen::RegisterGenerator gen(7);
    for (auto _ : state) {
        const Record record = gen.next();
        qint64 recNo = 0;
        Stopwatch t;
        const MaybeError err = store.append(record, recNo);
        state.SetIterationTime(t.seconds());
        if (err)
            return fail(state, err->message());
        if (recNo != count + 1)
            return fail(state, QStringLiteral("appended as record %1").arg(recNo));
        // Keep the register at its size for the next round.
        if (const QString e = benchfiles::truncateSynced(s.dataPath(), count * kRecordSize);
            !e.isEmpty())
            return fail(state, e);
    }
}

void modify(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    DataStore store(s.folder());
    contactgen::RegisterGenerator gen(11);
    qint64 i = 0;
    for (auto _ : state) {
        const Record record = gen.next();
        // Spread over the file, so that no round finds its page just written by the one before.
        const qint64 n = (i++ * 7919 * 127) % count + 1;
        bool written = false;
        Stopwatch t;
        const MaybeError err = store.modify(n, record, written);
        state.SetIterationTime(t.seconds());
        if (err)
            return fail(state, err->message());
        if (!written)
            return fail(state, QStringLiteral("record %1 was not written").arg(n));
    }
}

void deleteOne(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    DataStore store(s.folder());
    qint64 i = 0;
    for (auto _ : state) {
        const qint64 n = (i++ * 7919 * 127) % count + 1;
        RecordDeletion deletion(store);
        Stopwatch t;
        MaybeError err = deletion.begin(n);
        if (!err && deletion.hasRecord())
            err = deletion.commit();
        state.SetIterationTime(t.seconds());
        if (err)
            return fail(state, err->message());
        if (benchfiles::fileLength(s.dataPath()) != (count - 1) * kRecordSize)
            return fail(state, QStringLiteral("the file did not lose one record"));
        if (const QString e = s.restore(); !e.isEmpty())
            return fail(state, e);
    }
}

} // namespace

void registerStoreBenchmarks(const Sizes& run) {
    add("Store_ForEachRecord", forEachRecord, {10000, 100000, 1000000}, run);
    add("Store_Append", append, {100000, 1000000}, run);
    add("Store_Modify", modify, {100000, 1000000}, run);
    add("Store_Delete", deleteOne, {100000, 1000000}, run);
}
