#pragma once

#include "TextReport.h"

#include <QByteArray>

namespace ezr {

// The printed report: A4 pages with the header fields, the indices, the three result tables
// with their profile chi-squares and critical values, the raw-score charts of the three
// profiles with the norm beside each bar, for one examinee the answer-time chart, and the
// comment. The tables show the texts the window shows; the charts draw the same numbers as
// the window's charts. Needs a QGuiApplication (fonts).
QByteArray buildPdfReport(const ReportSnapshot& snapshot);

} // namespace ezr
