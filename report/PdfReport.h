#pragma once

#include "AnalysisData.h"
#include "TextReport.h"

#include <QByteArray>

namespace ezr {

// The printed report: A4 pages with the header fields, the indices, the three result tables
// with their profile chi-squares and critical values, the raw-score charts of the three
// profiles with the norm beside each bar, for one examinee the answer-time chart, and the
// comment. Every text and number of the tables is the snapshot's, as the text report shows
// it; the charts draw the record's values as the window's charts do. Needs a
// QGuiApplication (fonts).
QByteArray buildPdfReport(const ReportSnapshot& snapshot, const AnalysisRecord& data);

} // namespace ezr
