#pragma once

#include "Analysis.h"
#include "Export.h"
#include "NormComparison.h"
#include "OutputNames.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of ezr-report, parsed without side effects so that it can be checked
// with any argument list.
namespace ezr {

// One report to make: an examinee's file as after "Индивид" (and a norm chosen under
// "Нормирование"), or a directory as after one command of the "Группа" menu.
struct ReportRequest {
    enum class Mode { Individual, Group };
    Mode mode = Mode::Individual;
    QString input; // the response file or the group directory
    NormKind kind = NormKind::Sex;
    QString criterion;  // group only: the text the group menu puts into the sex or education field
    QString outputPath; // empty: standard output; a folder: the proposed name inside it
    ReportEncoding encoding = ReportEncoding::Windows1251; // of the text report
    ReportFormat format = ReportFormat::Txt;
    // Group only: which members the group takes (--where, --skip-damaged) and the file of
    // codes that chooses them further (--codes), read when the command runs.
    GroupChoice choice;
    QString codesFile;
    bool skipMissing = false; // codes of the list not found warn instead of failing the run
    // Group only: where the group's own norm goes, its name and how it was chosen.
    QString saveNormPath;
    QString normName;
    QString normDescription;
    // A saved norm to compare with instead of a stored row.
    QString normFile;
    // Individual only: the same examinee's earlier file, compared with as a norm.
    QString retestFile;
    bool anonymous = false; // members by code only
    // Group only: the members come from the department's archive (--group-archive), reached
    // by the libpq connection string `archive` (--db; empty: PGSERVICE and the like), of one
    // unit or of every unit the login role may read.
    bool fromArchive = false;
    QString archive;
    QString archiveUnit;
    // Group only: the statistics of the group's cells (--statistics) against the norm, or
    // against a second group from another folder (--compare-group) or chosen from the same
    // or that folder (--compare-where, --compare-codes).
    bool statistics = false;
    QString compareGroup;
    std::optional<MemberFilter> compareWhere;
    QString compareCodesFile;
    bool comparesGroups() const {
        return !compareGroup.isEmpty() || compareWhere || !compareCodesFile.isEmpty();
    }
    friend bool operator==(const ReportRequest&, const ReportRequest&) = default;
};

struct ReportOptions {
    enum class Status { Run, Help, Version, UsageError };
    Status status = Status::UsageError;
    ReportRequest request; // valid with Status::Run
    QString text;          // help text, version line or the one-line reason of a usage error
};

// `arguments` as QCoreApplication::arguments() gives them, the program's name first.
// Needs a QCoreApplication for the help text.
ReportOptions parseReportOptions(const QStringList& arguments);

} // namespace ezr
