// Aligning the records of the last sync with today's register.
#include "benchmarks.h"
#include "generator.h"

#include "sync/alignment.h"

using namespace benchutil;

namespace {

std::vector<Record> generated(qint64 count, std::uint64_t seed) {
    contactgen::RegisterGenerator generator(seed);
    std::vector<Record> records;
    records.reserve(static_cast<size_t>(count));
    for (qint64 i = 0; i < count; ++i)
        records.push_back(generator.next());
    return records;
}

// A day's work on the register: every hundredth record changed in place, every two-hundredth
// removed (offset, so that no record is both), and one in a hundred appended.
std::vector<Record> worked(const std::vector<Record>& synced) {
    std::vector<Record> today;
    today.reserve(synced.size() + synced.size() / 100);
    for (size_t i = 0; i < synced.size(); ++i) {
        if (i % 200 == 50)
            continue;
        Record r = synced[i];
        if (i % 100 == 0)
            r.setField(Field::Megj, QStringLiteral("új megjegyzés"));
        today.push_back(r);
    }
    const std::vector<Record> added =
        generated(static_cast<qint64>(synced.size() / 100), contactgen::kDefaultSeed + 1);
    today.insert(today.end(), added.begin(), added.end());
    return today;
}

void align(benchmark::State& state, bool changed) {
    const qint64 count = state.range(0);
    const std::vector<Record> synced = generated(count, contactgen::kDefaultSeed);
    const std::vector<Record> today = changed ? worked(synced) : synced;
    const auto expectedAdded = static_cast<size_t>(changed ? count / 100 : 0);
    for (auto _ : state) {
        Stopwatch t;
        const cardsync::Alignment alignment = cardsync::alignRecords(synced, today);
        state.SetIterationTime(t.seconds());
        if (alignment.added.size() != expectedAdded)
            return fail(state, QStringLiteral("%1 new records").arg(alignment.added.size()));
    }
}

void alignUnchanged(benchmark::State& state) {
    align(state, false);
}

void alignWorked(benchmark::State& state) {
    align(state, true);
}

} // namespace

void registerSyncBenchmarks(const Sizes& run) {
    add("Sync_AlignUnchanged", alignUnchanged, {10000, 100000, 1000000}, run);
    add("Sync_AlignWorked", alignWorked, {10000, 100000, 1000000}, run);
}
