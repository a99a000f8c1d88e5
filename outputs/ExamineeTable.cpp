#include "ExamineeTable.h"
#include "ExamineeTableParts.h"

#include "AnalysisError.h"
#include "AnalysisSummary.h"
#include "ExplanationTexts.h"
#include "Regional.h"
#include "ReportHeader.h"
#include "ResultSheet.h"
#include "StatisticsTable.h"
#include "VerifiedWrite.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace ezr {

namespace {

// The motives' words in variable names, in the order of MotiveNames.
constexpr std::array<const char*, MotiveCount> MotiveWords = {
    "transform", "communication", "utility", "cooperation", "competition", "achievement"};

// The 36 profile cells in the order of the record: profile 1, 2, 3. Numbers of answers.
QList<ExamineeColumn> profileCells() {
    const QStringList motives = tableMotiveNames();
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

// The numbers of a row after its texts: profiles, cell chi-squares, profile chi-squares,
// indices and answer-time statistics.
constexpr int TextColumns = ExamineeTextColumns;
constexpr int NumberColumns = ExamineeNumberColumns;
using RowNumbers = std::array<double, NumberColumns>;

template <std::size_t N> double* copyNumbers(double* out, const std::array<double, N>& values) {
    for (double v : values)
        *out++ = v;
    return out;
}

double* copyProfiles(double* out, const Profiles& profiles) {
    out = copyNumbers(out, profiles.profile1);
    out = copyNumbers(out, profiles.profile2);
    return copyNumbers(out, profiles.profile3);
}

// The row's numbers as computed.
RowNumbers rowNumbers(const ExamineeScores& examinee, const Norm& norm) {
    RowNumbers numbers{};
    const NormComparison comparison =
        compareWithNorm(norm, examinee.scores.raw, AnalysisKind::Individual);
    double* out = copyProfiles(numbers.data(), examinee.scores.raw);
    out = copyProfiles(out, comparison.chi);
    for (const ProfileVerdict& profile : comparison.profiles)
        *out++ = profile.x2;
    *out++ = comparison.inclusion.value;
    *out++ = comparison.innovation.value;
    *out++ = examinee.meanTime;
    *out++ = examinee.sdTime;
    return numbers;
}

// The numbers as the table carries them: every one to the table files' one precision.
RowNumbers shownNumbers(const ExamineeScores& examinee, const Norm& norm) {
    RowNumbers numbers = rowNumbers(examinee, norm);
    for (double& value : numbers)
        value = tableValue(value);
    return numbers;
}

std::array<QStringView, TextColumns> rowTexts(const ExamineeRow& e) {
    return {e.fileName, e.code, e.name, e.sex, e.education, e.testDate, e.age};
}

// The entries of the state's examinees, in order.
template <typename Each> void forEachEntry(const AnalysisState& state, Each each) {
    const AnalysisHeader& shown = state.header;
    for (const ExamineeRecord& member : state.members) {
        ExamineeRow entry;
        entry.fileName = member.fileName;
        if (state.kind == AnalysisKind::Individual) {
            entry.code = shown.code;
            entry.name = shown.name;
            entry.sex = shown.sex;
            entry.education = shown.education;
            entry.testDate = shown.testDate;
            entry.age = shown.age;
        } else {
            const ResponseHeader& h = member.header;
            entry.code = h.code;
            entry.name = h.name;
            entry.sex = h.sex;
            entry.education = h.education;
            entry.testDate = h.testDate;
            entry.age = member.age;
        }
        entry.results = &member.results;
        each(entry);
    }
}

// The answer-quality columns after the norm: the figures, the time-based ones "не
// измерялось" for a sheet typed from paper, and the verdict, empty when nothing is doubtful.
QList<QVariant> qualityCells(const ExamineeScores& examinee) {
    const AnswerQuality& q = examinee.quality;
    const QVariant notMeasured(NotMeasured);
    const QString verdict = qualityVerdict(q);
    return {q.timed ? QVariant(double(q.fastAnswers)) : notMeasured,
            double(q.longestRun),
            double(q.unanswered),
            double(q.doubleMarked),
            q.timed ? QVariant(roundedFixed(q.fastQuarterShare * 100.0, 1)) : notMeasured,
            verdict.isEmpty() ? QVariant() : QVariant(verdict)};
}

} // namespace

QStringList tableMotiveNames() {
    QStringList names;
    for (const QString& name : MotiveNames)
        names << name.trimmed();
    return names;
}

QVariant tableTextCell(QStringView text) {
    return text.isEmpty() ? QVariant() : QVariant(text.toString());
}

std::array<double, ExamineeNumberColumns> examineeComputedNumbers(const ExamineeScores& examinee,
                                                                  const Norm& norm) {
    return rowNumbers(examinee, norm);
}

std::array<QStringView, ExamineeTextColumns> examineeRowTexts(const ExamineeRow& examinee) {
    return rowTexts(examinee);
}

std::array<double, ExamineeNumberColumns> examineeRowNumbers(const ExamineeScores& examinee,
                                                             const Norm& norm) {
    return shownNumbers(examinee, norm);
}

QList<QVariant> examineeQualityCells(const ExamineeScores& examinee) {
    return qualityCells(examinee);
}

double tableValue(double value) {
    if (!std::isfinite(value) || value == 0.0)
        return value;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value,
                                   std::chars_format::scientific, TableDigits - 1)
                         .ptr;
    double rounded = value;
    std::from_chars(digits, end, rounded);
    return rounded;
}

QList<ExamineeColumn> examineeColumns() {
    QList<ExamineeColumn> columns = {{QStringLiteral("Файл"), "file"},
                                     {QStringLiteral("Код"), "code"},
                                     {QStringLiteral("Ф.И.О."), "name"},
                                     {QStringLiteral("Пол"), "sex"},
                                     {QStringLiteral("Образование"), "education"},
                                     {QStringLiteral("Дата"), "test_date", -1, true},
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
                                     {QStringLiteral("Ст. откл. времени"), "time_sd", 2},
                                     {QStringLiteral("Норма"), "norm"}};
    // Whether the answers can be trusted (model/AnswerQuality), after everything else.
    columns += QList<ExamineeColumn>{
        {QStringLiteral("Ответов быстрее 2 с"), "fast_answers", 0},
        {QStringLiteral("Самая длинная серия одинаковых выборов"), "longest_run", 0},
        {QStringLiteral("Пунктов без ответа"), "unanswered", 0},
        {QStringLiteral("Пунктов с двумя отметками"), "double_marked", 0},
        {QStringLiteral("Время на быструю четверть пунктов, %"), "fast_quarter_share", 1},
        {QStringLiteral("Достоверность ответов"), "answer_quality"}};
    return columns;
}

QStringList examineeHeadings() {
    QStringList headings;
    for (const ExamineeColumn& column : examineeColumns())
        headings << column.heading;
    return headings;
}

SheetTable examineeTable(const AnalysisState& state) {
    SheetTable table;
    table.name = QStringLiteral("Обследуемые");
    table.frozenHeading = true;
    table.boldRows = {0};
    TableRow headings;
    for (const QString& heading : examineeHeadings())
        headings.append(heading);
    table.rows.append(headings);

    const Norm& norm = state.comparison.norm;
    const QString normName = tableNormName(norm);
    forEachEntry(state, [&](const ExamineeRow& examinee) {
        TableRow row;
        for (QStringView text : rowTexts(examinee))
            row.append(tableTextCell(text));
        for (double value : shownNumbers(*examinee.results, norm))
            row.append(value);
        row.append(normName);
        row += qualityCells(*examinee.results);
        table.rows.append(row);
    });
    return table;
}

QString tableNormName(const Norm& norm) {
    return normGroupName(norm);
}

std::unique_ptr<ExamineeTableWriter> examineeTableWriter(ReportFormat format, ByteSink& sink,
                                                         const Norm& norm) {
    if (format == ReportFormat::Xlsx)
        return workbookTableWriter(sink, norm);
    return csvTableWriter(sink, norm);
}

void addGroupMember(ExamineeTableWriter& table, const GroupMember& member) {
    const QList<QStringView>& lines = member.lines;
    // A member's dates that do not read leave its age empty rather than failing the group.
    QString age;
    try {
        age = ageText(lineAt(lines, 0), lineAt(lines, 1));
    } catch (const AnalysisError&) {
        age.clear();
    }
    const ExamineeScores results = scoresOf(member.record);
    ExamineeRow entry;
    entry.fileName = member.fileName;
    entry.testDate = lineAt(lines, 0);
    entry.code = lineAt(lines, 2);
    entry.name = lineAt(lines, 3);
    entry.sex = lineAt(lines, 4);
    entry.education = lineAt(lines, 5);
    entry.age = age;
    entry.results = &results;
    table.add(entry);
}

void writeExamineeRows(const AnalysisState& state, ExamineeTableWriter& table) {
    forEachEntry(state, [&](const ExamineeRow& examinee) { table.add(examinee); });
}

void writeExamineeTable(ReportFormat format, const AnalysisState& state, ByteSink& sink) {
    const std::unique_ptr<ExamineeTableWriter> writer =
        examineeTableWriter(format, sink, state.comparison.norm);
    writeExamineeRows(state, *writer);
    writer->finish(state);
}

QByteArray buildExamineeXlsx(const AnalysisState& state) {
    ByteArraySink sink;
    writeExamineeTable(ReportFormat::Xlsx, state, sink);
    return std::move(sink.bytes());
}

} // namespace ezr