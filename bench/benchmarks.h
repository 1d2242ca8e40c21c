#pragma once

#include <benchmark/benchmark.h>

#include <QString>
#include <QtGlobal>

#include <vector>

// The register sizes a run measures; a benchmark is registered only for those among the sizes
// it is meant for.
using Sizes = std::vector<qint64>;

void registerWindowBenchmarks(const Sizes& sizes);
void registerStoreBenchmarks(const Sizes& sizes);
void registerBaselineBenchmarks(const Sizes& sizes);
void registerAboutBenchmarks(const Sizes& sizes);
void registerCsvBenchmarks(const Sizes& sizes);
void registerVCardBenchmarks(const Sizes& sizes);
void registerSyncBenchmarks(const Sizes& sizes);
void registerSortBenchmarks(const Sizes& sizes);

// Prints the memory use of the window holding a register of count contacts, step by step, in
// a process that does nothing else; returns the exit code.
int measureMemory(qint64 count);

// Shared by the benchmark files.
namespace benchutil {

// Registers fn as name/N for every N of wanted that the run includes, timed by the benchmark
// itself (UseManualTime) and shown in milliseconds.
void add(const char* name, void (*fn)(benchmark::State&), const Sizes& wanted, const Sizes& run);

// Stops a benchmark with a reason; the run then shows an error instead of a figure.
void fail(benchmark::State& state, const QString& reason);

// Monotonic seconds since construction.
class Stopwatch {
public:
    Stopwatch();
    double seconds() const;

private:
    qint64 m_start;
};

} // namespace benchutil
