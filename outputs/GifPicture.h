#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ezr {

// One still GIF picture (no animation, no transparency, no comment). A picture of at most
// 256 colours keeps them exactly; a richer one keeps its most frequent colours and maps
// the rest to the nearest of a colour cube, without dithering.
QByteArray encodeGif(const QImage& image);

// Encodes and writes atomically; throws AnalysisError on failure.
void writeGif(const QImage& image, const QString& path);

} // namespace ezr
