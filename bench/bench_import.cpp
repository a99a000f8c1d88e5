// A table of 1,000 examinees into response files: reading and checking the table, and the
// whole import with its verified writes into an empty data folder. Then the two costs of
// writing into a data folder that grow with it if done wrong: one verified write into a
// folder of N files (leftovers are looked for once per folder and run, so the time per write
// should not depend on N), and an import of 5,000 rows against reading the same 5,000 files
// back as a group (the import syncs its files in batches).
//
//   build/bin/ezr_bench_import

#include "Analysis.h"
#include "ImportTable.h"
#include "SampleMaker.h"
#include "SheetFiles.h"
#include "VerifiedWrite.h"

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
    for (int i = 0; i < rows; ++i) {
        ezr::AnswerSheet sheet = ezr::answerSheetOf(ezr::generatedExaminee(2026u, i));
        // Generated tests reach the end of 2026; the import takes no test date after tomorrow.
        sheet.testDate = QStringLiteral("15.06.2025");
        lines << ezr::importLine(sheet, true);
    }
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

// 200 verified writes into a folder that already holds N other files: the first write of the
// run looks at the folder once, every later one goes straight to its file.
void BM_WriteIntoFolderOfN(benchmark::State& state) {
    const int others = int(state.range(0));
    QTemporaryDir dir;
    if (!ezr::writeGeneratedFiles(dir.path(), others, 2026u))
        std::abort();
    const QByteArray bytes = ezr::makeResponseFile(ezr::generatedExaminee(7u, 0));
    constexpr int Writes = 200;
    for (auto _ : state) {
        for (int i = 0; i < Writes; ++i)
            ezr::writeDataFileVerified(dir.filePath(QStringLiteral("new%1.cry").arg(i)), bytes);
    }
    state.SetItemsProcessed(state.iterations() * Writes);
}
BENCHMARK(BM_WriteIntoFolderOfN)->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr int LargeTable = 5000;

void BM_Import5000(benchmark::State& state) {
    const ezr::ImportTable table = ezr::parseImportTable(generatedTable(LargeTable));
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    for (auto _ : state) {
        state.PauseTiming();
        folders.push_back(std::make_unique<QTemporaryDir>());
        state.ResumeTiming();
        const ezr::ImportOutcome outcome =
            ezr::importRows(table, folders.back()->path(), false, state.range(0) != 0);
        if (outcome.written.size() != LargeTable)
            std::abort();
    }
    state.SetItemsProcessed(state.iterations() * LargeTable);
}
BENCHMARK(BM_Import5000)
    ->ArgName("all_or_nothing")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The same 5,000 files read back as a group: the yardstick of the import.
void BM_ReadGroup5000(benchmark::State& state) {
    QTemporaryDir dir;
    if (ezr::importRows(ezr::parseImportTable(generatedTable(LargeTable)), dir.path(), false, false)
            .written.size() != LargeTable)
        std::abort();
    for (auto _ : state) {
        const ezr::AnalysisState group = ezr::groupAnalysis(
            dir.path(), ezr::NormKind::Sex, QString(), nullptr, {}, ezr::GroupKeeps::Names);
        benchmark::DoNotOptimize(group.record.scores);
    }
    state.SetItemsProcessed(state.iterations() * LargeTable);
}
BENCHMARK(BM_ReadGroup5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
