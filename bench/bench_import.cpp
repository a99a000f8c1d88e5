// A table of 1,000 examinees into response files: reading and checking the table, and the
// whole import with its verified writes into an empty data folder.
//
//   build/bin/ezr_bench_import

#include "ImportTable.h"
#include "SampleMaker.h"
#include "SheetFiles.h"

#include <QDir>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int TableRows = 1000;

QByteArray generatedTable(int rows) {
    QStringList lines = {ezr::importHeading(true)};
    for (int i = 0; i < rows; ++i)
        lines << ezr::importLine(ezr::answerSheetOf(ezr::generatedExaminee(2026u, i)), true);
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

void BM_ParseTable(benchmark::State& state) {
    const QByteArray table = generatedTable(TableRows);
    for (auto _ : state) {
        const ezr::ImportTable parsed = ezr::parseImportTable(table);
        qsizetype rows = 0;
        for (const ezr::ImportRow& row : parsed.rows())
            rows += row.problems.isEmpty() ? 1 : 0;
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * TableRows);
    state.counters["table_bytes"] = double(table.size());
}
BENCHMARK(BM_ParseTable)->Unit(benchmark::kMillisecond);

// Parse, check, and write every row as a new file, as ezr-import does.
void BM_ImportIntoEmptyFolder(benchmark::State& state) {
    const QByteArray table = generatedTable(TableRows);
    qsizetype written = 0;
    // Removing the folders is not part of the import: they go after the measurement.
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    for (auto _ : state) {
        state.PauseTiming();
        folders.push_back(std::make_unique<QTemporaryDir>());
        state.ResumeTiming();
        const ezr::ImportOutcome outcome =
            ezr::importRows(ezr::parseImportTable(table), folders.back()->path(), false, false);
        written = outcome.written.size();
        if (!outcome.refused.isEmpty() || written != TableRows)
            std::abort();
    }
    state.counters["files_written"] = double(written);
    state.SetItemsProcessed(state.iterations() * TableRows);
}
BENCHMARK(BM_ImportIntoEmptyFolder)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
