// The department's archive against the data folder, on 100,000 generated tests: the import,
// the list's first page as the window asks for it (the count and 200 rows sorted by code),
// a filtered count, and the group report from the archive and from the same folder; then the
// table grown to 1,000,000 tests and the list's first page and counts timed again.
//
//   build/bin/ezr_bench_archive [--benchmark_filter=REGEX]
//   build/bin/ezr_bench_archive --benchmark_filter=Million   (the million alone; minutes)
//
// A PostgreSQL 15 cluster of its own is started in a temporary folder (as the tests do);
// EZR_BENCH_ARCHIVE_TESTS sets another number of tests.

#include "../tests/PgTestCluster.h"
#include "AnalysisError.h"
#include "ArchiveSchema.h"
#include "ArchiveStore.h"
#include "Domain.h"
#include "MemberFilter.h"
#include "PgConnection.h"
#include "Regional.h"
#include "ReportCommand.h"
#include "SampleMaker.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Fixture {
    PgTestCluster cluster;
    QTemporaryDir folder;
    std::unique_ptr<ezr::PgConnection> archive;
    int tests = 100000;
    double importSeconds = 0;
};

Fixture* fixture = nullptr;

bool writeFolder(const QString& dir, int count) {
    for (int index = 0; index < count; ++index) {
        const ezr::SampleExaminee examinee = ezr::generatedExaminee(2033u, index);
        QFile file(dir + QLatin1Char('/') + ezr::responseFileName(examinee));
        const QByteArray bytes = ezr::makeResponseFile(examinee);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

bool prepare(Fixture& f) {
    QString error;
    if (!f.cluster.start(&error) ||
        !f.cluster.sql(QStringLiteral("CREATE ROLE psy LOGIN"), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    if (!writeFolder(f.folder.path(), f.tests))
        return false;
    try {
        ezr::PgConnection admin(f.cluster.archive());
        ezr::migrateArchive(admin);
        ezr::grantUnit(admin, QStringLiteral("psy"), QStringLiteral("Отдел"));
        f.archive = std::make_unique<ezr::PgConnection>(f.cluster.archive(QStringLiteral("psy")));
        QElapsedTimer timer;
        timer.start();
        const ezr::ImportSummary summary =
            ezr::importFolder(*f.archive, f.folder.path(), QStringLiteral("Отдел"));
        f.importSeconds = double(timer.elapsed()) / 1000.0;
        std::fprintf(stderr, "import of %d tests: %.1f s (%d stored)\n", f.tests, f.importSeconds,
                     summary.stored);
        // The planner's statistics, as autovacuum would gather them on a server left alone.
        admin.exec("ANALYZE ezr.tests");
    } catch (const ezr::AnalysisError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return false;
    }
    return true;
}

// What the window asks before its first rows are on screen: one page sorted by code.
void BM_ArchiveFirstPage(benchmark::State& state) {
    for (auto _ : state) {
        ezr::ArchivePage page{ezr::ArchiveOrder::Code, false, 0, 200};
        benchmark::DoNotOptimize(ezr::listTests(*fixture->archive, {}, page));
    }
}
BENCHMARK(BM_ArchiveFirstPage)->Unit(benchmark::kMillisecond);

// The count the window shows after them.
void BM_ArchiveCount(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ezr::countTests(*fixture->archive, {}));
}
BENCHMARK(BM_ArchiveCount)->Unit(benchmark::kMillisecond);

void BM_ArchiveFilteredCount(benchmark::State& state) {
    const ezr::ArchiveSelection selection{ezr::parseWhere(QStringLiteral("sex=female,age=30-45")),
                                          {}};
    for (auto _ : state)
        benchmark::DoNotOptimize(ezr::countTests(*fixture->archive, selection));
}
BENCHMARK(BM_ArchiveFilteredCount)->Unit(benchmark::kMillisecond);

ezr::ReportRequest groupRequest(bool fromArchive) {
    ezr::ReportRequest request;
    request.mode = ezr::ReportRequest::Mode::Group;
    request.kind = ezr::NormKind::Sex;
    request.criterion = ezr::FemaleSex;
    request.choice.filter.sex = ezr::FemaleSex;
    request.input = fromArchive ? QStringLiteral("архив") : fixture->folder.path();
    request.fromArchive = fromArchive;
    request.archive = fixture->cluster.archive(QStringLiteral("psy"));
    return request;
}

// The report of the women of the 100,000, as ezr-report --where sex=female makes it.
void BM_GroupReport(benchmark::State& state) {
    const ezr::ReportRequest request = groupRequest(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(ezr::makeReport(request));
    state.SetLabel(state.range(0) ? "archive" : "folder");
}
BENCHMARK(BM_GroupReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

// The table grown to `rows` tests without importing them: copies of the stored rows, each
// with a code of its own and bytes (hence hash) of its own, made by the server in one
// statement. Done once, before the first of the million's benchmarks.
bool growTo(qint64 rows) {
    static bool grown = false;
    if (grown)
        return true;
    try {
        ezr::PgConnection admin(fixture->cluster.archive());
        const qint64 stored = admin.exec("SELECT count(*) FROM ezr.tests").number(0, 0);
        QElapsedTimer timer;
        timer.start();
        admin.exec("INSERT INTO ezr.tests (unit_id, file_name, bytes, code, name, sex, education, "
                   "test_date, birth_date, age, imported_by, imported_at) "
                   "SELECT t.unit_id, t.file_name, t.bytes || int8send(g), t.code || '.' || g, "
                   "t.name, t.sex, t.education, t.test_date, t.birth_date, t.age, t.imported_by, "
                   "t.imported_at FROM ezr.tests t "
                   "CROSS JOIN generate_series(1, ($1::bigint - 1) / $2::bigint) g "
                   "LIMIT $1::bigint - $2::bigint",
                   {ezr::PgParam::number(rows), ezr::PgParam::number(stored)});
        admin.exec("VACUUM ANALYZE ezr.tests");
        std::fprintf(
            stderr, "grown from %lld to %lld tests: %.1f s\n", static_cast<long long>(stored),
            static_cast<long long>(admin.exec("SELECT count(*) FROM ezr.tests").number(0, 0)),
            double(timer.elapsed()) / 1000.0);
    } catch (const ezr::AnalysisError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return false;
    }
    grown = true;
    return true;
}

constexpr qint64 Million = 1000000;

// What the window's fields choose, as it hands them to the server: nothing; sex and an age
// range; a text typed into "Код или Ф.И.О." that no test holds, and one that most names hold.
struct ListChoice {
    const char* label;
    ezr::ArchiveSelection selection;
};

ListChoice listChoice(std::int64_t which) {
    switch (which) {
    case 1:
        return {"sex=female,age=30-45",
                {ezr::parseWhere(QStringLiteral("sex=female,age=30-45")), {}}};
    case 2: {
        ezr::ArchiveSelection typed;
        typed.filter.text = QStringLiteral("Щукина-Нет");
        return {"text found nowhere", typed};
    }
    case 3: {
        ezr::ArchiveSelection typed;
        typed.filter.text = QStringLiteral("ов");
        return {"text in most names", typed};
    }
    default:
        return {"all", {}};
    }
}

// The window's first rows of a million tests: the page it reads before anything is shown
// (the count comes after, on a thread of its own).
void BM_MillionFirstPage(benchmark::State& state) {
    if (!growTo(Million)) {
        state.SkipWithError("the table could not be grown");
        return;
    }
    const ListChoice choice = listChoice(state.range(0));
    for (auto _ : state) {
        ezr::ArchivePage page{ezr::ArchiveOrder::Code, false, 0, 200};
        benchmark::DoNotOptimize(ezr::listTests(*fixture->archive, choice.selection, page));
    }
    state.SetLabel(choice.label);
}
BENCHMARK(BM_MillionFirstPage)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The count the window shows once it arrives, for the same choices.
void BM_MillionCount(benchmark::State& state) {
    if (!growTo(Million)) {
        state.SkipWithError("the table could not be grown");
        return;
    }
    const ListChoice choice = listChoice(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ezr::countTests(*fixture->archive, choice.selection));
    state.SetLabel(choice.label);
}
BENCHMARK(BM_MillionCount)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ezr::installRegionalDefaults();
    benchmark::Initialize(&argc, argv);
    if (!PgTestCluster::installed()) {
        std::fprintf(stderr, "%s\n", qPrintable(PgTestCluster::notInstalledMessage()));
        return 0;
    }
    Fixture f;
    if (const QByteArray n = qgetenv("EZR_BENCH_ARCHIVE_TESTS"); !n.isEmpty())
        f.tests = n.toInt();
    fixture = &f;
    if (!prepare(f))
        return 1;
    benchmark::AddCustomContext("import_seconds", std::to_string(f.importSeconds));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    f.archive.reset();
    return 0;
}
