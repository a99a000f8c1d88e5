#pragma once

#include "ReportOptions.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The options of ezr-report as data, for the command's parser (ReportOptions.cpp) alone.
namespace ezr::report_options {

// A value of an option with a fixed list of values, and what it makes of the request.
struct Choice {
    const char* value;
    std::function<void(ReportRequest&)> apply;
};

// Every option of the command, defined once: its names, help, value and values.
struct CommandOption {
    QStringList names;
    QString help;
    QString valueName; // empty: a switch
    QString defaultValue = {};
    QList<Choice> choices = {};
    bool foldCase = false; // the values are read in any case

    QString name() const { return names.constLast(); }
    QCommandLineOption qtOption() const {
        return QCommandLineOption(names, help, valueName, defaultValue);
    }
};

enum OptionIndex {
    Norm,
    Group,
    Sex,
    Education,
    Satisfaction,
    Output,
    Encoding,
    Format,
    Where,
    Codes,
    SkipDamaged,
    SaveNorm,
    NormName,
    NormDescription,
    NormFile,
    Anonymous,
    Retest,
    ExcludeDoubtful,
    Db,
    GroupArchive,
    Unit,
    SkipMissing,
    Statistics,
    CompareGroup,
    CompareWhere,
    CompareCodes
};

// Every option of ezr-report in OptionIndex order.
QList<CommandOption> optionTable();

} // namespace ezr::report_options
