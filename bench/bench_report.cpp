// ezr-report on generated groups of 10,000, 100,000 and 1,000,000 members, each run a process
// of its own as a user starts it: the text report against `cat` of the same files, the CSV
// table, the workbook and the SPSS and Stata files against the text report, a chosen group's
// table against the whole group's, and each run's peak memory (the maximum resident set, as
// GNU time reports it) in the counter peak_MiB. GNU time rather than this
// program's own wait4: a child started from this program counts this program's memory as its
// own until it runs the command.
//
//   EZR_BENCH_GROUPS=/tmp/groups build/bin/ezr_bench_report [--benchmark_filter=REGEX]

#include "GeneratedGroup.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <zlib.h>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct Run {
    double seconds = 0.0;
    double peakMiB = 0.0;
};

// Runs the command to its end under GNU time; a failing one ends the benchmark program.
Run runCommand(const QList<QByteArray>& command) {
    const QTemporaryDir dir;
    const QByteArray peakFile = (dir.path() + QStringLiteral("/peak")).toLocal8Bit();
    QList<QByteArray> arguments{"/usr/bin/time", "-f", "%M", "-o", peakFile};
    arguments += command;
    QList<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.append(const_cast<char*>(argument.constData()));
    argv.append(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    Run run;
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", command.first().constData());
        std::exit(1);
    }
    QFile peak(QString::fromLocal8Bit(peakFile));
    if (peak.open(QIODevice::ReadOnly))
        run.peakMiB = peak.readAll().trimmed().toDouble() / 1024.0; // kilobytes
    return run;
}

QByteArray dataOf(int members) {
    return (bench::generatedGroupRoot(members) + QStringLiteral("Data")).toLocal8Bit();
}

void report(benchmark::State& state, const QList<QByteArray>& command) {
    double peak = 0.0;
    for (auto _ : state) {
        const Run run = runCommand(command);
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMiB);
    }
    state.counters["peak_MiB"] = peak;
    state.counters["members"] = double(state.range(0));
}

// The floor: every member's bytes read by cat, in batches as xargs hands them over.
void CatMembers(benchmark::State& state) {
    const QByteArray data = dataOf(int(state.range(0)));
    report(state, {"sh", "-c", "cd \"$1\" && find . -type f -print0 | xargs -0 cat > /dev/null",
                   "sh", data});
}

enum Format { Text, Csv, Workbook, Spss, Stata };

void GroupReport(benchmark::State& state) {
    const QByteArray data = dataOf(int(state.range(0)));
    const QTemporaryDir out;
    static const char* const extensions[] = {"txt", "csv", "xlsx", "sav", "dta"};
    const QByteArray extension = extensions[state.range(1)];
    report(state, {EZR_REPORT_EXE, "--group", data, "--sex", "male", "--format", extension, "-o",
                   (out.path() + QStringLiteral("/group.")).toLocal8Bit() + extension});
}

// The ways of choosing members (or of leaving the names out) that each make a table of less
// than the whole folder, every one written as a plain group's is.
enum Choice { Where, Codes, SkipDamaged, Anonymous, NormFile };

// A codes file of every tenth member, and a norm of the group's own saved by ezr-report.
QList<QByteArray> choiceArguments(int choice, int members, const QTemporaryDir& out) {
    switch (choice) {
    case Where:
        return {"--where", "sex=female,age=20-60"};
    case Codes: {
        QByteArray codes;
        for (int i = 0; i < members; i += 10)
            codes += ezr::generatedExaminee(bench::GroupSeed, i).code.toUtf8() + '\n';
        const QString path = out.filePath(QStringLiteral("codes.txt"));
        bench::writePlainly(path, codes);
        return {"--codes", path.toLocal8Bit()};
    }
    case SkipDamaged:
        return {"--skip-damaged"};
    case Anonymous:
        return {"--anonymous"};
    case NormFile:
        break;
    }
    const QByteArray norm = out.filePath(QStringLiteral("norm.json")).toLocal8Bit();
    runCommand({EZR_REPORT_EXE, "--group", dataOf(members), "--sex", "male", "--save-norm", norm,
                "--norm-name", "bench", "-o", out.filePath(QStringLiteral("x.txt")).toLocal8Bit()});
    return {"--norm-file", norm};
}

// A chosen group's CSV (range 2: 0) or SPSS file (1); compare with GroupReport's whole group.
void ChosenGroupTable(benchmark::State& state) {
    const int members = int(state.range(0));
    const QTemporaryDir out;
    QList<QByteArray> command{EZR_REPORT_EXE, "--group", dataOf(members)};
    const QList<QByteArray> chosen = choiceArguments(int(state.range(1)), members, out);
    if (state.range(1) != NormFile)
        command += QList<QByteArray>{"--sex", "male"};
    command += chosen;
    const QByteArray extension = state.range(2) == 0 ? "csv" : "sav";
    command += QList<QByteArray>{"--format", extension, "-o",
                                 out.filePath(QStringLiteral("group.")).toLocal8Bit() + extension};
    report(state, command);
}

// The floor of the workbook: the same XML parts ezr-report packs (taken out of its workbook
// with unzip) deflated by zlib in this process, at the library's default level (range 1: 6)
// and at the level the program packs with (1). Compare with GroupReport's text report.
QList<QByteArray> workbookParts(int members) {
    const QTemporaryDir out;
    const QByteArray book = out.filePath(QStringLiteral("group.xlsx")).toLocal8Bit();
    runCommand({EZR_REPORT_EXE, "--group", dataOf(members), "--sex", "male", "--format", "xlsx",
                "-o", book});
    const auto output = [](const QByteArray& command) {
        QByteArray bytes;
        FILE* pipe = ::popen(command.constData(), "r");
        char buffer[1 << 16];
        for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            bytes.append(buffer, qsizetype(n));
        if (pipe)
            ::pclose(pipe);
        return bytes;
    };
    QList<QByteArray> parts;
    for (const QByteArray& name : output("unzip -Z1 '" + book + "'").split('\n'))
        if (!name.isEmpty())
            parts.append(output("unzip -p '" + book + "' '" + name + "'"));
    return parts;
}

void WorkbookDeflateFloor(benchmark::State& state) {
    const QList<QByteArray> parts = workbookParts(int(state.range(0)));
    const int level = int(state.range(1));
    double bytesIn = 0.0;
    double bytesOut = 0.0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        bytesIn = bytesOut = 0.0;
        for (const QByteArray& part : parts) {
            uLongf length = compressBound(uLong(part.size()));
            QByteArray packed(qsizetype(length), Qt::Uninitialized);
            compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
                      reinterpret_cast<const Bytef*>(part.constData()), uLong(part.size()), level);
            bytesIn += double(part.size());
            bytesOut += double(length);
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["xml_MiB"] = bytesIn / 1048576.0;
    state.counters["packed_MiB"] = bytesOut / 1048576.0;
}

// A million members take a minute a run: once each.
void sizes(benchmark::internal::Benchmark* b, bool withFormats, bool large) {
    for (const int members : {10000, 100000, 1000000}) {
        if ((members >= 1000000) != large)
            continue;
        if (!withFormats)
            b->Args({members});
        else
            for (const int format : {Text, Csv, Workbook, Spss, Stata})
                b->Args({members, format});
    }
    b->Iterations(large ? 1 : 3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void choices(benchmark::internal::Benchmark* b) {
    for (const int members : {10000, 100000})
        for (const int choice : {Where, Codes, SkipDamaged, Anonymous, NormFile})
            for (const int format : {0, 1})
                b->Args({members, choice, format});
    b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(CatMembers)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, false, false); });
BENCHMARK(GroupReport)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, true, false); });
BENCHMARK(ChosenGroupTable)->Apply(choices);
BENCHMARK(WorkbookDeflateFloor)
    ->ArgsProduct({{10000, 100000}, {6, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CatMembers)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, false, true); });
BENCHMARK(GroupReport)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, true, true); });

} // namespace

BENCHMARK_MAIN();
