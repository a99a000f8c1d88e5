#include "ImportCommand.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "Folders.h"
#include "ImportFile.h"
#include "ResponseFile.h"
#include "SheetFiles.h"

#include <QCommandLineParser>
#include <QDir>

namespace ezr {

namespace {

void writeLine(QIODevice& device, const QString& text) {
    device.write((text + QLatin1Char('\n')).toLocal8Bit());
}

QString problemLine(const RowProblem& problem) {
    if (problem.row == 0) // the import as a whole
        return QStringLiteral("ezr-import: ") + problem.reason;
    QString line = QStringLiteral("ezr-import: строка %1").arg(problem.row);
    if (!problem.column.isEmpty())
        line += QStringLiteral(", столбец «%1»").arg(problem.column);
    return line + QStringLiteral(": ") + problem.reason;
}

// The problems of the first refused rows, then how many rows were refused beyond them.
void writeRefused(QIODevice& device, const RefusedRows& refused) {
    for (const RowProblem& problem : refused.named)
        writeLine(device, problemLine(problem));
    if (refused.rows > refused.namedRows)
        writeLine(device, QStringLiteral("ezr-import: и ещё %1 отклонённых строк")
                              .arg(refused.rows - refused.namedRows));
}

} // namespace

int runImportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes one response file (CODE.cry) per row of a table (CSV, .xlsx or .ods) into the "
        "data folder."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Show the version."));
    const QCommandLineOption dataOption(
        QStringLiteral("data"),
        QStringLiteral("The data folder to write into (default: the program's data folder)."),
        QStringLiteral("dir"));
    const QCommandLineOption replaceOption(
        QStringLiteral("replace"), QStringLiteral("Replace response files that already exist."));
    const QCommandLineOption allOption(
        QStringLiteral("all-or-nothing"),
        QStringLiteral("Write nothing at all when any row is refused."));
    parser.addOptions({helpOption, versionOption, dataOption, replaceOption, allOption});
    parser.addPositionalArgument(
        QStringLiteral("TABLE"),
        QStringLiteral("The table (CSV, .xlsx or .ods), one examinee per row."));
    if (!parser.parse(arguments)) {
        writeLine(standardError, QStringLiteral("ezr-import: ") + parser.errorText());
        return 2;
    }
    if (parser.isSet(helpOption)) {
        standardOutput.write(parser.helpText().toLocal8Bit());
        return 0;
    }
    if (parser.isSet(versionOption)) {
        writeLine(standardOutput, QStringLiteral("ezr-import ") + ProgramVersion);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        writeLine(standardError,
                  QStringLiteral("ezr-import: нужна ровно одна таблица (TABLE); см. --help"));
        return 2;
    }
    try {
        const QString& tablePath = positional.front();
        const ImportTable table = openImportTable(tablePath);
        const QString dataDir =
            parser.isSet(dataOption) ? parser.value(dataOption) : ezr::FolderConfig().dataFolder();
        const ImportOutcome outcome =
            importRows(table, dataDir, parser.isSet(replaceOption), parser.isSet(allOption));
        if (!outcome.recovered.isEmpty())
            writeLine(standardError, QStringLiteral("ezr-import: ") + outcome.recovered);
        if (!outcome.warning.isEmpty())
            writeLine(standardError, QStringLiteral("ezr-import: ") + outcome.warning);
        writeRefused(standardError, outcome.refused);
        writeLine(standardOutput,
                  QStringLiteral("Записано файлов: %1 (заменено: %2) в %3; отклонено строк: %4")
                      .arg(outcome.written.size())
                      .arg(outcome.replaced)
                      .arg(QDir::toNativeSeparators(dataDir))
                      .arg(outcome.refused.rows));
        return outcome.refused.isEmpty() ? 0 : 1;
    } catch (const AnalysisError& error) {
        writeLine(standardError, QStringLiteral("ezr-import: ") + error.message());
        return 1;
    }
}

} // namespace ezr
