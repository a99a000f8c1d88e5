#include "ReportOptions.h"

#include "Domain.h"
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

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
    "  ezr-report FILE [--norm sex|education|satisfaction] [--format F] [-o PATH]\n"
    "  ezr-report --group DIR (--sex male|female | --education higher|secondary |\n"
    "             --satisfaction) [--format F] [-o PATH]\n"
    "\n"
    "--format: txt (the text report, default), pdf (the printed report), xlsx or csv (the\n"
    "table of every examinee); pdf and xlsx are written to -o PATH only.");

ReportOptions usageError(const QString& reason) {
    ReportOptions options;
    options.status = ReportOptions::Status::UsageError;
    options.text = reason;
    return options;
}

// One value out of a fixed list; nullopt when the value is not in it.
template <typename T>
std::optional<T> choose(const QString& value,
                        std::initializer_list<std::pair<const char*, T>> choices) {
    for (const auto& [name, result] : choices)
        if (value == QLatin1String(name))
            return result;
    return std::nullopt;
}

QString badValue(const QString& option, const QString& value, const QString& allowed) {
    return QStringLiteral("Invalid value '%1' for --%2 (expected %3)").arg(value, option, allowed);
}

} // namespace

ReportOptions parseReportOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Файл данных обследуемого (*.cry). / One examinee's response file."),
        QStringLiteral("[FILE]"));

    const QCommandLineOption normOption(
        QStringLiteral("norm"),
        QStringLiteral("Нормирование для FILE (по умолчанию sex). / Norm for FILE (default sex)."),
        QStringLiteral("sex|education|satisfaction"));
    const QCommandLineOption groupOption(
        QStringLiteral("group"),
        QStringLiteral("Анализ группы: все файлы директории DIR. / Group analysis of every file "
                       "in DIR."),
        QStringLiteral("DIR"));
    const QCommandLineOption sexOption(
        QStringLiteral("sex"),
        QStringLiteral("Группа, нормирование по полу. / Group compared with the sex norm."),
        QStringLiteral("male|female"));
    const QCommandLineOption educationOption(
        QStringLiteral("education"),
        QStringLiteral("Группа, нормирование по образованию. / Group compared with the "
                       "education norm."),
        QStringLiteral("higher|secondary"));
    const QCommandLineOption satisfactionOption(
        QStringLiteral("satisfaction"),
        QStringLiteral("Группа, нормирование по удовлетворенности. / Group compared with the "
                       "satisfaction norm."));
    const QCommandLineOption outputOption(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Записать отчёт в файл PATH (целиком или никак). / Write the report to "
                       "PATH (all or nothing)."),
        QStringLiteral("PATH"));
    const QCommandLineOption encodingOption(
        QStringLiteral("encoding"),
        QStringLiteral("Кодировка вывода (по умолчанию windows-1251). / Output encoding "
                       "(default windows-1251)."),
        QStringLiteral("windows-1251|utf-8"), QStringLiteral("windows-1251"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("Формат: txt (по умолчанию), pdf, xlsx, csv. / Output format: txt "
                       "(default), pdf, xlsx, csv."),
        QStringLiteral("txt|pdf|xlsx|csv"), QStringLiteral("txt"));
    parser.addOptions({normOption, groupOption, sexOption, educationOption, satisfactionOption,
                       outputOption, encodingOption, formatOption});

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(versionOption)) {
        ReportOptions options;
        options.status = ReportOptions::Status::Version;
        options.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                       QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return options;
    }
    // --help-all comes with addHelpOption(); the Qt options it would add mean nothing here.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        ReportOptions options;
        options.status = ReportOptions::Status::Help;
        options.text = parser.helpText();
        return options;
    }

    for (const QCommandLineOption& option :
         {normOption, groupOption, sexOption, educationOption, satisfactionOption, outputOption,
          encodingOption, formatOption}) {
        const QString name = option.names().constLast();
        if (parser.values(option).size() > 1 ||
            (option.valueName().isEmpty() && parser.optionNames().count(name) > 1))
            return usageError(QStringLiteral("Option --%1 given more than once").arg(name));
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(
            QStringLiteral("Too many arguments: one FILE only (%1)").arg(positional.join(u' ')));

    ReportRequest request;
    const bool group = parser.isSet(groupOption);
    const int criteria = int(parser.isSet(sexOption)) + int(parser.isSet(educationOption)) +
                         int(parser.isSet(satisfactionOption));
    if (group) {
        if (!positional.isEmpty())
            return usageError(QStringLiteral("Give either FILE or --group DIR, not both"));
        if (parser.isSet(normOption))
            return usageError(
                QStringLiteral("--norm applies to FILE; a group's norm is given by its criterion"));
        if (criteria == 0)
            return usageError(QStringLiteral(
                "--group needs one criterion: --sex, --education or --satisfaction"));
        if (criteria > 1)
            return usageError(QStringLiteral(
                "--group takes only one criterion of --sex, --education and --satisfaction"));
        request.mode = ReportRequest::Mode::Group;
        request.input = parser.value(groupOption);
        if (request.input.isEmpty())
            return usageError(QStringLiteral("--group needs a directory"));
        if (parser.isSet(sexOption)) {
            const auto text = choose<QString>(parser.value(sexOption),
                                              {{"male", MaleSex}, {"female", FemaleSex}});
            if (!text)
                return usageError(badValue(QStringLiteral("sex"), parser.value(sexOption),
                                           QStringLiteral("male or female")));
            request.kind = NormKind::Sex;
            request.criterion = *text;
        } else if (parser.isSet(educationOption)) {
            const auto text =
                choose<QString>(parser.value(educationOption),
                                {{"higher", HigherEducation}, {"secondary", SecondaryEducation}});
            if (!text)
                return usageError(badValue(QStringLiteral("education"),
                                           parser.value(educationOption),
                                           QStringLiteral("higher or secondary")));
            request.kind = NormKind::Education;
            request.criterion = *text;
        } else {
            request.kind = NormKind::Satisfaction;
        }
    } else {
        if (criteria > 0)
            return usageError(
                QStringLiteral("--sex, --education and --satisfaction need --group DIR"));
        if (positional.isEmpty() || positional.front().isEmpty())
            return usageError(QStringLiteral("Missing FILE (or --group DIR)"));
        request.mode = ReportRequest::Mode::Individual;
        request.input = positional.front();
        if (parser.isSet(normOption)) {
            const auto kind = choose<NormKind>(parser.value(normOption),
                                               {{"sex", NormKind::Sex},
                                                {"education", NormKind::Education},
                                                {"satisfaction", NormKind::Satisfaction}});
            if (!kind)
                return usageError(badValue(QStringLiteral("norm"), parser.value(normOption),
                                           QStringLiteral("sex, education or satisfaction")));
            request.kind = *kind;
        }
    }

    if (parser.isSet(outputOption)) {
        request.outputPath = parser.value(outputOption);
        if (request.outputPath.isEmpty())
            return usageError(QStringLiteral("-o needs a file name"));
    }
    const auto encoding = choose<ReportEncoding>(
        parser.value(encodingOption).toLower(),
        {{"windows-1251", ReportEncoding::Windows1251}, {"utf-8", ReportEncoding::Utf8}});
    if (!encoding)
        return usageError(badValue(QStringLiteral("encoding"), parser.value(encodingOption),
                                   QStringLiteral("windows-1251 or utf-8")));
    request.encoding = *encoding;

    const auto format =
        choose<ReportFormat>(parser.value(formatOption).toLower(), {{"txt", ReportFormat::Txt},
                                                                    {"pdf", ReportFormat::Pdf},
                                                                    {"xlsx", ReportFormat::Xlsx},
                                                                    {"csv", ReportFormat::Csv}});
    if (!format)
        return usageError(badValue(QStringLiteral("format"), parser.value(formatOption),
                                   QStringLiteral("txt, pdf, xlsx or csv")));
    request.format = *format;
    // A binary file does not belong on a terminal or in a text pipe.
    if ((request.format == ReportFormat::Pdf || request.format == ReportFormat::Xlsx) &&
        request.outputPath.isEmpty())
        return usageError(QStringLiteral("--format %1 needs -o PATH (a binary file is not "
                                         "written to standard output)")
                              .arg(parser.value(formatOption).toLower()));

    ReportOptions options;
    options.status = ReportOptions::Status::Run;
    options.request = request;
    return options;
}

} // namespace ezr
