#include "ExamineeTable.h"

#include "ExplanationTexts.h"
#include "Regional.h"
#include "ReportHeader.h"
#include "ResultSheet.h"

namespace ezr {

namespace {

QStringList motiveNames() {
    QStringList names;
    for (const QString& name : MotiveNames)
        names << name.trimmed();
    return names;
}

// The 36 profile cells in the order of the record: profile 1, 2, 3.
QStringList profileCellNames() {
    const QStringList motives = motiveNames();
    QStringList names;
    for (const QString& m : motives)
        names << QStringLiteral("П1 ") + m;
    for (const char* orientation : {"РО", "ПО"})
        for (const QString& m : motives)
            names << QStringLiteral("П2 %1 %2").arg(QString::fromUtf8(orientation), m);
    for (const char* stimulus : {"Деньги", "Коллектив", "Труд"})
        for (const QString& m : motives)
            names << QStringLiteral("П3 %1 %2").arg(QString::fromUtf8(stimulus), m);
    return names;
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

QStringList examineeHeadings() {
    QStringList headings = {QStringLiteral("Файл"),        QStringLiteral("Код"),
                            QStringLiteral("Ф.И.О."),      QStringLiteral("Пол"),
                            QStringLiteral("Образование"), QStringLiteral("Дата"),
                            QStringLiteral("Возраст")};
    const QStringList cells = profileCellNames();
    headings += cells;
    for (const QString& cell : cells)
        headings << QStringLiteral("Хм2 ") + cell;
    headings << QStringLiteral("X2 П1") << QStringLiteral("X2 П2") << QStringLiteral("X2 П3")
             << QStringLiteral("Включенность в коллектив")
             << QStringLiteral("Инновационный потенциал") << QStringLiteral("Среднее время")
             << QStringLiteral("Ст. откл. времени");
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
        appendProfiles(row, member.data.scores.raw);
        const NormComparison comparison = examineeComparison(member.data, state);
        appendProfiles(row, comparison.chi);
        for (const ProfileVerdict& profile : comparison.profiles)
            row << profile.x2;
        row << comparison.inclusion.value << comparison.innovation.value << member.data.meanTime
            << member.data.sdTime;
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
