// The list of examinees over folders of 10,000 and 100,000 response files, offscreen: from the
// command to the last row shown, in the order chosen, with the longest stall of the window's
// event loop meanwhile and the time until the first rows are there; one entry read and checked;
// filtering and sorting the whole list, again with the longest stall.
//
//   build/bin/ezr_bench_examineelist [--benchmark_filter=REGEX]
//
// The folders are generated first (see GeneratedGroup.h; EZR_BENCH_GROUPS keeps them for later
// runs). EZR_BENCH_LIST_DIR names a folder of response files to use instead, for every size.

#include "ExamineeListModel.h"
#include "ExamineeListWindow.h"
#include "ExamineeListing.h"
#include "GeneratedGroup.h"
#include "Regional.h"
#include "StallProbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace {

ExamineeListWindow* list = nullptr;

QString folderOf(int size) {
    const QString given = qEnvironmentVariable("EZR_BENCH_LIST_DIR");
    return given.isEmpty() ? bench::generatedGroupRoot(size) + QStringLiteral("Data") : given;
}

// The list has settled: the folder read and the rows in the order and filter chosen.
bool settled() {
    return !list->listing() && !list->rows()->arranging();
}

void waitUntilSettled() {
    while (!settled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Lists `folder` to the end; the time until the first rows are shown goes to `firstRows`.
void listToTheEnd(const QString& folder, qint64& firstRows) {
    QElapsedTimer clock;
    clock.start();
    firstRows = -1;
    list->listFolder(folder);
    while (!settled() || firstRows < 0) {
        if (firstRows < 0 && list->rows()->rowCount() > 0)
            firstRows = clock.nsecsElapsed();
        if (!settled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        else if (firstRows < 0)
            firstRows = clock.nsecsElapsed();
    }
}

// The folder of `size` listed, every row shown: a filter left by an earlier benchmark, which
// alternates, is taken off.
void ensureListed(int size) {
    const QString folder = folderOf(size);
    if (list->folder() != folder || list->listing() || list->table()->rowCount() == 0) {
        qint64 firstRows = 0;
        listToTheEnd(folder, firstRows);
    }
    if (!list->rows()->memberFilter().choosesAll() || list->rows()->onlyDoubtful()) {
        list->rows()->setMemberFilter({});
        waitUntilSettled();
    }
}

bench::Stalls worst(const bench::Stalls& a, const bench::Stalls& b) {
    return {std::max(a.wall, b.wall), std::max(a.busy, b.busy)};
}

// The longest stall by the clock, and by the window thread's own work.
void report(benchmark::State& state, const bench::Stalls& longest) {
    state.counters["longest_stall_ms"] = double(longest.wall) / 1e6;
    state.counters["longest_busy_ms"] = double(longest.busy) / 1e6;
}

void BM_ListFolder(benchmark::State& state) {
    const QString folder = folderOf(int(state.range(0)));
    bench::Stalls longest;
    qint64 firstRows = 0;
    for (auto _ : state)
        longest = worst(longest, bench::stalls([&] { listToTheEnd(folder, firstRows); }));
    state.counters["entries"] = double(list->table()->rowCount());
    report(state, longest);
    state.counters["first_rows_ms"] = double(firstRows) / 1e6;
}
BENCHMARK(BM_ListFolder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadEntry(benchmark::State& state) {
    const QString folder = folderOf(10000);
    const QString name = QDir(folder).entryList(QDir::Files).value(0);
    for (auto _ : state) {
        ExamineeEntry entry = readExamineeEntry(folder, name);
        benchmark::DoNotOptimize(entry);
    }
}
BENCHMARK(BM_ReadEntry)->Unit(benchmark::kMicrosecond);

// `change`, then waiting until the list shows its result: the longest stall meanwhile.
template <typename Change> void measureChange(benchmark::State& state, const Change& change) {
    ensureListed(int(state.range(0)));
    bench::Stalls longest;
    int step = 0;
    for (auto _ : state) {
        longest = worst(longest, bench::stalls([&] {
                            change(step++);
                            waitUntilSettled();
                        }));
    }
    report(state, longest);
}

// Women of 30 to 45, then everybody again.
void BM_FilterSexAndAge(benchmark::State& state) {
    ezr::MemberFilter women;
    women.sex = QStringLiteral("Женский");
    women.minAge = 30;
    women.maxAge = 45;
    measureChange(state, [&](int step) {
        list->rows()->setMemberFilter(step % 2 == 0 ? women : ezr::MemberFilter());
    });
}
BENCHMARK(BM_FilterSexAndAge)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FilterText(benchmark::State& state) {
    ezr::MemberFilter text;
    text.text = QStringLiteral("павлова");
    measureChange(state, [&](int step) {
        list->rows()->setMemberFilter(step % 2 == 0 ? text : ezr::MemberFilter());
    });
}
BENCHMARK(BM_FilterText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// By name and back by file, rising and falling in turn: each sort a column not sorted before
// in this listing the first time round.
void BM_SortByName(benchmark::State& state) {
    measureChange(state, [&](int step) {
        const int column =
            step % 2 == 0 ? ExamineeListModel::NameColumn : ExamineeListModel::FileColumn;
        list->view()->sortByColumn(column,
                                   (step / 2) % 2 == 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
}
BENCHMARK(BM_SortByName)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The first half of the rows by file name selected, as a Shift+click selects them, then sorted
// by name and back by file: the selection, scattered over thousands of ranges by the names,
// follows its entries to their new places.
void BM_SortWithHalfSelected(benchmark::State& state) {
    ensureListed(int(state.range(0)));
    list->view()->sortByColumn(ExamineeListModel::FileColumn, Qt::AscendingOrder);
    waitUntilSettled();
    const int half = list->rows()->rowCount() / 2;
    QItemSelectionModel* selection = list->view()->selectionModel();
    selection->select(
        QItemSelection(list->rows()->index(0, 0),
                       list->rows()->index(half - 1, ExamineeListModel::ColumnCount - 1)),
        QItemSelectionModel::ClearAndSelect);
    qsizetype ranges = 0;
    measureChange(state, [&](int step) {
        ranges = std::max(ranges, selection->selection().size());
        list->view()->sortByColumn(step % 2 == 0 ? ExamineeListModel::NameColumn
                                                 : ExamineeListModel::FileColumn,
                                   Qt::AscendingOrder);
    });
    int selected = 0;
    for (const QItemSelectionRange& range : selection->selection())
        selected += range.height();
    state.counters["selected"] = selected;
    state.counters["ranges"] = double(ranges);
    selection->clearSelection();
}
BENCHMARK(BM_SortWithHalfSelected)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    // The generated response files carry the decimal comma of the Russian settings.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    list = new ExamineeListWindow;
    list->show();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete list;
    return 0;
}
