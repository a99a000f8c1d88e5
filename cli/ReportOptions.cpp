#include "ReportOptions.h"
#include "ReportOptionTable.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "MemberFilter.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <functional>
#include <optional>
#include <utility>

namespace ezr {

namespace {

const QString Description = QStringLiteral(
    "Пишет текстовый отчёт анализа (\"Данные анализа\") по файлу данных обследуемого или по\n"
    "группе файлов директории: Windows-1251, CR LF.\n"
    "Writes the analysis text report for one examinee's response file or for the group of\n"
    "files in a directory: Windows-1251, CR LF.\n"
    "\n"
    "  ezr-report FILE [--norm sex|education|satisfaction | --norm-file N.json |\n"
    "             --retest EARLIER.cry|DIR]\n"
    "             [--anonymous] [--format F] [-o PATH]\n"
    "  ezr-report --group DIR (--sex male|female | --education higher|secondary |\n"
    "             --satisfaction | --norm-file N.json) [--where COND]\n"
    "             [--codes LIST [--skip-missing]] [--skip-damaged] [--exclude-doubtful]\n"
    "             [--save-norm N.json --norm-name NAME [--norm-description TEXT]]\n"
    "             [--anonymous] [--format F] [-o PATH]\n"
    "  ezr-report --group DIR [--where COND] [--codes LIST] <norm> --statistics\n"
    "             [--compare-group DIR2] [--compare-where COND] [--compare-codes LIST]\n"
    "             [--format csv|xlsx|sav|dta] [-o PATH]\n"
    "\n"
    "--format: txt (the text report, default), pdf (the printed report), xlsx or csv (the\n"
    "table of every examinee), sav or dta (the same table for SPSS or Stata: one case per\n"
    "examinee, variables such as p3_money_transform labelled with the table's headings);\n"
    "pdf, xlsx, sav and dta are written to -o PATH only.\n"
    "\n"
    "--where: условия отбора членов группы через запятую / the group's members by their\n"
    "header, any of: sex=male|female, education=higher|secondary, age=MIN-MAX (whole\n"
    "years), date=YYYY-MM-DD..YYYY-MM-DD (the test date); e.g.\n"
    "  --where sex=female,age=30-45,date=2025-01-01..2025-12-31\n"
    "\n"
    "--retest: повторное обследование FILE сравнивается с прежним файлом того же\n"
    "обследуемого (тот же код) как с нормой / the retest FILE compared with the same\n"
    "examinee's earlier file as its norm; a cell empty in the earlier file counts as half an\n"
    "answer. Папка вместо файла: берётся последнее из более ранних обследований с тем же\n"
    "кодом / a directory instead: its most recent earlier test of the same code.");

ReportOptions usageError(const QString& reason) {
    ReportOptions options;
    options.status = ReportOptions::Status::UsageError;
    options.text = reason;
    return options;
}

using namespace report_options;
// The option "norm" rather than the type Norm.
using report_options::Norm;

// "a, b or c" of the allowed values.
QString allowedValues(const QList<Choice>& choices) {
    QStringList values;
    for (const Choice& choice : choices)
        values << QLatin1String(choice.value);
    const QString last = values.takeLast();
    return values.isEmpty() ? last
                            : values.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// Applies the option's value to the request; the reason when the value is not one of its
// values.
std::optional<QString> applyChoice(const CommandOption& option, const QString& given,
                                   ReportRequest& request) {
    const QString value = option.foldCase ? given.toLower() : given;
    for (const Choice& choice : option.choices) {
        if (value == QLatin1String(choice.value)) {
            choice.apply(request);
            return std::nullopt;
        }
    }
    return QStringLiteral("Недопустимое значение '%1' для --%2 (нужно %3)")
        .arg(given, option.name(), allowedValues(option.choices));
}

// --group-archive with its --db and --unit; the reason when they do not go together.
std::optional<QString> readArchive(const QCommandLineParser& parser,
                                   const QList<CommandOption>& table, ReportRequest& request) {
    const auto isSet = [&](OptionIndex index) { return parser.isSet(table[index].name()); };
    if (!isSet(GroupArchive)) {
        if (isSet(Db) || isSet(Unit))
            return QStringLiteral("--db and --unit belong to --group-archive");
        return std::nullopt;
    }
    if (isSet(Group))
        return QStringLiteral("Give either --group DIR or --group-archive, not both");
    request.fromArchive = true;
    request.archive = parser.value(table[Db].name());
    request.archiveUnit = parser.value(table[Unit].name()).trimmed();
    if (isSet(Unit) && request.archiveUnit.isEmpty())
        return QStringLiteral("--unit needs a name");
    return std::nullopt;
}

// FILE or --group DIR with its one criterion; the reason when they do not go together.
std::optional<QString> readInput(const QCommandLineParser& parser,
                                 const QList<CommandOption>& table, ReportRequest& request) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return QStringLiteral("Лишние аргументы: нужен только один FILE (%1)")
            .arg(positional.join(u' '));
    const auto isSet = [&](OptionIndex index) { return parser.isSet(table[index].name()); };
    const int criteria = int(isSet(Sex)) + int(isSet(Education)) + int(isSet(Satisfaction));
    if (auto reason = readArchive(parser, table, request))
        return reason;
    if (!isSet(Group) && !request.fromArchive) {
        if (criteria > 0)
            return QStringLiteral(
                "--sex, --education и --satisfaction только вместе с --group DIR");
        for (const OptionIndex groupOnly : {Where, Codes, SkipDamaged, SaveNorm, ExcludeDoubtful})
            if (isSet(groupOnly))
                return QStringLiteral("--%1 только вместе с --group DIR")
                    .arg(table[groupOnly].name());
        if (int(isSet(Norm)) + int(isSet(NormFile)) + int(isSet(Retest)) > 1)
            return QStringLiteral("Укажите только одно из --norm, --norm-file и --retest");
        if (positional.isEmpty() || positional.front().isEmpty())
            return QStringLiteral("Не указан FILE (или --group DIR)");
        request.mode = ReportRequest::Mode::Individual;
        request.input = positional.front();
        return std::nullopt;
    }
    if (!positional.isEmpty())
        return QStringLiteral("Укажите FILE или --group DIR, но не оба");
    if (isSet(Norm))
        return QStringLiteral("--norm относится к FILE; норму группы задаёт её критерий");
    if (isSet(Retest))
        return QStringLiteral("--retest относится к FILE, повторному обследованию, а не к группе");
    if (isSet(NormFile) && criteria > 0)
        return QStringLiteral("--norm-file заменяет --sex, --education и --satisfaction; "
                              "укажите только одно из них");
    if (criteria == 0 && !isSet(NormFile))
        return QStringLiteral("Для --group нужен один критерий: --sex, --education или "
                              "--satisfaction (или --norm-file)");
    if (criteria > 1)
        return QStringLiteral(
            "Для --group нужен только один критерий из --sex, --education и --satisfaction");
    request.mode = ReportRequest::Mode::Group;
    request.input =
        request.fromArchive ? QStringLiteral("архив") : parser.value(table[Group].name());
    if (request.input.isEmpty())
        return QStringLiteral("Для --group нужна директория");
    if (isSet(Satisfaction) || isSet(NormFile))
        request.kind = NormKind::Satisfaction;
    return std::nullopt;
}

// A file name an option needs; the reason when it is given empty.
std::optional<QString> readPath(const QCommandLineParser& parser, const CommandOption& option,
                                QString& path) {
    if (!parser.isSet(option.name()))
        return std::nullopt;
    path = parser.value(option.name());
    if (path.trimmed().isEmpty())
        return QStringLiteral("Для --%1 нужно имя файла").arg(option.name());
    return std::nullopt;
}

// --where, --codes, --skip-damaged, the norm to save or to compare with, --anonymous.
std::optional<QString> readChoiceAndNorms(const QCommandLineParser& parser,
                                          const QList<CommandOption>& table,
                                          ReportRequest& request) {
    const auto isSet = [&](OptionIndex index) { return parser.isSet(table[index].name()); };
    if (isSet(Where)) {
        try {
            request.choice.filter = parseWhere(parser.value(table[Where].name()));
        } catch (const AnalysisError& error) {
            return QStringLiteral("--where: ") + error.message();
        }
    }
    request.choice.skipDamaged = isSet(SkipDamaged);
    request.choice.excludeDoubtful = isSet(ExcludeDoubtful);
    request.skipMissing = isSet(SkipMissing);
    if (request.skipMissing && !isSet(Codes))
        return QStringLiteral("--skip-missing только вместе с --codes LIST");
    request.anonymous = isSet(Anonymous);
    for (const auto& [index, path] :
         {std::pair{Codes, &request.codesFile}, std::pair{SaveNorm, &request.saveNormPath},
          std::pair{NormFile, &request.normFile}, std::pair{Retest, &request.retestFile}})
        if (auto reason = readPath(parser, table[index], *path))
            return reason;
    if (isSet(SaveNorm)) {
        request.normName = parser.value(table[NormName].name()).trimmed();
        if (request.normName.isEmpty())
            return QStringLiteral("Для --save-norm нужно --norm-name NAME (не пустое)");
        request.normDescription = parser.value(table[NormDescription].name()).trimmed();
    } else if (isSet(NormName) || isSet(NormDescription)) {
        return QStringLiteral("--norm-name и --norm-description только вместе с --save-norm FILE");
    }
    return std::nullopt;
}

// --statistics and the second group it may compare with.
std::optional<QString> readStatistics(const QCommandLineParser& parser,
                                      const QList<CommandOption>& table, ReportRequest& request) {
    const auto isSet = [&](OptionIndex index) { return parser.isSet(table[index].name()); };
    request.statistics = isSet(Statistics);
    for (const OptionIndex option : {CompareGroup, CompareWhere, CompareCodes})
        if (isSet(option) && !request.statistics)
            return QStringLiteral("--%1 belongs to --statistics").arg(table[option].name());
    if (!request.statistics)
        return std::nullopt;
    if (request.mode != ReportRequest::Mode::Group)
        return QStringLiteral("--statistics needs --group DIR");
    if (isSet(SaveNorm))
        return QStringLiteral("--statistics and --save-norm go separately");
    if (isSet(CompareWhere)) {
        try {
            request.compareWhere = parseWhere(parser.value(table[CompareWhere].name()));
        } catch (const AnalysisError& error) {
            return QStringLiteral("--compare-where: ") + error.message();
        }
    }
    if (auto reason = readPath(parser, table[CompareGroup], request.compareGroup))
        return reason;
    return readPath(parser, table[CompareCodes], request.compareCodesFile);
}

// The table of statistics is CSV (the default) or a workbook.
std::optional<QString> statisticsFormat(ReportRequest& request) {
    if (!request.statistics)
        return std::nullopt;
    if (request.format == ReportFormat::Txt)
        request.format = ReportFormat::Csv;
    if (request.format == ReportFormat::Pdf)
        return QStringLiteral("--statistics writes csv, xlsx, sav or dta");
    return std::nullopt;
}

std::optional<QString> repeatedOption(const QCommandLineParser& parser,
                                      const QList<CommandOption>& table) {
    for (const CommandOption& option : table) {
        const QString name = option.name();
        if (parser.values(name).size() > 1 ||
            (option.valueName.isEmpty() && parser.optionNames().count(name) > 1))
            return QStringLiteral("Параметр --%1 указан больше одного раза").arg(name);
    }
    return std::nullopt;
}

ReportOptions finished(ReportOptions::Status status, const QString& text) {
    ReportOptions options;
    options.status = status;
    options.text = text;
    return options;
}

} // namespace

ReportOptions parseReportOptions(const QStringList& arguments) {
    const QList<CommandOption> table = optionTable();
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Файл данных обследуемого (*.cry). / One examinee's response file."),
        QStringLiteral("[FILE]"));
    for (const CommandOption& option : table)
        parser.addOption(option.qtOption());

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(versionOption))
        return finished(ReportOptions::Status::Version,
                        QCoreApplication::applicationName() + QLatin1Char(' ') +
                            QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    // --help-all comes with addHelpOption(); the Qt options it would add mean nothing here.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")))
        return finished(ReportOptions::Status::Help, parser.helpText());
    if (const auto reason = repeatedOption(parser, table))
        return usageError(*reason);

    ReportRequest request;
    if (const auto reason = readInput(parser, table, request))
        return usageError(*reason);
    if (const auto reason = readChoiceAndNorms(parser, table, request))
        return usageError(*reason);
    if (const auto reason = readStatistics(parser, table, request))
        return usageError(*reason);
    // Every option with a list of values that is given, or has a default, sets its part.
    for (const CommandOption& option : table) {
        if (option.choices.isEmpty() ||
            (!parser.isSet(option.name()) && option.defaultValue.isEmpty()))
            continue;
        if (const auto reason = applyChoice(option, parser.value(option.name()), request))
            return usageError(*reason);
    }
    if (parser.isSet(table[Output].name())) {
        request.outputPath = parser.value(table[Output].name());
        if (request.outputPath.isEmpty())
            return usageError(QStringLiteral("Для -o нужно имя файла"));
    }
    if (const auto reason = statisticsFormat(request))
        return usageError(*reason);
    // A binary file does not belong on a terminal or in a text pipe.
    if (request.format != ReportFormat::Txt && request.format != ReportFormat::Csv &&
        request.outputPath.isEmpty())
        return usageError(QStringLiteral("Для --format %1 нужно -o PATH (двоичный файл не "
                                         "выводится на стандартный вывод)")
                              .arg(parser.value(table[Format].name()).toLower()));

    ReportOptions options;
    options.status = ReportOptions::Status::Run;
    options.request = request;
    return options;
}

} // namespace ezr
