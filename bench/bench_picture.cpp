// Chart pictures: encoding a grabbed chart as GIF and writing it, at the two sizes the
// window saves (the profile chart panel and the answer-time chart).
#include "AnswerTimeChart.h"
#include "GifPicture.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

ezr::AnalysisRecord sampleTimes() {
    ezr::AnalysisRecord data;
    double sum = 0.0;
    for (int i = 0; i < ezr::ItemCount; ++i) {
        const double t = 2.0 + (i * 37 % 60) / 10.0 + ((i % 17 == 5) ? 9.0 : 0.0);
        data.answerTimes[static_cast<std::size_t>(i)] = t;
        sum += t;
    }
    data.meanTime = sum / ezr::ItemCount;
    double squares = 0.0;
    for (double t : data.answerTimes)
        squares += (t - data.meanTime) * (t - data.meanTime);
    data.sdTime = std::sqrt(squares / (ezr::ItemCount - 1));
    return data;
}

QImage chartGrab(int width, int height) {
    ezr::AnswerTimeChart chart;
    chart.resize(width, height);
    chart.show();
    chart.plot(sampleTimes(), QStringLiteral("101"), QStringLiteral("Иванов Иван Иванович"));
    QApplication::processEvents();
    return chart.grab().toImage();
}

void setCounters(benchmark::State& state, const QImage& image, qsizetype bytes) {
    state.counters["pixels"] = image.width() * image.height();
    state.counters["gif_bytes"] = static_cast<double>(bytes);
}

void encodeRepeatedly(benchmark::State& state, const QImage& image) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray gif = ezr::encodeGif(image);
        bytes = gif.size();
        benchmark::DoNotOptimize(gif.constData());
    }
    setCounters(state, image, bytes);
}

void BM_EncodeGif(benchmark::State& state) {
    const QImage image =
        chartGrab(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    encodeRepeatedly(state, image);
}

// The worst case: a photograph-like picture (another window over the chart) in which nearly
// every pixel has its own colour.
void BM_EncodeGifManyColours(benchmark::State& state) {
    QImage image(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                 QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, (x / 4 + y) % 256, (x * 7 + y * 3) % 256));
    encodeRepeatedly(state, image);
}

void BM_WriteGif(benchmark::State& state) {
    const QImage image =
        chartGrab(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("101 PlotT.Sb.gif"));
    for (auto _ : state)
        ezr::writeGif(image, path);
    setCounters(state, image, QFileInfo(path).size());
}

void BM_GrabChart(benchmark::State& state) {
    ezr::AnswerTimeChart chart;
    chart.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    chart.show();
    chart.plot(sampleTimes(), QStringLiteral("101"), QStringLiteral("Иванов Иван Иванович"));
    QApplication::processEvents();
    for (auto _ : state) {
        const QPixmap picture = chart.grab();
        benchmark::DoNotOptimize(picture.cacheKey());
    }
}

BENCHMARK(BM_EncodeGif)->Args({402, 318})->Args({1015, 203})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGifManyColours)
    ->Args({402, 318})
    ->Args({1015, 203})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGif)->Args({402, 318})->Args({1015, 203})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrabChart)->Args({402, 318})->Args({1015, 203})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The charts are drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
