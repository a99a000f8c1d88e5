// Reading and scoring of response files: one file from memory, one from disk, and a group
// directory of 10,000 files against the bare cost of reading their bytes; the group's text
// report, as ezr-report makes it, against the same floor.

#include "Analysis.h"
#include "ResponseFile.h"
#include "SampleMaker.h"
#include "Scoring.h"
#include "TextReport.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int DirectorySize = 10000;
constexpr std::uint32_t DirectorySeed = 2026u;

const QByteArray& sampleBytes() {
    static const QByteArray bytes = ezr::makeResponseFile(ezr::bundledSample().front());
    return bytes;
}

// Response files written once per run into a temporary directory, removed at exit.
class FileSet {
public:
    explicit FileSet(int count) {
        if (!dir_.isValid()) {
            std::fprintf(stderr, "cannot create a temporary directory\n");
            std::exit(1);
        }
        QString error;
        if (!ezr::writeGeneratedFiles(dir_.path(), count, DirectorySeed, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::exit(1);
        }
        const QDir listing(dir_.path());
        for (const QString& name : listing.entryList(QDir::Files, QDir::Name))
            paths_.append(listing.filePath(name));
    }
    const QStringList& paths() const { return paths_; }

private:
    QTemporaryDir dir_;
    QStringList paths_;
};

const FileSet& oneFile() {
    static const FileSet set(1);
    return set;
}

const FileSet& groupDirectory() {
    static const FileSet set(DirectorySize);
    return set;
}

void reportPerFile(benchmark::State& state, qsizetype files) {
    const auto processed = static_cast<std::int64_t>(state.iterations()) * files;
    state.SetItemsProcessed(processed);
    state.counters["time_per_file"] = benchmark::Counter(
        static_cast<double>(processed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void ParseAndScoreFromBytes(benchmark::State& state) {
    const QByteArray& bytes = sampleBytes();
    for (auto _ : state) {
        ezr::ResponseFile file = ezr::parseResponseFile(bytes);
        ezr::scoreAnswers(file.record);
        benchmark::DoNotOptimize(file.record.scores.raw.profile1);
    }
    reportPerFile(state, 1);
}
BENCHMARK(ParseAndScoreFromBytes)->Unit(benchmark::kMicrosecond);

void ReadParseScoreFromDisk(benchmark::State& state) {
    const QString path = oneFile().paths().front();
    for (auto _ : state) {
        ezr::ResponseFile file = ezr::readResponseFile(path);
        ezr::scoreAnswers(file.record);
        benchmark::DoNotOptimize(file.record.scores.raw.profile1);
    }
    reportPerFile(state, 1);
}
BENCHMARK(ReadParseScoreFromDisk)->Unit(benchmark::kMicrosecond);

void DirectoryReadParseScore(benchmark::State& state) {
    const QStringList& paths = groupDirectory().paths();
    for (auto _ : state) {
        for (const QString& path : paths) {
            ezr::ResponseFile file = ezr::readResponseFile(path);
            ezr::scoreAnswers(file.record);
            benchmark::DoNotOptimize(file.record.scores.raw.profile1);
        }
    }
    reportPerFile(state, paths.size());
}
BENCHMARK(DirectoryReadParseScore)->Unit(benchmark::kMillisecond);

// The floor under the directory benchmark: opening and reading the same files, nothing else.
void DirectoryReadBytesOnly(benchmark::State& state) {
    const QStringList& paths = groupDirectory().paths();
    for (auto _ : state) {
        for (const QString& path : paths) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                state.SkipWithError("cannot open a generated file");
                return;
            }
            const QByteArray bytes = file.readAll();
            benchmark::DoNotOptimize(bytes.constData());
        }
    }
    reportPerFile(state, paths.size());
}
BENCHMARK(DirectoryReadBytesOnly)->Unit(benchmark::kMillisecond);

// The whole text report of the group: listing, reading, summing and the report's bytes,
// keeping per member only the roster, as for ezr-report --group.
void GroupTextReport(benchmark::State& state) {
    const QString folder = QFileInfo(groupDirectory().paths().first()).path();
    for (auto _ : state) {
        const ezr::AnalysisState group =
            ezr::groupAnalysis(folder, ezr::NormKind::Sex, QStringLiteral("Мужской"), nullptr, {},
                               ezr::GroupKeeps::Roster);
        const QByteArray report = ezr::buildTextReport({group, {}});
        benchmark::DoNotOptimize(report.constData());
    }
    reportPerFile(state, groupDirectory().paths().size());
}
BENCHMARK(GroupTextReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The generated files carry decimal commas, as under the Russian settings.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
