// zelvanor_bench: the program's interactive actions measured on generated registers of 10 000,
// 100 000 and 1 000 000 contacts. Besides Google Benchmark's own flags:
//   --sizes=10000,100000   measure only these register sizes
//   --memory=1000000       print the memory use of the window with that register and exit
#include "benchmarks.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace benchutil {

void add(const char* name, void (*fn)(benchmark::State&), const Sizes& wanted, const Sizes& run) {
    for (qint64 n : wanted) {
        if (std::find(run.begin(), run.end(), n) == run.end())
            continue;
        benchmark::RegisterBenchmark(name, fn)->Arg(n)->UseManualTime()->Unit(
            benchmark::kMillisecond);
    }
}

void fail(benchmark::State& state, const QString& reason) {
    state.SkipWithError(qPrintable(reason));
}

namespace {
qint64 monotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

Stopwatch::Stopwatch()
    : m_start(monotonicNanoseconds()) {}

double Stopwatch::seconds() const {
    return static_cast<double>(monotonicNanoseconds() - m_start) / 1e9;
}

} // namespace benchutil

namespace {

// The offscreen platform warns about window hints it cannot pass on, once per window built;
// the warning says nothing about the figures and would bury them.
QtMessageHandler g_previousHandler = nullptr;

void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Takes our own flags out of argv, leaving the rest to Google Benchmark and Qt.
struct Options {
    Sizes sizes = {10000, 100000, 1000000};
    qint64 memory = 0;
    bool ok = true;
};

bool parseCount(const char* text, qint64& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || v <= 0)
        return false;
    out = v;
    return *end == '\0' || *end == ',';
}

Options takeOptions(int& argc, char** argv) {
    Options o;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--sizes=", 8) == 0) {
            o.sizes.clear();
            for (const char* p = a + 8; *p;) {
                qint64 n = 0;
                if (!parseCount(p, n)) {
                    o.ok = false;
                    break;
                }
                o.sizes.push_back(n);
                p = std::strchr(p, ',');
                if (!p)
                    break;
                ++p;
            }
        } else if (std::strncmp(a, "--memory=", 9) == 0) {
            o.ok = parseCount(a + 9, o.memory) && o.ok;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return o;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = takeOptions(argc, argv);
    if (!options.ok) {
        std::fprintf(stderr, "usage: %s [--sizes=N,N,...] [--memory=N] [benchmark flags]\n",
                     argv[0]);
        return 2;
    }
    // The window needs no screen; nothing here may depend on the desktop it runs on.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_previousHandler = qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    if (options.memory > 0)
        return measureMemory(options.memory);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    registerBaselineBenchmarks(options.sizes);
    registerStoreBenchmarks(options.sizes);
    registerWindowBenchmarks(options.sizes);
    registerAboutBenchmarks(options.sizes);
    registerCsvBenchmarks(options.sizes);
    registerVCardBenchmarks(options.sizes);
    registerSyncBenchmarks(options.sizes);
    registerSortBenchmarks(options.sizes);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
