// The list's sort by name without the window: the sorter's own ICU keys against the same sort
// done through QCollator. Both find the column's distinct texts the same way, collate each once
// and order the rows by the rank of their text, so the figures differ by the collation alone.
#include "benchmarks.h"
#include "registers.h"

#include "list/distincttexts.h"
#include "list/listcolumns.h"
#include "list/listsort.h"
#include "list/recordrows.h"
#include "store/cp1250.h"
#include "store/datastore.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numeric>
#include <vector>

using namespace benchutil;

namespace {

// The rows of a generated register as the list reads them, and the sorter's order of them by
// name, which every other sort must give as well. Kept for the size measured last: each
// benchmark is run several times.
struct SortInput {
    qint64 count = 0;
    RecordRows rows;
    ListVector<std::uint32_t> expected;
    std::size_t distinctNames = 0;
};

const SortInput& sortInput(qint64 count) {
    static std::unique_ptr<SortInput> input;
    if (input && input->count == count)
        return *input;
    input.reset();
    auto in = std::make_unique<SortInput>();
    in->count = count;
    const MaybeError err = DataStore(benchfiles::registerFolder(count))
                               .forEachRecord([&in](const char* records, qint64 first, qint64 n) {
                                   in->rows.addRecords(records, first, n);
                               });
    if (err) {
        std::fprintf(stderr, "cannot read the register: %s\n", qPrintable(err->message()));
        std::exit(2);
    }
    ColumnSorter sorter(ListColumn::Nev);
    in->expected = sorter.order(in->rows);
    in->distinctNames = sorter.textsKept();
    input = std::move(in);
    return *input;
}

bool sameOrder(benchmark::State& state, const SortInput& in,
               const ListVector<std::uint32_t>& order) {
    if (order.size() == in.expected.size() &&
        std::equal(order.begin(), order.end(), in.expected.begin()))
        return true;
    const auto diff =
        std::mismatch(order.begin(), order.end(), in.expected.begin(), in.expected.end());
    fail(state, QStringLiteral("the order differs from the sorter's at position %1")
                    .arg(static_cast<qint64>(diff.first - order.begin())));
    return false;
}

// CPU seconds of this thread: with other work on the machine, the wall time also holds the
// waits for a core, and this tells the sort's own work.
double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Times one sort per round, wall and CPU, and checks its order.
template <typename Sort> void timeSorts(benchmark::State& state, const SortInput& in, Sort&& sort) {
    double cpu = 0;
    for (auto _ : state) {
        const double cpuStart = threadCpuSeconds();
        Stopwatch t;
        const ListVector<std::uint32_t> order = sort();
        state.SetIterationTime(t.seconds());
        cpu += threadCpuSeconds() - cpuStart;
        if (!sameOrder(state, in, order))
            return;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

QCollator hungarianCollator() {
    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// The rows' order by name with QCollator in place of the sorter's collation: the distinct names
// numbered, each decoded and collated, the names sorted, the rows counted into place by rank.
// Names the collation holds equal are ordered by their bytes, as the sorter does.
template <typename Collate>
ListVector<std::uint32_t> orderWithCollator(const RecordRows& rows, Collate&& collate) {
    const std::size_t n = rows.size();
    DistinctTexts texts;
    std::vector<std::uint32_t> rowText(n);
    for (std::size_t i = 0; i < n; ++i)
        rowText[i] = texts.idOf(rows.bytes(i, ListColumn::Nev));
    const std::size_t m = texts.size();
    std::vector<QString> names(m);
    for (std::uint32_t id = 0; id < m; ++id) {
        const std::string_view b = texts.text(id);
        names[id] = cp1250::decode(QByteArrayView(b.data(), static_cast<qsizetype>(b.size())));
    }
    std::vector<std::uint32_t> byName(m);
    std::iota(byName.begin(), byName.end(), 0u);
    collate(names, texts, byName);
    std::vector<std::uint32_t> rank(m);
    for (std::uint32_t r = 0; r < m; ++r)
        rank[byName[r]] = r;

    std::vector<std::uint32_t> start(m + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++start[rank[rowText[i]] + 1];
    for (std::size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    ListVector<std::uint32_t> order(n);
    for (std::uint32_t i = 0; i < n; ++i)
        order[start[rank[rowText[i]]]++] = i;
    return order;
}

// What a plain sorter would do with QCollator for many texts: one sort key per distinct name.
ListVector<std::uint32_t> orderBySortKeys(const RecordRows& rows) {
    const QCollator collator = hungarianCollator();
    return orderWithCollator(rows, [&collator](const std::vector<QString>& names,
                                               const DistinctTexts& texts,
                                               std::vector<std::uint32_t>& byName) {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(names.size());
        for (const QString& name : names)
            keys.push_back(collator.sortKey(name));
        std::stable_sort(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int c = keys[a].compare(keys[b]);
            return c != 0 ? c < 0 : texts.text(a) < texts.text(b);
        });
    });
}

// The same with QCollator::compare in the sort, no keys kept.
ListVector<std::uint32_t> orderByCompare(const RecordRows& rows) {
    const QCollator collator = hungarianCollator();
    return orderWithCollator(rows, [&collator](const std::vector<QString>& names,
                                               const DistinctTexts& texts,
                                               std::vector<std::uint32_t>& byName) {
        std::stable_sort(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int c = collator.compare(names[a], names[b]);
            return c != 0 ? c < 0 : texts.text(a) < texts.text(b);
        });
    });
}

// The sorter made afresh: the first sort after the name column is chosen.
void columnSorterFirst(benchmark::State& state) {
    const SortInput& in = sortInput(state.range(0));
    timeSorts(state, in, [&in] { return ColumnSorter(ListColumn::Nev).order(in.rows); });
    state.counters["names"] = static_cast<double>(in.distinctNames);
}

// The sorter kept from the sort before, as after a reload: it collates nothing.
void columnSorterKept(benchmark::State& state) {
    const SortInput& in = sortInput(state.range(0));
    ColumnSorter sorter(ListColumn::Nev);
    (void)sorter.order(in.rows);
    timeSorts(state, in, [&] { return sorter.order(in.rows); });
}

void qcollatorSortKey(benchmark::State& state) {
    const SortInput& in = sortInput(state.range(0));
    timeSorts(state, in, [&in] { return orderBySortKeys(in.rows); });
}

void qcollatorCompare(benchmark::State& state) {
    const SortInput& in = sortInput(state.range(0));
    timeSorts(state, in, [&in] { return orderByCompare(in.rows); });
}

} // namespace

void registerSortBenchmarks(const Sizes& run) {
    const Sizes sizes = {10000, 100000, 1000000};
    add("Sort_ColumnSorter_First", columnSorterFirst, sizes, run);
    add("Sort_ColumnSorter_Kept", columnSorterKept, sizes, run);
    add("Sort_QCollator_SortKey", qcollatorSortKey, sizes, run);
    add("Sort_QCollator_Compare", qcollatorCompare, sizes, run);
}
