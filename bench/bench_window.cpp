// The real main window driven through its controls, as a user would. Each figure runs from the
// click (or the text change) until the list holds every row and the window has repainted.
#include "benchmarks.h"
#include "benchwindow.h"
#include "generator.h"
#include "registers.h"

#include "list/recordlistmodel.h"
#include "store/datastore.h"
#include "store/fieldmatcher.h"
#include "windows/recordlistview.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace benchutil;

namespace {

constexpr int kNameColumn = 0;
constexpr int kAddressColumn = 2;

// A row number spread over the list, different in each round.
int spreadRow(qint64 round, qint64 rows) {
    return static_cast<int>((round * 7919 * 127) % rows);
}

QString errorShown(const WindowRig& rig) {
    return QStringLiteral("the window showed an error: ") + rig.dialogs.lastMessage;
}

bool checkRows(benchmark::State& state, const WindowRig& rig, qint64 expected) {
    if (rig.dialogs.messages > 0) {
        fail(state, errorShown(rig));
        return false;
    }
    if (rig.rows() != expected) {
        fail(state,
             QStringLiteral("the list holds %1 rows instead of %2").arg(rig.rows()).arg(expected));
        return false;
    }
    return true;
}

// Building the window, which reads the whole register into the list.
void startUp(benchmark::State& state) {
    const qint64 count = state.range(0);
    const QString folder = benchfiles::registerFolder(count);
    for (auto _ : state) {
        Stopwatch t;
        auto rig = std::make_unique<WindowRig>(folder);
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, *rig, count))
            return;
        rig.reset();
        WindowRig::settle();
    }
}

// "Teljes lista": the list loader.
void beolvas(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    for (auto _ : state) {
        Stopwatch t;
        rig.cmdLista->click();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count))
            return;
    }
    state.counters["rows"] = static_cast<double>(rig.rows());
}

// The loader once the list has been sorted by name: every reload then sorts as well.
void beolvasSorted(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    rig.clickHeader(kNameColumn);
    WindowRig::settle();
    if (rig.model->sortColumn() != kNameColumn)
        return fail(state, QStringLiteral("the header click did not sort the list"));
    for (auto _ : state) {
        Stopwatch t;
        rig.cmdLista->click();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count))
            return;
    }
}

// A click on the "Név" header. Each round first sorts by address (not timed), so that the
// timed click really reorders the rows instead of finding them already in name order.
void sortByName(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    for (auto _ : state) {
        rig.clickHeader(kAddressColumn);
        WindowRig::settle();
        const QString firstBefore = rig.model->text(0, kNameColumn);
        Stopwatch t;
        rig.clickHeader(kNameColumn);
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count))
            return;
        if (rig.model->sortColumn() != kNameColumn)
            return fail(state, QStringLiteral("the header click did not sort the list"));
        benchmark::DoNotOptimize(firstBefore);
    }
}

// A mouse click on a row, which reads that record and fills the entry fields. The row is
// scrolled into view first (not timed), at a different place of the list in each round.
void rowClick(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    qint64 round = 0;
    for (auto _ : state) {
        const int row = spreadRow(round++, count);
        rig.scrollToRow(row);
        Stopwatch t;
        rig.clickRow(row);
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (rig.window.selectedRecord() != rig.model->recordNumber(row))
            return fail(state, QStringLiteral("row %1 was not chosen").arg(row));
        if (rig.txNev->text() != rig.model->text(row, kNameColumn))
            return fail(state, QStringLiteral("row %1 did not fill the name").arg(row));
    }
}

// The row click's handler alone: the signal a click gives, without the mouse events and the
// repaint around it. Tells the handler's share of the figure above.
void rowClickHandler(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    qint64 round = 0;
    for (auto _ : state) {
        const int row = spreadRow(round++, count);
        Stopwatch t;
        Q_EMIT rig.list->rowChosen(row);
        state.SetIterationTime(t.seconds());
        WindowRig::settle();
        if (rig.window.selectedRecord() != rig.model->recordNumber(row))
            return fail(state, QStringLiteral("row %1 was not chosen").arg(row));
    }
}

// How many records a name search must list: counted here straight from the file.
qint64 nameMatches(const QString& folder, const QString& text) {
    const FieldMatcher matcher(Field::Nev, text);
    qint64 matches = 0;
    (void)DataStore(folder).forEachRecord([&](const char* records, qint64, qint64 n) {
        for (qint64 i = 0; i < n; ++i)
            matches += matcher.matches(records + i * kRecordSize) ? 1 : 0;
    });
    return matches;
}

// One keystroke of the name search: Check1 ticked, the text of txNev changed. The text takes
// turns between two spellings that differ only in letter case, so that each round changes the
// text (an unchanged text starts no search) and lists the same rows.
void search(benchmark::State& state, const QString& lower) {
    const qint64 count = state.range(0);
    const QString folder = benchfiles::registerFolder(count);
    const qint64 expected = nameMatches(folder, lower);
    const QString upper = lower.toUpper();
    WindowRig rig(folder);
    rig.check1->setChecked(true);
    WindowRig::settle();
    qint64 round = 0;
    for (auto _ : state) {
        Stopwatch t;
        rig.txNev->setText(round++ % 2 ? upper : lower);
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, expected))
            return;
    }
    state.counters["rows"] = static_cast<double>(expected);
}

// A full name that only a few generated contacts carry.
void searchRare(benchmark::State& state) {
    search(state, QStringLiteral("pödör lőrinc"));
}
// A frequent start of a family name.
void searchKov(benchmark::State& state) {
    search(state, QStringLiteral("kov"));
}
// One letter that nearly every name contains: the list gets almost every row.
void searchA(benchmark::State& state) {
    search(state, QStringLiteral("a"));
}

void fillFields(WindowRig& rig, const Record& r) {
    struct Entry {
        const char* name;
        Field field;
    };
    static constexpr Entry kEntries[] = {
        {"txNev", Field::Nev},   {"txTelepules", Field::Telepules}, {"txIrszam", Field::Irszam},
        {"txCim", Field::Cim},   {"txTel1", Field::Tel1},           {"txTel2", Field::Tel2},
        {"txMegj", Field::Megj}, {"txtMail", Field::Mail},          {"txWeb", Field::Web},
    };
    for (const Entry& e : kEntries)
        requireChild<QLineEdit>(&rig.window, e.name)->setText(r.displayField(e.field));
}

// "Rögzítés": the fields are stored as a new record and the list reloaded. The file is cut back
// to its size after each round (not timed), so that every round adds to the same register.
void add(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    WindowRig rig(s.folder());
    contactgen::RegisterGenerator gen(7);
    for (auto _ : state) {
        fillFields(rig, gen.next());
        Stopwatch t;
        rig.cmdRogzit->click();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count + 1))
            return;
        if (benchfiles::fileLength(s.dataPath()) != (count + 1) * kRecordSize)
            return fail(state, QStringLiteral("the file did not grow by one record"));
        if (const QString e = benchfiles::truncateSynced(s.dataPath(), count * kRecordSize);
            !e.isEmpty())
            return fail(state, e);
    }
}

// "Módosítás" answered Yes: the clicked record is overwritten and the list reloaded.
void modify(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    DataStore store(s.folder());
    WindowRig rig(s.folder());
    qint64 round = 0;
    for (auto _ : state) {
        const int row = spreadRow(round, count);
        rig.scrollToRow(row);
        rig.clickRow(row);
        WindowRig::settle();
        const qint64 recNo = rig.window.selectedRecord();
        const QString name = QStringLiteral("Módosított Ödön %1").arg(round++);
        rig.txNev->setText(name);
        const int asked = rig.dialogs.questions;
        Stopwatch t;
        rig.cmdModosit->click();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count))
            return;
        if (rig.dialogs.questions != asked + 1)
            return fail(state, QStringLiteral("the window did not ask before modifying"));
        Record stored;
        bool found = false;
        if (store.readRecord(recNo, stored, found) || !found ||
            stored.displayField(Field::Nev) != name)
            return fail(state, QStringLiteral("record %1 was not modified").arg(recNo));
    }
}

// "Törlés" answered Yes: the file is rewritten without the clicked record and the list
// reloaded. The register is put back and the full list shown again after each round (not
// timed).
void deleteOne(benchmark::State& state) {
    const qint64 count = state.range(0);
    benchfiles::ScratchRegister s(count);
    if (!s.error().isEmpty())
        return fail(state, s.error());
    WindowRig rig(s.folder());
    qint64 round = 0;
    for (auto _ : state) {
        const int row = spreadRow(round++, count);
        rig.scrollToRow(row);
        rig.clickRow(row);
        WindowRig::settle();
        const int asked = rig.dialogs.questions;
        Stopwatch t;
        rig.cmdTorol->click();
        WindowRig::settle();
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count - 1))
            return;
        if (rig.dialogs.questions != asked + 1)
            return fail(state, QStringLiteral("the window did not ask before deleting"));
        if (benchfiles::fileLength(s.dataPath()) != (count - 1) * kRecordSize)
            return fail(state, QStringLiteral("the file did not lose one record"));
        if (const QString e = s.restore(); !e.isEmpty())
            return fail(state, e);
        rig.cmdLista->click();
        WindowRig::settle();
    }
}

// Resident memory with the whole register listed. The peak (VmHWM) covers the whole run so
// far; --memory measures it in a process of its own.
void memory(benchmark::State& state) {
    const qint64 count = state.range(0);
    const QString folder = benchfiles::registerFolder(count);
    const benchfiles::Memory before = benchfiles::memoryNow();
    benchfiles::Memory loaded;
    for (auto _ : state) {
        Stopwatch t;
        WindowRig rig(folder);
        state.SetIterationTime(t.seconds());
        if (!checkRows(state, rig, count))
            return;
        loaded = benchfiles::memoryNow();
    }
    state.counters["rss_MiB"] = static_cast<double>(loaded.rssKiB) / 1024.0;
    state.counters["window_MiB"] = static_cast<double>(loaded.rssKiB - before.rssKiB) / 1024.0;
    state.counters["hwm_MiB"] = static_cast<double>(loaded.hwmKiB) / 1024.0;
}

// "Listamező nyomtatása" with no printer installed: the whole list, 50 rows a page, written
// to a PDF file, from the click until the file is closed.
void printToPdf(benchmark::State& state) {
    const qint64 count = state.range(0);
    WindowRig rig(benchfiles::registerFolder(count));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("lista.pdf"));
    rig.dialogs.saveAs = pdf;
    auto* cmdPrint = requireChild<QPushButton>(&rig.window, "cmdPrint");
    benchfiles::PeakGrowth memory;
    for (auto _ : state) {
        QFile::remove(pdf);
        memory.start();
        Stopwatch t;
        cmdPrint->click();
        state.SetIterationTime(t.seconds());
        memory.stop();
        if (rig.dialogs.messages > 0)
            return fail(state, errorShown(rig));
        if (!QFileInfo::exists(pdf))
            return fail(state, QStringLiteral("no PDF file was written"));
    }
    state.counters["pages"] = static_cast<double>(count / 50 + 1);
    state.counters["pdf_MiB"] = static_cast<double>(QFileInfo(pdf).size()) / (1024.0 * 1024.0);
    state.counters["peak_growth_MiB"] = static_cast<double>(memory.kib()) / 1024.0;
}

} // namespace

void registerWindowBenchmarks(const Sizes& run) {
    const Sizes all = {10000, 100000, 1000000};
    const Sizes large = {100000, 1000000};
    benchutil::add("StartUp", startUp, all, run);
    benchutil::add("Beolvas", beolvas, all, run);
    benchutil::add("Beolvas_SortedByName", beolvasSorted, all, run);
    benchutil::add("SortByName", sortByName, all, run);
    benchutil::add("RowClick", rowClick, all, run);
    benchutil::add("RowClick_Handler", rowClickHandler, all, run);
    benchutil::add("Search_Rare", searchRare, large, run);
    benchutil::add("Search_Kov", searchKov, large, run);
    benchutil::add("Search_A", searchA, large, run);
    benchutil::add("Add", add, large, run);
    benchutil::add("Modify", modify, large, run);
    benchutil::add("Delete", deleteOne, large, run);
    benchutil::add("Memory", memory, {1000000}, run);
    benchutil::add("PrintToPdf", printToPdf, {10000, 100000}, run);
}

int measureMemory(qint64 count) {
    const QString folder = benchfiles::registerFolder(count);
    auto report = [](const char* step) {
        const benchfiles::Memory m = benchfiles::memoryNow();
        std::printf("%-34s VmRSS %7.1f MiB   VmHWM %7.1f MiB\n", step,
                    static_cast<double>(m.rssKiB) / 1024.0, static_cast<double>(m.hwmKiB) / 1024.0);
        std::fflush(stdout);
    };
    report("before the window");
    WindowRig rig(folder);
    report("window shown, list loaded");
    rig.cmdLista->click();
    WindowRig::settle();
    report("after Teljes lista");
    rig.clickHeader(kNameColumn);
    WindowRig::settle();
    report("after sorting by name");
    rig.cmdLista->click();
    WindowRig::settle();
    report("after Teljes lista, sorted");
    rig.check1->setChecked(true);
    rig.txNev->setText(QStringLiteral("a"));
    WindowRig::settle();
    report(qPrintable(QStringLiteral("after searching \"a\" (%1 rows)").arg(rig.rows())));
    if (rig.rows() > 0) {
        rig.scrollToRow(rig.rows() / 2);
        rig.clickRow(rig.rows() / 2);
        WindowRig::settle();
        report("after a row click");
    }
    if (rig.dialogs.messages > 0) {
        std::fprintf(stderr, "%s\n", qPrintable(errorShown(rig)));
        return 1;
    }
    return 0;
}
