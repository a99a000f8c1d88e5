// ezr-report on generated groups of 10,000, 100,000 and 1,000,000 members, each run a process
// of its own as a user starts it: the text report against `cat` of the same files, the CSV
// table and the workbook against the text report, and each run's peak memory (the maximum
// resident set, as GNU time reports it) in the counter peak_MiB. GNU time rather than this
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

enum Format { Text, Csv, Workbook };

void GroupReport(benchmark::State& state) {
    const QByteArray data = dataOf(int(state.range(0)));
    const QTemporaryDir out;
    static const char* const extensions[] = {"txt", "csv", "xlsx"};
    const QByteArray extension = extensions[state.range(1)];
    report(state, {EZR_REPORT_EXE, "--group", data, "--sex", "male", "--format", extension, "-o",
                   (out.path() + QStringLiteral("/group.")).toLocal8Bit() + extension});
}

// A million members take a minute a run: once each.
void sizes(benchmark::internal::Benchmark* b, bool withFormats, bool large) {
    for (const int members : {10000, 100000, 1000000}) {
        if ((members >= 1000000) != large)
            continue;
        if (!withFormats)
            b->Args({members});
        else
            for (const int format : {Text, Csv, Workbook})
                b->Args({members, format});
    }
    b->Iterations(large ? 1 : 3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(CatMembers)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, false, false); });
BENCHMARK(GroupReport)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, true, false); });
BENCHMARK(CatMembers)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, false, true); });
BENCHMARK(GroupReport)->Apply([](benchmark::internal::Benchmark* b) { sizes(b, true, true); });

} // namespace

BENCHMARK_MAIN();
