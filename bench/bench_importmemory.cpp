// Peak memory of ezr-import for a table of 100,000 rows: junk rows (each refused with a hundred
// problems) and valid rows (read and checked in full; one refused row at the end keeps
// --all-or-nothing from writing 100,000 files). The peak resident size of the real command,
// taken from the kernel's account of the finished child (wait4's ru_maxrss), is reported as
// the counter peak_MiB; the bound is 200 MiB for any table.
//
//   build/bin/ezr_bench_importmemory

#include "ImportTable.h"
#include "SampleMaker.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int TableRows = 100000;

// The table written row by row, never whole in this process either.
void writeTable(const QString& path, bool junk) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    file.write((ezr::importHeading(true) + QStringLiteral("\r\n")).toUtf8());
    const ezr::AnswerSheet sheet = ezr::answerSheetOf(ezr::generatedExaminee(2026u, 0));
    for (int i = 0; i < TableRows; ++i) {
        if (junk) {
            file.write(QStringLiteral("x%1;y;z\r\n").arg(i).toUtf8());
            continue;
        }
        ezr::AnswerSheet row = sheet;
        row.code = QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0'));
        file.write((ezr::importLine(row, true) + QStringLiteral("\r\n")).toUtf8());
    }
    file.write("junk;at;the end\r\n");
}

// Runs ezr-import and returns its peak resident size in KiB, or -1.
long peakKiB(const QStringList& arguments) {
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes << QFile::encodeName(argument);
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1)
        return -1;
    return usage.ru_maxrss;
}

void BM_ImportPeakMemory(benchmark::State& state) {
    const bool junk = state.range(0) == 0;
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("table.csv"));
    writeTable(table, junk);
    long peak = -1;
    for (auto _ : state)
        peak = peakKiB({QStringLiteral(EZR_IMPORT_EXE), table, QStringLiteral("--data"),
                        dir.filePath(QStringLiteral("Data")), QStringLiteral("--all-or-nothing")});
    if (peak < 0)
        state.SkipWithError("ezr-import failed");
    state.SetLabel(junk ? "100000 junk rows" : "100000 valid rows");
    state.counters["peak_MiB"] = double(peak) / 1024.0;
    state.counters["table_MiB"] = double(QFile(table).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ImportPeakMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
