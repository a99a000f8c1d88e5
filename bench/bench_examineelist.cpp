// The list of examinees over a folder of 100,000 response files, offscreen: from the command to
// the last entry in the list with the longest stall of the window's event loop meanwhile, one
// entry read and checked, and filtering and sorting the whole list.
//
//   build/bin/ezr_bench_examineelist [--benchmark_filter=REGEX]
//
// The files are generated into a temporary folder first, written plainly: the verified writes
// of ezr-make-sample sync every file and take most of an hour for so many. EZR_BENCH_LIST_DIR
// names a folder of response files to use instead.

#include "ExamineeListWindow.h"
#include "ExamineeListing.h"
#include "ExamineeListModel.h"
#include "Regional.h"
#include "SampleMaker.h"
#include "StallProbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int FolderSize = 100000;

bool writeFolder(const QString& dir) {
    for (int index = 0; index < FolderSize; ++index) {
        const ezr::SampleExaminee examinee = ezr::generatedExaminee(2026u, index);
        QFile file(dir + QLatin1Char('/') + ezr::responseFileName(examinee));
        const QByteArray bytes = ezr::makeResponseFile(examinee);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

QString folder;
ExamineeListWindow* list = nullptr;

void listToTheEnd() {
    list->listFolder(folder);
    while (list->listing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_ListFolder(benchmark::State& state) {
    qint64 longest = 0;
    for (auto _ : state)
        longest = std::max(longest, bench::longestStall(listToTheEnd));
    state.counters["entries"] = double(list->table()->rowCount());
    state.counters["longest_stall_ms"] = double(longest) / 1e6;
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadEntry(benchmark::State& state) {
    const QString name = QDir(folder).entryList(QDir::Files).value(0);
    for (auto _ : state) {
        ExamineeEntry entry = readExamineeEntry(folder, name);
        benchmark::DoNotOptimize(entry);
    }
}
BENCHMARK(BM_ReadEntry)->Unit(benchmark::kMicrosecond);

// Women of 30 to 45, then everybody again: two passes over every row.
void BM_FilterSexAndAge(benchmark::State& state) {
    if (list->table()->rowCount() == 0)
        listToTheEnd();
    ezr::MemberFilter women;
    women.sex = QStringLiteral("Женский");
    women.minAge = 30;
    women.maxAge = 45;
    int shown = 0;
    for (auto _ : state) {
        list->rows()->setMemberFilter(women);
        shown = list->rows()->rowCount();
        list->rows()->setMemberFilter({});
    }
    state.counters["women_30_45"] = shown;
}
BENCHMARK(BM_FilterSexAndAge)->Unit(benchmark::kMillisecond);

void BM_FilterText(benchmark::State& state) {
    if (list->table()->rowCount() == 0)
        listToTheEnd();
    ezr::MemberFilter text;
    text.text = QStringLiteral("павлова");
    int shown = 0;
    for (auto _ : state) {
        list->rows()->setMemberFilter(text);
        shown = list->rows()->rowCount();
        list->rows()->setMemberFilter({});
    }
    state.counters["shown"] = shown;
}
BENCHMARK(BM_FilterText)->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
    if (list->table()->rowCount() == 0)
        listToTheEnd();
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        list->view()->sortByColumn(ExamineeListModel::NameColumn, order);
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
}
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    // The generated response files carry the decimal comma of the Russian settings.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    QTemporaryDir generated;
    folder = qEnvironmentVariable("EZR_BENCH_LIST_DIR");
    if (folder.isEmpty()) {
        folder = generated.path();
        std::printf("Writing %d response files ...\n", FolderSize);
        std::fflush(stdout);
        if (!writeFolder(folder)) {
            std::fprintf(stderr, "cannot write the response files into %s\n", qPrintable(folder));
            return 1;
        }
    }
    list = new ExamineeListWindow;
    list->show();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete list;
    return 0;
}
