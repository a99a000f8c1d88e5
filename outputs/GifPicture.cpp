#include "GifPicture.h"

#include "VerifiedWrite.h"

#include "AnalysisError.h"

#include <QDir>
#include <QHash>

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
// grid, series and text colours) stay exact, and a 6 x 6 x 6 colour cube catches the rest.
// Qt then maps each pixel to the nearest palette colour without dithering; its default
// reduction would dither into the cube alone, which sprinkles dots over the white background
// and shifts the flat colours of the chart.
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

// The most frequent colours first, then the cube.
QList<QRgb> reducedPalette(const QHash<QRgb, qsizetype>& counts) {
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
    QList<QRgb> table;
    table.reserve(GifColours);
    for (auto it = byFrequency.begin(); it != frequentEnd; ++it)
        table.append(it->second);
    for (int r = 0; r < CubeLevels; ++r)
        for (int g = 0; g < CubeLevels; ++g)
            for (int b = 0; b < CubeLevels; ++b)
                table.append(qRgb(r * CubeStep, g * CubeStep, b * CubeStep));
    return table;
}

QImage toIndexed(const QImage& image) {
    // A GIF without a transparent colour is opaque; the alpha byte takes no part.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        throw AnalysisError(QStringLiteral("Cannot reduce the picture to 256 colours"));
    const QHash<QRgb, qsizetype> counts = countColours(rgb);
    const Qt::ImageConversionFlags exact = Qt::ThresholdDither | Qt::AvoidDither;
    QImage indexed =
        counts.size() <= GifColours
            ? rgb.convertToFormat(QImage::Format_Indexed8, exact)
            : rgb.convertToFormat(QImage::Format_Indexed8, reducedPalette(counts), exact);
    if (indexed.isNull())
        throw AnalysisError(QStringLiteral("Not enough memory for the GIF picture"));
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
    writeFileVerified(path, encodeGif(image));
}

} // namespace ezr
