#include "GifPicture.h"

#include "AnalysisError.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace ezr {

namespace {

// GIF stores widths and heights as 16-bit words.
constexpr int MaxGifSide = 0xFFFF;

int writeToByteArray(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(data), length);
    return length;
}

QString gifErrorText(int code) {
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

[[noreturn]] void throwEncodingError(int code) {
    throw AnalysisError(
        QStringLiteral("Cannot encode the GIF picture: %1").arg(gifErrorText(code)));
}

struct ColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMapPtr = std::unique_ptr<ColorMapObject, ColorMapDeleter>;

// Closing also frees the handle; a failure to close after a failure to write reports the
// first error, which says more.
class GifWriter {
public:
    explicit GifWriter(QByteArray* out) {
        int error = 0;
        gif_ = EGifOpen(out, writeToByteArray, &error);
        if (!gif_)
            throwEncodingError(error);
    }
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter() {
        if (gif_) {
            int error = 0;
            EGifCloseFile(gif_, &error);
        }
    }

    GifFileType* get() const { return gif_; }
    void check(int result) const {
        if (result != GIF_OK)
            throwEncodingError(gif_->Error);
    }
    void close() {
        int error = 0;
        GifFileType* gif = gif_;
        gif_ = nullptr;
        if (EGifCloseFile(gif, &error) != GIF_OK)
            throwEncodingError(error);
    }

private:
    GifFileType* gif_ = nullptr;
};

// The colour map of a GIF holds a power of two entries, at least two.
ColorMapPtr makeColorMap(const QList<QRgb>& table) {
    int size = 2;
    while (size < table.size())
        size *= 2;
    std::vector<GifColorType> colours(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i) {
        const QRgb rgb = table.at(i);
        colours[static_cast<std::size_t>(i)] =
            GifColorType{static_cast<GifByteType>(qRed(rgb)), static_cast<GifByteType>(qGreen(rgb)),
                         static_cast<GifByteType>(qBlue(rgb))};
    }
    ColorMapPtr map(GifMakeMapObject(size, colours.data()));
    if (!map)
        throwEncodingError(E_GIF_ERR_NOT_ENOUGH_MEM);
    return map;
}

// Up to 256 colours are kept exactly. A grabbed chart usually has a few hundred, nearly all
// of them smoothing shades of text and lines: the most frequent colours (the background,
// grid, series and text colours) stay exact, and a 6 x 6 x 6 colour cube catches the rest,
// each pixel taking the nearest colour without dithering. Qt's own reduction of such a
// picture dithers into that cube alone, which sprinkles dots over the white background and
// shifts the flat colours of the chart.
constexpr int GifColours = 256;
constexpr int CubeLevels = 6;
constexpr int CubeStep = 255 / (CubeLevels - 1);
constexpr int CubeColours = CubeLevels * CubeLevels * CubeLevels;
constexpr int FrequentColours = GifColours - CubeColours;

QHash<QRgb, qsizetype> countColours(const QImage& rgb) {
    QHash<QRgb, qsizetype> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        int x = 0;
        while (x < rgb.width()) {
            // Runs of one colour are the rule in a chart; count each run once.
            const QRgb colour = line[x];
            int end = x + 1;
            while (end < rgb.width() && line[end] == colour)
                ++end;
            counts[colour] += end - x;
            x = end;
        }
    }
    return counts;
}

int squaredDistance(QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b);
    const int g = qGreen(a) - qGreen(b);
    const int bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

// The frequent colours first, then the cube.
class ReducedPalette {
public:
    explicit ReducedPalette(const QHash<QRgb, qsizetype>& counts) {
        std::vector<std::pair<qsizetype, QRgb>> byFrequency;
        byFrequency.reserve(static_cast<std::size_t>(counts.size()));
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            byFrequency.emplace_back(it.value(), it.key());
        const auto frequentEnd =
            byFrequency.begin() + std::min<qsizetype>(FrequentColours, counts.size());
        std::partial_sort(byFrequency.begin(), frequentEnd, byFrequency.end(),
                          [](const auto& a, const auto& b) {
                              return a.first != b.first ? a.first > b.first : a.second < b.second;
                          });
        for (auto it = byFrequency.begin(); it != frequentEnd; ++it)
            table_.append(it->second);
        frequentCount_ = static_cast<int>(table_.size());
        for (int r = 0; r < CubeLevels; ++r)
            for (int g = 0; g < CubeLevels; ++g)
                for (int b = 0; b < CubeLevels; ++b)
                    table_.append(qRgb(r * CubeStep, g * CubeStep, b * CubeStep));
    }

    const QList<QRgb>& table() const { return table_; }

    uchar nearest(QRgb colour) const {
        const auto level = [](int channel) { return (channel + CubeStep / 2) / CubeStep; };
        int best = frequentCount_ + level(qRed(colour)) * CubeLevels * CubeLevels +
                   level(qGreen(colour)) * CubeLevels + level(qBlue(colour));
        int bestDistance = squaredDistance(colour, table_.at(best));
        for (int i = 0; i < frequentCount_ && bestDistance > 0; ++i) {
            const int distance = squaredDistance(colour, table_.at(i));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return static_cast<uchar>(best);
    }

private:
    QList<QRgb> table_;
    int frequentCount_ = 0;
};

template <typename IndexOf> void fillIndices(const QImage& rgb, QImage& indexed, IndexOf indexOf) {
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* target = indexed.scanLine(y);
        QRgb previous = source[0];
        uchar index = indexOf(previous);
        for (int x = 0; x < rgb.width(); ++x) {
            if (source[x] != previous) {
                previous = source[x];
                index = indexOf(previous);
            }
            target[x] = index;
        }
    }
}

QImage toIndexed(const QImage& image) {
    // A GIF without a transparent colour is opaque; the alpha byte takes no part.
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        throw AnalysisError(QStringLiteral("Cannot reduce the picture to 256 colours"));
    const QHash<QRgb, qsizetype> counts = countColours(rgb);
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        throw AnalysisError(QStringLiteral("Not enough memory for the GIF picture"));

    if (counts.size() <= GifColours) {
        QList<QRgb> table;
        table.reserve(counts.size());
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            table.append(it.key());
        std::sort(table.begin(), table.end());
        QHash<QRgb, uchar> indexOf;
        for (qsizetype i = 0; i < table.size(); ++i)
            indexOf.insert(table.at(i), static_cast<uchar>(i));
        fillIndices(rgb, indexed, [&](QRgb colour) { return indexOf.value(colour); });
        indexed.setColorTable(table);
        return indexed;
    }

    const ReducedPalette palette(counts);
    fillIndices(rgb, indexed, [&](QRgb colour) { return palette.nearest(colour); });
    indexed.setColorTable(palette.table());
    return indexed;
}

} // namespace

QByteArray encodeGif(const QImage& image) {
    if (image.isNull())
        throw AnalysisError(QStringLiteral("Cannot encode an empty picture as GIF"));
    if (image.width() > MaxGifSide || image.height() > MaxGifSide)
        throw AnalysisError(QStringLiteral("The picture of %1 x %2 pixels is too large for GIF")
                                .arg(image.width())
                                .arg(image.height()));

    QImage indexed = toIndexed(image);
    const ColorMapPtr colourMap = makeColorMap(indexed.colorTable());

    QByteArray out;
    out.reserve(indexed.width() * indexed.height() / 4 + 1024);
    GifWriter writer(&out);
    GifFileType* gif = writer.get();
    writer.check(EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, colourMap.get()));
    writer.check(EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr));
    for (int y = 0; y < indexed.height(); ++y)
        writer.check(EGifPutLine(gif, indexed.scanLine(y), indexed.width()));
    writer.close();
    return out;
}

void writeGif(const QImage& image, const QString& path) {
    const QByteArray bytes = encodeGif(image);
    const QString shownPath = QDir::toNativeSeparators(path);
    // The temporary file takes the place of the old one only when complete, so a failure
    // leaves neither a partial picture nor a damaged earlier one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AnalysisError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(shownPath, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw AnalysisError(QStringLiteral("Cannot write file \"%1\". %2").arg(shownPath, reason));
    }
    if (!file.commit())
        throw AnalysisError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(shownPath, file.errorString()));
}

QString profileChartFileName(const QString& exeDir, const QString& code, bool individual) {
    return exeDir + QStringLiteral("Results/") + code +
           (individual ? QStringLiteral(" PlotH.Sb.gif") : QStringLiteral(" PlotH.Gr.gif"));
}

QString answerTimeChartFileName(const QString& exeDir, const QString& code) {
    return exeDir + QStringLiteral("Results/") + code + QStringLiteral(" PlotT.Sb.gif");
}

} // namespace ezr
