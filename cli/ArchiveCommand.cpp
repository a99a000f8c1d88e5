#include "ArchiveCommand.h"

#include "AnalysisError.h"
#include "ArchiveSchema.h"
#include "ArchiveStore.h"
#include "MemberFilter.h"
#include "NormFile.h"
#include "PgConnection.h"
#include "Regional.h"
#include "ResponseFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace ezr {

namespace {

const QString Description = QStringLiteral(
    "Архив отдела на PostgreSQL / The department's archive on PostgreSQL.\n"
    "\n"
    "  ezr-archive [--db CONNINFO] init\n"
    "  ezr-archive [--db CONNINFO] import DIR --unit NAME\n"
    "  ezr-archive [--db CONNINFO] export DIR [--where COND] [--unit NAME]\n"
    "  ezr-archive [--db CONNINFO] list [--where COND] [--unit NAME]\n"
    "  ezr-archive [--db CONNINFO] delete CODE --reason TEXT\n"
    "  ezr-archive [--db CONNINFO] grant ROLE (--unit NAME | --head)\n"
    "  ezr-archive [--db CONNINFO] revoke ROLE --unit NAME\n"
    "  ezr-archive [--db CONNINFO] norms\n"
    "  ezr-archive [--db CONNINFO] save-norm NORM.json\n"
    "\n"
    "CONNINFO: a libpq connection string (\"service=ezr\", \"host=server dbname=ezr\");\n"
    "without --db, PGSERVICE, PGHOST, PGDATABASE and ~/.pg_service.conf choose the server,\n"
    "~/.pgpass holds the password.\n"
    "--where: sex=male|female, education=higher|secondary, age=MIN-MAX,\n"
    "date=YYYY-MM-DD..YYYY-MM-DD, joined by commas.");

void writeLine(QIODevice& device, const QString& text) {
    device.write((text + QLatin1Char('\n')).toUtf8());
}

// What one run asks for, read from the command line without side effects.
struct ArchiveRequest {
    QString command;
    QString argument; // DIR, CODE, ROLE or NORM.json
    QString conninfo;
    QString unit;
    std::optional<MemberFilter> filter;
    QString reason;
    bool head = false;
};

struct Usage {
    std::optional<ArchiveRequest> request;
    QString text; // the reason when `request` is empty
};

// Which options and how many arguments each command takes.
std::optional<QString> checkCommand(const ArchiveRequest& r, const QCommandLineParser& parser,
                                    qsizetype arguments) {
    static const QStringList takesOne{QStringLiteral("import"), QStringLiteral("export"),
                                      QStringLiteral("delete"), QStringLiteral("grant"),
                                      QStringLiteral("revoke"), QStringLiteral("save-norm")};
    static const QStringList takesNone{QStringLiteral("init"), QStringLiteral("list"),
                                       QStringLiteral("norms")};
    if (!takesOne.contains(r.command) && !takesNone.contains(r.command))
        return QStringLiteral("Unknown command '%1'").arg(r.command);
    const qsizetype wanted = takesOne.contains(r.command) ? 1 : 0;
    if (arguments != wanted)
        return QStringLiteral("'%1' takes %2 argument(s)").arg(r.command).arg(wanted);
    const bool filters = r.command == QLatin1String("export") || r.command == QLatin1String("list");
    if (parser.isSet(QStringLiteral("where")) && !filters)
        return QStringLiteral("--where belongs to export and list");
    if (parser.isSet(QStringLiteral("reason")) != (r.command == QLatin1String("delete")))
        return QStringLiteral("delete needs --reason TEXT, and only delete takes it");
    if (r.command == QLatin1String("delete") && r.reason.trimmed().isEmpty())
        return QStringLiteral("--reason needs a text");
    if (r.head && r.command != QLatin1String("grant"))
        return QStringLiteral("--head belongs to grant");
    const bool needsUnit = r.command == QLatin1String("import") ||
                           r.command == QLatin1String("revoke") ||
                           (r.command == QLatin1String("grant") && !r.head);
    const bool takesUnit = needsUnit || filters;
    if (needsUnit && r.unit.isEmpty())
        return QStringLiteral("'%1' needs --unit NAME").arg(r.command);
    if (!takesUnit && parser.isSet(QStringLiteral("unit")))
        return QStringLiteral("--unit does not belong to '%1'").arg(r.command);
    if (r.head && parser.isSet(QStringLiteral("unit")))
        return QStringLiteral("Give either --unit NAME or --head");
    return std::nullopt;
}

Usage parseArchiveCommand(const QStringList& arguments, QString& helpText) {
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("See above."));
    parser.addOptions({
        {QStringLiteral("db"), QStringLiteral("libpq connection string."),
         QStringLiteral("CONNINFO")},
        {QStringLiteral("unit"), QStringLiteral("Подразделение / the unit (отдел, организация)."),
         QStringLiteral("NAME")},
        {QStringLiteral("where"), QStringLiteral("Условия отбора / which tests."),
         QStringLiteral("COND")},
        {QStringLiteral("reason"),
         QStringLiteral("Основание удаления / why a person's data "
                        "is deleted."),
         QStringLiteral("TEXT")},
        {QStringLiteral("head"), QStringLiteral("grant: руководитель, читает все подразделения "
                                                "/ a head, reads every unit.")},
    });
    if (!parser.parse(arguments))
        return {std::nullopt, parser.errorText()};
    if (parser.isSet(QStringLiteral("help"))) {
        helpText = parser.helpText();
        return {std::nullopt, {}};
    }
    if (parser.isSet(QStringLiteral("version"))) {
        helpText = QCoreApplication::applicationName() + QLatin1Char(' ') +
                   QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return {std::nullopt, {}};
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return {std::nullopt, QStringLiteral("Missing COMMAND")};
    ArchiveRequest r;
    r.command = positional.front();
    r.argument = positional.value(1);
    r.conninfo = parser.value(QStringLiteral("db"));
    r.unit = parser.value(QStringLiteral("unit")).trimmed();
    r.reason = parser.value(QStringLiteral("reason"));
    r.head = parser.isSet(QStringLiteral("head"));
    if (const auto reason = checkCommand(r, parser, positional.size() - 1))
        return {std::nullopt, *reason};
    if (parser.isSet(QStringLiteral("where"))) {
        try {
            r.filter = parseWhere(parser.value(QStringLiteral("where")));
        } catch (const AnalysisError& error) {
            return {std::nullopt, QStringLiteral("--where: ") + error.message()};
        }
    }
    return {r, {}};
}

QString dateText(const QDate& date) {
    return date.isValid() ? formatShortDate(date) : QString();
}

int runImport(PgConnection& archive, const ArchiveRequest& r, QIODevice& out, QIODevice& err) {
    const ImportSummary summary = importFolder(archive, r.argument, r.unit);
    for (const SkippedEntry& entry : summary.refused)
        writeLine(err, QStringLiteral("ezr-archive: %1: %2")
                           .arg(quotedInMessage(entry.fileName), entry.reason));
    writeLine(out, QStringLiteral("Сохранено: %1, уже в архиве: %2, не прочитано: %3")
                       .arg(summary.stored)
                       .arg(summary.alreadyStored)
                       .arg(summary.refused.size()));
    return summary.refused.isEmpty() ? 0 : 1;
}

void runList(PgConnection& archive, const ArchiveSelection& selection, QIODevice& out) {
    writeLine(out, QStringLiteral("Код\tФ.И.О.\tПол\tОбразование\tДата обследования\tВозраст\t"
                                  "Подразделение\tФайл"));
    const QList<ArchiveEntry> entries = listTests(archive, selection, ArchivePage{});
    for (const ArchiveEntry& e : entries)
        writeLine(out, QStringList{e.code, e.name, e.sex, e.education, dateText(e.testDate),
                                   e.age ? QString::number(*e.age) : QString(), e.unit, e.fileName}
                           .join(QLatin1Char('\t')));
}

int runCommand(const ArchiveRequest& r, QIODevice& out, QIODevice& err) {
    PgConnection archive(r.conninfo);
    if (r.command == QLatin1String("init")) {
        const int applied = migrateArchive(archive);
        writeLine(out, QStringLiteral("Архив версии %1 (применено изменений схемы: %2)")
                           .arg(archiveSchemaVersion())
                           .arg(applied));
        return 0;
    }
    checkArchiveVersion(archive);
    const ArchiveSelection selection{r.filter.value_or(MemberFilter{}), r.unit};
    if (r.command == QLatin1String("import"))
        return runImport(archive, r, out, err);
    if (r.command == QLatin1String("export")) {
        writeLine(
            out,
            QStringLiteral("Записано файлов: %1").arg(exportTests(archive, selection, r.argument)));
    } else if (r.command == QLatin1String("list")) {
        runList(archive, selection, out);
    } else if (r.command == QLatin1String("delete")) {
        writeLine(out, QStringLiteral("Удалено обследований: %1; акт удаления сохранён")
                           .arg(deletePerson(archive, r.argument, r.reason.trimmed())));
    } else if (r.command == QLatin1String("grant")) {
        if (r.head)
            grantHead(archive, r.argument);
        else
            grantUnit(archive, r.argument, r.unit);
    } else if (r.command == QLatin1String("revoke")) {
        if (!revokeUnit(archive, r.argument, r.unit))
            writeLine(err, QStringLiteral("ezr-archive: у роли %1 не было права на «%2»")
                               .arg(r.argument, r.unit));
    } else if (r.command == QLatin1String("norms")) {
        for (const Norm& norm : archiveNorms(archive))
            writeLine(out,
                      QStringLiteral("%1\t%2\t%3")
                          .arg(norm.name, QString::number(norm.memberCount), norm.description));
    } else if (r.command == QLatin1String("save-norm")) {
        const Norm norm = readNormFile(readFileBytes(r.argument, MaxNormFileSize), r.argument);
        saveArchiveNorm(archive, norm, {});
    }
    return 0;
}

} // namespace

int runArchiveCommand(const QStringList& arguments, QIODevice& standardOutput,
                      QIODevice& standardError) {
    QString helpText;
    const Usage usage = parseArchiveCommand(arguments, helpText);
    if (!usage.request && usage.text.isEmpty()) {
        standardOutput.write(helpText.toLocal8Bit());
        return 0;
    }
    if (!usage.request) {
        writeLine(standardError,
                  QStringLiteral("ezr-archive: %1\nTry 'ezr-archive --help' for more information.")
                      .arg(usage.text));
        return 2;
    }
    try {
        return runCommand(*usage.request, standardOutput, standardError);
    } catch (const AnalysisError& error) {
        writeLine(standardError, QStringLiteral("ezr-archive: ") + error.message());
        return 1;
    }
}

} // namespace ezr
