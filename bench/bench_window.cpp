// The analysis window in-process, offscreen: start-up to the window shown, "Индивид" from the
// chosen file to the finished result panel, a group run through the window against the core's
// group analysis alone on the same directory (1,000 and 10,000 members), and saving the report
// and the chart pictures from the confirmed dialog to the closed file; the longest stall of the
// window's event loop during a group run, up to a million members; the PDF of one examinee.
//
//   [EZR_BENCH_GROUPS=/tmp/groups] build/bin/ezr_bench_window [--benchmark_filter=REGEX]
// (generated groups: see GeneratedGroup.h)

#include "AboutDialog.h"
#include "Analysis.h"
#include "Export.h"
#include "GeneratedGroup.h"
#include "MainWindow.h"
#include "Regional.h"
#include "SampleMaker.h"
#include "StallProbe.h"
#include "UserDialogs.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::uint32_t GroupSeed = bench::GroupSeed;

// The open dialog always answers with the same file; nothing else is asked for.
class FixedDialogs : public UserDialogs {
public:
    QString path;
    QString savePath;
    QString getOpenFileName(QWidget*, const OpenDialogRequest&) override { return path; }
    QString getSaveFileName(QWidget*, const SaveDialogRequest&) override { return savePath; }
    QString getExistingDirectory(QWidget*, const QString&, const QString&) override {
        return QString();
    }
    void showError(QWidget*, const QString& text) override {
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
        std::exit(1);
    }
    bool askQuestion(QWidget*, const QString&) override { return false; }
    void showInformation(QWidget*, const QString&) override {}
    bool showErrorOffering(QWidget* parent, const QString& text, const QString&) override {
        showError(parent, text);
        return false;
    }
    QStringList askTexts(QWidget*, const QString&, const QList<TextField>&) override { return {}; }
    std::optional<int> askNumber(QWidget*, const QString&, int, int, int) override {
        return std::nullopt;
    }
};

// Notes when the window is first shown.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(const QElapsedTimer& clock) : clock_(clock) {}
    qint64 shownAfterNs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && shownAfterNs < 0)
            shownAfterNs = clock_.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
};

struct Fixture {
    QTemporaryDir dir;
    FixedDialogs dialogs;
    MainWindow* form = nullptr;
    // A window started in each group's program directory, made when first needed.
    std::map<int, MainWindow*> groupForms;
};

Fixture* fixture = nullptr;

// One program directory per group size, each with its Data, made when first needed.
QString groupExeDir(int size) {
    return bench::generatedGroupRoot(size);
}

void makeFiles() {
    QString error;
    const QString single = fixture->dir.path() + QStringLiteral("/single");
    if (!ezr::writeGeneratedFiles(single, 1, GroupSeed, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    fixture->dialogs.path = single + QStringLiteral("/00001.cry");
}

// A window as the program starts it, on the program directory `exeDir`, its menus open.
MainWindow* startWindow(const QString& exeDir, ShowWatcher* watcher = nullptr) {
    auto* form = new MainWindow(ezr::FolderConfig(exeDir), &fixture->dialogs);
    if (watcher)
        form->installEventFilter(watcher);
    auto* about = new AboutDialog(form);
    form->setAboutDialog(about);
    form->showMaximized();
    QCoreApplication::processEvents();
    return form;
}

void openMenus(MainWindow* form) {
    form->findChild<AboutDialog*>()->confirm();
}

// A menu command, as the user chooses it.
void trigger(MainWindow* form, const char* command) {
    form->findChild<QAction*>(QLatin1String(command))->trigger();
}
void trigger(const char* command) {
    trigger(fixture->form, command);
}

MainWindow* groupWindow(int size) {
    MainWindow*& form = fixture->groupForms[size];
    if (!form) {
        form = startWindow(groupExeDir(size));
        openMenus(form);
    }
    return form;
}

void BM_IndividualInWindow(benchmark::State& state) {
    for (auto _ : state)
        trigger("mmOpen");
    benchmark::DoNotOptimize(fixture->form->analysis().comparison.chi.profile1);
}
BENCHMARK(BM_IndividualInWindow)->Unit(benchmark::kMillisecond);

// The same with the window painted afterwards: the result panel as the user first sees it.
void BM_IndividualInWindowPainted(benchmark::State& state) {
    for (auto _ : state) {
        trigger("mmOpen");
        QCoreApplication::processEvents();
        fixture->form->repaint();
    }
}
BENCHMARK(BM_IndividualInWindowPainted)->Unit(benchmark::kMillisecond);

void BM_IndividualCore(benchmark::State& state) {
    for (auto _ : state) {
        auto result = ezr::individualAnalysis(fixture->dialogs.path);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_IndividualCore)->Unit(benchmark::kMillisecond);

void BM_GroupInWindow(benchmark::State& state) {
    MainWindow* form = groupWindow(int(state.range(0)));
    for (auto _ : state)
        trigger(form, "mmSexMan");
    benchmark::DoNotOptimize(form->analysis().record.scores.raw.profile1);
}
BENCHMARK(BM_GroupInWindow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The longest stretch the window's event loop went unserved during a group run: a probe timer
// due every millisecond notes the gaps between its calls, from the command to the result shown.
void BM_GroupInWindowLongestStall(benchmark::State& state) {
    MainWindow* form = groupWindow(int(state.range(0)));
    qint64 longest = 0;
    for (auto _ : state)
        longest = std::max(longest, bench::longestStall([&] { trigger(form, "mmSexMan"); }));
    state.counters["longest_stall_ms"] = double(longest) / 1e6;
}
BENCHMARK(BM_GroupInWindowLongestStall)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// Twice each: the second run frees the first one's group as well.
BENCHMARK(BM_GroupInWindowLongestStall)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_GroupCore(benchmark::State& state) {
    const QString data = groupExeDir(int(state.range(0))) + QStringLiteral("Data");
    for (auto _ : state) {
        auto result = ezr::groupAnalysis(data, ezr::NormKind::Sex, QStringLiteral("Мужской"));
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_GroupCore)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// "Данные анализа", "Гистограмма" and "График времени" from the confirmed dialog to the closed
// file, on the analysis of one examinee with the answer-time chart shown.
void saveBenchmark(benchmark::State& state, const char* name, const char* command) {
    trigger("mmOpen");
    if (!fixture->form->findChild<QAction*>(QStringLiteral("mmPlotTime"))->isEnabled())
        trigger("mmChartAnswerT");
    fixture->dialogs.savePath = fixture->dir.path() + QLatin1Char('/') + QLatin1String(name);
    for (auto _ : state)
        trigger(command);
    fixture->dialogs.savePath.clear();
}

// The printed report of one examinee, its bytes made.
void BM_PdfOfOneExaminee(benchmark::State& state) {
    const ezr::AnalysisState examinee = ezr::individualAnalysis(fixture->dialogs.path);
    for (auto _ : state) {
        const QByteArray pdf = ezr::buildReport(ezr::ReportFormat::Pdf, {examinee, {}});
        benchmark::DoNotOptimize(pdf.constData());
    }
}
BENCHMARK(BM_PdfOfOneExaminee)->Unit(benchmark::kMillisecond);

void BM_SaveReport(benchmark::State& state) {
    saveBenchmark(state, "report.txt", "mmAnalysis");
}
BENCHMARK(BM_SaveReport)->Unit(benchmark::kMillisecond);

void BM_SaveProfileChartGif(benchmark::State& state) {
    saveBenchmark(state, "profile.gif", "Chart4");
}
BENCHMARK(BM_SaveProfileChartGif)->Unit(benchmark::kMillisecond);

void BM_SaveAnswerTimeChartGif(benchmark::State& state) {
    saveBenchmark(state, "time.gif", "mmPlotTime");
}
BENCHMARK(BM_SaveAnswerTimeChartGif)->Unit(benchmark::kMillisecond);

// Seconds since the process started, from the kernel's records (10 ms resolution).
double secondsSinceProcessStart() {
    FILE* stat = std::fopen("/proc/self/stat", "r");
    FILE* uptime = std::fopen("/proc/uptime", "r");
    double result = -1.0;
    if (stat && uptime) {
        char buffer[1024] = {};
        const size_t length = std::fread(buffer, 1, sizeof buffer - 1, stat);
        buffer[length] = 0;
        // Field 22 (starttime) counts from the closing parenthesis of the command name.
        const char* p = std::strrchr(buffer, ')');
        unsigned long long start = 0;
        for (int field = 2; p && *p && field < 22; ++p)
            field += *p == ' ';
        double up = 0.0;
        if (p && std::sscanf(p, "%llu", &start) == 1 && std::fscanf(uptime, "%lf", &up) == 1)
            result = up - double(start) / double(sysconf(_SC_CLK_TCK));
    }
    if (stat)
        std::fclose(stat);
    if (uptime)
        std::fclose(uptime);
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    // A data folder the user chose in the program must not redirect the benchmark's groups.
    QStandardPaths::setTestModeEnabled(true);
    // The generated response files carry the decimal comma of the Russian settings.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    fixture = new Fixture;
    ShowWatcher watcher(clock);
    fixture->form = startWindow(fixture->dir.path() + QLatin1Char('/'), &watcher);
    std::printf("Start-up, main() to the window shown: %.1f ms\n",
                double(watcher.shownAfterNs) / 1e6);
    std::printf("Start-up, process start to the window shown: %.0f ms (10 ms resolution)\n",
                secondsSinceProcessStart() * 1e3);
    openMenus(fixture->form);

    makeFiles();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [size, form] : fixture->groupForms)
        delete form;
    delete fixture->form;
    delete fixture;
    return 0;
}
