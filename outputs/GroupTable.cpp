#include "GroupTable.h"

#include "Anonymity.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "StatisticsFile.h"
#include "VerifiedWrite.h"

#include <memory>

namespace ezr {

namespace {

// One pass of the reading with every member going to `table` as a row.
AnalysisState readInto(const GroupTableRun& run, ExamineeTableWriter& table) {
    GroupMemberSink row = [&](const GroupMember& member) { addGroupMember(table, member); };
    return run.read(run.anonymous ? anonymousMembers(std::move(row)) : std::move(row));
}

// The state the table's own sheet or label is made from.
AnalysisState summaryOf(const GroupTableRun& run, const AnalysisState& read) {
    const AnalysisState& summary = run.shown ? *run.shown : read;
    return run.anonymous ? anonymousAnalysis(summary) : summary;
}

} // namespace

bool isGroupTableFormat(ReportFormat format) {
    switch (format) {
    case ReportFormat::Csv:
    case ReportFormat::Xlsx:
    case ReportFormat::Sav:
    case ReportFormat::Dta:
        return true;
    case ReportFormat::Txt:
    case ReportFormat::Pdf:
        break;
    }
    return false;
}

AnalysisState writeGroupTable(const GroupTableRun& run, ByteSink& sink) {
    if (run.format == ReportFormat::Sav || run.format == ReportFormat::Dta) {
        // A statistics file states its number of cases and the width of its texts before
        // the first case: the first reading measures, the second writes.
        StatisticsLayout layout;
        readInto(run, *statisticsLayoutMeter(layout, run.norm));
        const StatisticsFormat format =
            run.format == ReportFormat::Sav ? StatisticsFormat::Spss : StatisticsFormat::Stata;
        const std::unique_ptr<ExamineeTableWriter> table =
            statisticsTableWriter(format, sink, run.norm, layout, run.analysed);
        AnalysisState state = readInto(run, *table);
        table->finish(summaryOf(run, state));
        return state;
    }
    const std::unique_ptr<ExamineeTableWriter> table =
        examineeTableWriter(run.format, sink, run.norm);
    AnalysisState state = readInto(run, *table);
    table->finish(summaryOf(run, state));
    return state;
}

} // namespace ezr
