#include "ExamineeTable.h"

#include "ExplanationTexts.h"
#include "Regional.h"
#include "ReportHeader.h"
#include "ResultSheet.h"

#include <array>

namespace ezr {

namespace {

QStringList motiveNames() {
    QStringList names;
    for (const QString& name : MotiveNames)
        names << name.trimmed();
    return names;
}

// The motives' words in variable names, in the order of MotiveNames.
constexpr std::array<const char*, MotiveCount> MotiveWords = {
    "transform", "communication", "utility", "cooperation", "competition", "achievement"};

// The 36 profile cells in the order of the record: profile 1, 2, 3. Numbers of answers.
QList<ExamineeColumn> profileCells() {
    const QStringList motives = motiveNames();
    QList<ExamineeColumn> cells;
    const auto add = [&](const QString& heading, const QByteArray& variable) {
        for (int m = 0; m < MotiveCount; ++m)
            cells.append({heading + motives[m], variable + MotiveWords[m], 0});
    };
    add(QStringLiteral("П1 "), "p1_");
    add(QStringLiteral("П2 РО "), "p2_result_");
    add(QStringLiteral("П2 ПО "), "p2_process_");
    add(QStringLiteral("П3 Деньги "), "p3_money_");
    add(QStringLiteral("П3 Коллектив "), "p3_team_");
    add(QStringLiteral("П3 Труд "), "p3_work_");
    return cells;
}

template <std::size_t N> void appendNumbers(TableRow& row, const std::array<double, N>& values) {
    for (double v : values)
        row.append(v);
}

void appendProfiles(TableRow& row, const Profiles& profiles) {
    appendNumbers(row, profiles.profile1);
    appendNumbers(row, profiles.profile2);
    appendNumbers(row, profiles.profile3);
}

QVariant textCell(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString numberText(double value, QChar decimalPoint) {
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    if (decimalPoint != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

QString csvField(const QVariant& cell, QChar separator, QChar decimalPoint) {
    if (!cell.isValid())
        return QString();
    if (cell.typeId() == QMetaType::Double)
        return numberText(cell.toDouble(), decimalPoint);
    QString text = cell.toString();
    // A spreadsheet program would run a text that starts like a formula ("=HYPERLINK(…)",
    // "+cmd|…", "@SUM(…)"); the leading apostrophe keeps it text, as spreadsheet guidance
    // recommends.
    if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(separator) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

QList<ExamineeColumn> examineeColumns() {
    QList<ExamineeColumn> columns = {{QStringLiteral("Файл"), "file"},
                                     {QStringLiteral("Код"), "code"},
                                     {QStringLiteral("Ф.И.О."), "name"},
                                     {QStringLiteral("Пол"), "sex"},
                                     {QStringLiteral("Образование"), "education"},
                                     {QStringLiteral("Дата"), "test_date"},
                                     {QStringLiteral("Возраст"), "age"}};
    const QList<ExamineeColumn> cells = profileCells();
    columns += cells;
    // Each cell's chi-square against the norm.
    for (const ExamineeColumn& cell : cells)
        columns.append({QStringLiteral("Хм2 ") + cell.heading, "chi_" + cell.variable, 2});
    columns += QList<ExamineeColumn>{{QStringLiteral("X2 П1"), "x2_p1", 3},
                                     {QStringLiteral("X2 П2"), "x2_p2", 3},
                                     {QStringLiteral("X2 П3"), "x2_p3", 3},
                                     {QStringLiteral("Включенность в коллектив"), "inclusion", 1},
                                     {QStringLiteral("Инновационный потенциал"), "innovation", 1},
                                     {QStringLiteral("Среднее время"), "time_mean", 2},
                                     {QStringLiteral("Ст. откл. времени"), "time_sd", 2}};
    return columns;
}

QStringList examineeHeadings() {
    QStringList headings;
    for (const ExamineeColumn& column : examineeColumns())
        headings << column.heading;
    return headings;
}

SheetTable examineeTable(const AnalysisState& state) {
    const AnalysisHeader& shown = state.header;
    SheetTable table;
    table.name = QStringLiteral("Обследуемые");
    table.frozenHeading = true;
    table.boldRows = {0};
    TableRow headings;
    for (const QString& heading : examineeHeadings())
        headings.append(heading);
    table.rows.append(headings);

    for (const ExamineeRecord& member : state.members) {
        TableRow row;
        row.append(textCell(member.fileName));
        if (state.kind == AnalysisKind::Individual) {
            for (const QString* field : {&shown.code, &shown.name, &shown.sex, &shown.education,
                                         &shown.testDate, &shown.age})
                row.append(textCell(*field));
        } else {
            const ResponseHeader& h = member.header;
            for (const QString* field :
                 {&h.code, &h.name, &h.sex, &h.education, &h.testDate, &member.age})
                row.append(textCell(*field));
        }
        appendProfiles(row, member.results.scores.raw);
        const NormComparison comparison = examineeComparison(member.results, state);
        appendProfiles(row, comparison.chi);
        for (const ProfileVerdict& profile : comparison.profiles)
            row << profile.x2;
        row << comparison.inclusion.value << comparison.innovation.value << member.results.meanTime
            << member.results.sdTime;
        table.rows.append(row);
    }
    return table;
}

SheetTable groupSummaryTable(const AnalysisState& state) {
    const ResultSheet sheet = formatSheet(state);
    const Scores& scores = state.record.scores;
    const NormComparison& comparison = state.comparison;
    SheetTable table;
    table.name = QStringLiteral("Группа");
    const auto add = [&](TableRow row, bool bold = false) {
        if (bold)
            table.boldRows.append(int(table.rows.size()));
        table.rows.append(std::move(row));
    };
    // The sheet is the group's: its name line would only repeat "Группа".
    for (const HeaderLine& line : reportHeader(state))
        if (line.field != HeaderLine::Field::Name)
            add({line.label, textCell(line.value)});
    add({QStringLiteral("Включенность в коллектив"), comparison.inclusion.value});
    add({QStringLiteral("Инновационный потенциал"), comparison.innovation.value});
    add({});

    const auto profileRow = [&](int number) {
        add({QStringLiteral("Профиль %1").arg(number), QStringLiteral("X2"),
             comparison.profiles[std::size_t(number - 1)].x2,
             profileCaption(number, comparison).trimmed()},
            true);
    };
    const QStringList motives = motiveNames();
    profileRow(1);
    add({QStringLiteral("Смыслообразующие мотивы"), QStringLiteral("Деньги РО"),
         QStringLiteral("Деньги ПО"), QStringLiteral("Коллектив РО"),
         QStringLiteral("Коллектив ПО"), QStringLiteral("Труд РО"), QStringLiteral("Труд ПО"),
         QStringLiteral("балл."), QStringLiteral("%"), QStringLiteral("Хм2")},
        true);
    for (int m = 0; m < MotiveCount; ++m) {
        TableRow cells{motives[m]};
        const int perMotive = StimulusCount * OrientationCount;
        for (int k = 0; k < perMotive; ++k)
            cells.append(scores.motiveCounts[std::size_t(m * perMotive + k)]);
        const double raw = scores.raw.profile1[std::size_t(m)];
        cells << raw << percentOfAnswers(raw) << comparison.chi.profile1[std::size_t(m)];
        add(cells);
    }
    add({});

    const auto bandRows = [&](int number, const TextGrid& grid, const QStringList& groups,
                              const auto& raw, const auto& chi) {
        profileRow(number);
        TableRow head{QString()};
        for (const QString& group : groups)
            for (const QString& m : motives)
                head.append(group + QLatin1Char(' ') + m);
        add(head, true);
        TableRow rawRow{grid.cell(0, ProfileRow::Score).trimmed()};
        TableRow percentRow{grid.cell(0, ProfileRow::Percent).trimmed()};
        TableRow chiRow{grid.cell(0, ProfileRow::Chi).trimmed()};
        for (std::size_t k = 0; k < raw.size(); ++k) {
            rawRow.append(raw[k]);
            percentRow.append(percentOfAnswers(raw[k]));
            chiRow.append(chi[k]);
        }
        add(rawRow);
        add(percentRow);
        add(chiRow);
        add({});
    };
    bandRows(2, sheet.orientationGrid, {QStringLiteral("РО"), QStringLiteral("ПО")},
             scores.raw.profile2, comparison.chi.profile2);
    bandRows(3, sheet.stimulusGrid,
             {QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")},
             scores.raw.profile3, comparison.chi.profile3);
    return table;
}

QByteArray buildCsv(const SheetTable& table, QChar separator, QChar decimalPoint) {
    QString text;
    for (const TableRow& row : table.rows) {
        QStringList fields;
        for (const QVariant& cell : row)
            fields << csvField(cell, separator, decimalPoint);
        text += fields.join(separator);
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray buildRegionalCsv(const SheetTable& table) {
    const QChar point = decimalSeparator();
    return buildCsv(table, point == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(','), point);
}

QByteArray buildExamineeXlsx(const AnalysisState& state) {
    QList<SheetTable> sheets{examineeTable(state)};
    if (state.kind == AnalysisKind::Group)
        sheets.append(groupSummaryTable(state));
    return buildXlsx(sheets);
}

} // namespace ezr
