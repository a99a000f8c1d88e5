#include "AnalysisError.h"
#include "GifPicture.h"
#include "OutputNames.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace ezr;

namespace {

// A picture like a chart: white ground, a frame, a few flat coloured shapes.
QImage chartLikeImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width - 1, height - 1);
    painter.fillRect(QRect(10, 10, 40, 30), QColor(0, 128, 0));
    painter.fillRect(QRect(60, 10, 40, 30), QColor(255, 0, 0));
    painter.fillRect(QRect(10, 50, 40, 30), QColor(0, 0, 255));
    painter.fillRect(QRect(60, 50, 40, 30), QColor(128, 0, 0));
    painter.fillRect(QRect(110, 10, 20, 70), QColor(192, 192, 192));
    return image;
}

struct Decoded {
    QImage image;
    int imageCount = 0;
    QByteArray format;
};

Decoded decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    Decoded result;
    result.format = reader.format();
    result.imageCount = reader.imageCount();
    result.image = reader.read();
    return result;
}

Decoded decodeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decode(file.readAll());
}

} // namespace

class TestGifPicture : public QObject {
    Q_OBJECT

private slots:
    void flatColoursSurvive();
    void onePixel();
    void manyColoursAreReduced();
    void smoothedChartKeepsFlatColours();
    void noExtensionBlocks();
    void emptyImageIsRefused();
    void writeIntoMissingDirectoryFails();
    void writeReplacesExistingFile();
    void failedWriteKeepsExistingFile();
    void proposedNames_data();
    void proposedNames();
};

void TestGifPicture::flatColoursSurvive() {
    const QImage source = chartLikeImage(402, 318);
    const QByteArray gif = encodeGif(source);
    QVERIFY(gif.startsWith("GIF8"));
    const Decoded decoded = decode(gif);
    QCOMPARE(decoded.format, QByteArray("gif"));
    QCOMPARE(decoded.imageCount, 1);
    QCOMPARE(decoded.image.size(), source.size());
    const QList<QPoint> samples = {{0, 0},    {5, 5},     {20, 20},   {70, 20}, {20, 60}, {70, 60},
                                   {120, 40}, {401, 317}, {200, 150}, {49, 39}, {100, 79}};
    for (const QPoint& p : samples)
        QCOMPARE(QColor(decoded.image.pixel(p)), QColor(source.pixel(p)));
    // Every pixel, not just the samples: a flat picture loses nothing.
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (decoded.image.pixel(x, y) != source.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
}

void TestGifPicture::onePixel() {
    QImage source(1, 1, QImage::Format_ARGB32_Premultiplied);
    source.fill(QColor(0, 128, 0));
    const Decoded decoded = decode(encodeGif(source));
    QCOMPARE(decoded.imageCount, 1);
    QCOMPARE(decoded.image.size(), QSize(1, 1));
    QCOMPARE(QColor(decoded.image.pixel(0, 0)), QColor(0, 128, 0));
}

void TestGifPicture::manyColoursAreReduced() {
    QImage source(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(x * 255 / 299, y * 255 / 199, (x + y) % 256));
    const Decoded decoded = decode(encodeGif(source));
    QCOMPARE(decoded.imageCount, 1);
    QCOMPARE(decoded.image.size(), source.size());
    // Quantised, but still the same picture: the corners keep their hue roughly.
    const QColor topLeft(decoded.image.pixel(0, 0));
    const QColor bottomRight(decoded.image.pixel(299, 199));
    QVERIFY(topLeft.red() < 64 && topLeft.green() < 64);
    QVERIFY(bottomRight.red() > 192 && bottomRight.green() > 192);
}

void TestGifPicture::smoothedChartKeepsFlatColours() {
    // A chart grab has more than 256 colours because of smoothed lines and a colour ramp;
    // its flat areas must come back exactly, without dither dots on the white ground.
    QImage source = chartLikeImage(402, 318);
    {
        QPainter painter(&source);
        painter.setRenderHint(QPainter::Antialiasing, true);
        for (int i = 0; i < 12; ++i) {
            painter.setPen(QPen(QColor::fromHsv(i * 30, 255, 200), 1.3));
            painter.drawLine(QPointF(150, 10 + i * 7), QPointF(390, 60 + i * 9.3));
        }
        for (int x = 0; x < 300; ++x)
            painter.fillRect(QRect(50 + x, 250, 1, 20), QColor(x % 256, 255 - x % 256, x / 2));
    }
    QSet<QRgb> colours;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            colours.insert(source.pixel(x, y));
    QVERIFY2(colours.size() > 256, qPrintable(QString::number(colours.size())));

    const Decoded decoded = decode(encodeGif(source));
    QCOMPARE(decoded.imageCount, 1);
    QCOMPARE(decoded.image.size(), source.size());
    const QRect flat(0, 0, 140, 240);
    for (int y = flat.top(); y <= flat.bottom(); ++y)
        for (int x = flat.left(); x <= flat.right(); ++x)
            if (decoded.image.pixel(x, y) != source.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("flat pixel %1,%2 differs").arg(x).arg(y)));
    // The ramp is only approximated, but each pixel stays near its colour.
    for (int x = 0; x < 300; x += 7) {
        const QColor was(source.pixel(50 + x, 260));
        const QColor is(decoded.image.pixel(50 + x, 260));
        QVERIFY(std::abs(was.red() - is.red()) <= 26 && std::abs(was.green() - is.green()) <= 26 &&
                std::abs(was.blue() - is.blue()) <= 26);
    }
}

void TestGifPicture::noExtensionBlocks() {
    // One image descriptor, no extension introducer between the colour table and it, and
    // the trailer right after the image data.
    const QImage source = chartLikeImage(150, 100);
    const QByteArray gif = encodeGif(source);
    const auto flags = static_cast<unsigned char>(gif.at(10));
    QVERIFY(flags & 0x80); // global colour table
    const int tableSize = 3 * (1 << ((flags & 0x07) + 1));
    const int afterTable = 13 + tableSize;
    QCOMPARE(gif.at(afterTable), ',');
    QCOMPARE(gif.back(), ';');
    QCOMPARE(quint8(gif.at(afterTable + 5)) | quint8(gif.at(afterTable + 6)) << 8, 150);
    QCOMPARE(quint8(gif.at(afterTable + 7)) | quint8(gif.at(afterTable + 8)) << 8, 100);
}

void TestGifPicture::emptyImageIsRefused() {
    QVERIFY_THROWS_EXCEPTION(AnalysisError, encodeGif(QImage()));
}

void TestGifPicture::writeIntoMissingDirectoryFails() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Results/101 PlotT.Sb.gif"));
    try {
        writeGif(chartLikeImage(200, 100), path);
        QFAIL("writing into a missing directory succeeded");
    } catch (const AnalysisError& error) {
        QVERIFY2(error.message().contains(QStringLiteral("101 PlotT.Sb.gif")),
                 qPrintable(error.message()));
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Results"))));
}

void TestGifPicture::writeReplacesExistingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("101 PlotH.Sb.gif"));
    writeGif(chartLikeImage(402, 318), path);
    const Decoded first = decodeFile(path);
    QCOMPARE(first.image.size(), QSize(402, 318));

    const QImage smaller = chartLikeImage(140, 90);
    writeGif(smaller, path);
    const Decoded second = decodeFile(path);
    QCOMPARE(second.imageCount, 1);
    QCOMPARE(second.image.size(), QSize(140, 90));
    QCOMPARE(QFileInfo(path).size(), encodeGif(smaller).size());
    QCOMPARE(QColor(second.image.pixel(20, 20)), QColor(0, 128, 0));
}

void TestGifPicture::failedWriteKeepsExistingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("keep.gif"));
    writeGif(chartLikeImage(200, 100), path);
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!before.isEmpty());
    QVERIFY_THROWS_EXCEPTION(AnalysisError, writeGif(QImage(), path));
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestGifPicture::proposedNames_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("profile, individual")
        << proposedFileName(ChartPicture::Profile, QStringLiteral("101"), true)
        << QStringLiteral("101 PlotH.Sb.gif");
    QTest::newRow("profile, group")
        << proposedFileName(ChartPicture::Profile, QStringLiteral("12"), false)
        << QStringLiteral("12 PlotH.Gr.gif");
    QTest::newRow("answer times") << proposedFileName(ChartPicture::AnswerTime,
                                                      QStringLiteral("101"), true)
                                  << QStringLiteral("101 PlotT.Sb.gif");
    QTest::newRow("profile, empty code") << proposedFileName(ChartPicture::Profile, QString(), true)
                                         << QStringLiteral(" PlotH.Sb.gif");
    QTest::newRow("group, empty code") << proposedFileName(ChartPicture::Profile, QString(), false)
                                       << QStringLiteral(" PlotH.Gr.gif");
    QTest::newRow("answer times, empty code")
        << proposedFileName(ChartPicture::AnswerTime, QString(), true)
        << QStringLiteral(" PlotT.Sb.gif");
}

void TestGifPicture::proposedNames() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

QTEST_MAIN(TestGifPicture)
#include "tst_gifpicture.moc"
