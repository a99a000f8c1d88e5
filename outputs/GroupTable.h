#pragma once

#include "Analysis.h"
#include "OutputNames.h"

#include <QDateTime>

#include <functional>
#include <optional>

// The one road of a group's table of examinees (CSV, workbook, SPSS, Stata), taken by
// ezr-report and the window alike: each member is written as it is read, so that a group of
// any size, chosen or whole, costs one row at a time.
namespace ezr {

class ByteSink;

// Reads the group once, telling `eachMember` of every member in order, and returns its
// state. A statistics file reads it twice: once to count and measure the rows, once to write.
using GroupReading = std::function<AnalysisState(const GroupMemberSink& eachMember)>;

struct GroupTableRun {
    ReportFormat format = ReportFormat::Csv;
    Norm norm;              // each row's chi-squares are against it
    bool anonymous = false; // rows by code only, without the names
    GroupReading read;
    // The group as shown (the window's): its sheet in a workbook comes from it rather than
    // from the state the reading returns.
    std::optional<AnalysisState> shown = std::nullopt;
    QDateTime analysed = QDateTime::currentDateTime(); // the statistics file's date
};

// Writes the table into `sink` and returns the state of the (last) reading. Whatever the
// reading or the format throws is rethrown.
AnalysisState writeGroupTable(const GroupTableRun& run, ByteSink& sink);

// Whether `format` is a table of examinees, which writeGroupTable writes.
bool isGroupTableFormat(ReportFormat format);

} // namespace ezr
