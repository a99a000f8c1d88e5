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

// Proposed picture names in the results folder: code + " PlotH.Sb.gif" / " PlotH.Gr.gif",
// or " PlotT.Sb.gif" for the answer-time chart.
QString profileChartFileName(const QString& resultsDir, const QString& code, bool individual);
QString answerTimeChartFileName(const QString& resultsDir, const QString& code);

} // namespace ezr
