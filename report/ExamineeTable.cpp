#include "ExamineeTable.h"

#include "ExplanationTexts.h"
#include "Regional.h"

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

QVariant textCell(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A number as the sheet shows it, or the text when it is not one.
QVariant shownNumber(const QString& text) {
    double value = 0.0;
    if (tryParseFloat(text, decimalSeparator(), value))
        return value;
    return textCell(text.trimmed());
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
    const ResultSheet& sheet = state.sheet;
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
        if (sheet.isIndividual()) {
            for (const QString* field : {&sheet.code, &sheet.name, &sheet.sex, &sheet.education,
                                         &sheet.testDate, &sheet.age})
                row.append(textCell(*field));
        } else {
            const ResponseHeader& h = member.header;
            for (const QString* field :
                 {&h.code, &h.name, &h.sex, &h.education, &h.testDate, &member.age})
                row.append(textCell(*field));
        }
        appendNumbers(row, member.data.Profile1Raw);
        appendNumbers(row, member.data.Profile2Raw);
        appendNumbers(row, member.data.Profile3Raw);
        const NormComparison comparison = examineeComparison(member.data, sheet);
        appendNumbers(row, comparison.chi1);
        appendNumbers(row, comparison.chi2);
        appendNumbers(row, comparison.chi3);
        row << comparison.profile1.x2 << comparison.profile2.x2 << comparison.profile3.x2
            << comparison.inclusion.value << comparison.innovation.value << member.data.MeanTime
            << member.data.SdTime;
        table.rows.append(row);
    }
    return table;
}

SheetTable groupSummaryTable(const ResultSheet& sheet) {
    SheetTable table;
    table.name = QStringLiteral("Группа");
    const auto add = [&](TableRow row, bool bold = false) {
        if (bold)
            table.boldRows.append(int(table.rows.size()));
        table.rows.append(std::move(row));
    };
    add({QStringLiteral("Код"), textCell(sheet.code)});
    add({QStringLiteral("Дата обследования"), textCell(sheet.testDate)});
    if (!sheet.sex.isEmpty())
        add({QStringLiteral("Пол"), sheet.sex});
    if (!sheet.education.isEmpty())
        add({QStringLiteral("Образование"), sheet.education});
    add({QStringLiteral("Нормирование"), textCell(sheet.norm)});
    add({QStringLiteral("Включенность в коллектив"), shownNumber(sheet.inclusionIndex)});
    add({QStringLiteral("Инновационный потенциал"), shownNumber(sheet.innovationIndex)});
    add({});

    const QStringList motives = motiveNames();
    add({QStringLiteral("Профиль 1"), QStringLiteral("X2"), shownNumber(sheet.profile1X2),
         textCell(sheet.profile1Caption.trimmed())},
        true);
    add({QStringLiteral("Смыслообразующие мотивы"), QStringLiteral("Деньги РО"),
         QStringLiteral("Деньги ПО"), QStringLiteral("Коллектив РО"),
         QStringLiteral("Коллектив ПО"), QStringLiteral("Труд РО"), QStringLiteral("Труд ПО"),
         QStringLiteral("балл."), QStringLiteral("%"), QStringLiteral("Хм2")},
        true);
    for (int row = 1; row <= MotiveCount; ++row) {
        TableRow cells{motives[row - 1]};
        for (int column = 1; column <= 9; ++column)
            cells.append(shownNumber(sheet.motiveGrid.cell(column, row)));
        add(cells);
    }
    add({});

    const auto bandRows = [&](int number, const QString& x2, const QString& caption,
                              const TextGrid& grid, const QStringList& groups) {
        add({QStringLiteral("Профиль %1").arg(number), QStringLiteral("X2"), shownNumber(x2),
             textCell(caption.trimmed())},
            true);
        TableRow head{QString()};
        for (const QString& group : groups)
            for (const QString& m : motives)
                head.append(group + QLatin1Char(' ') + m);
        add(head, true);
        for (int row = 1; row <= 3; ++row) {
            TableRow cells{grid.cell(0, row).trimmed()};
            for (int k = 1; k < grid.columnCount(); ++k)
                cells.append(shownNumber(grid.cell(k, row)));
            add(cells);
        }
        add({});
    };
    bandRows(2, sheet.profile2X2, sheet.profile2Caption, sheet.orientationGrid,
             {QStringLiteral("РО"), QStringLiteral("ПО")});
    bandRows(3, sheet.profile3X2, sheet.profile3Caption, sheet.stimulusGrid,
             {QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")});
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
    if (!state.sheet.isIndividual())
        sheets.append(groupSummaryTable(state.sheet));
    return buildXlsx(sheets);
}

QString tableFileName(const ResultSheet& sheet, const QString& extension) {
    return sheet.code +
           (sheet.isIndividual() ? QStringLiteral(" Mel.Sb.") : QStringLiteral(" Mel.Gr.")) +
           extension;
}

} // namespace ezr
