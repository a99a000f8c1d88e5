#include "ExamineeTable.h"

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

QVariant textCell(QStringView text) {
    return text.isEmpty() ? QVariant() : QVariant(text.toString());
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

// A number as the CSV writes it: the shortest digits that read back as the same value, in
// fixed notation.
void appendNumber(std::string& line, double value, char decimalPoint) {
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    if (decimalPoint != '.')
        std::replace(digits, result.ptr, '.', decimalPoint);
    line.append(digits, std::size_t(result.ptr - digits));
}

// The value rounded to six significant digits, written as appendNumber writes the rounded
// value (the shortest digits of a double nearest to a short decimal are that decimal), but
// from the decimal digits themselves, without reading them back into a double first.
void appendSignificant6(std::string& line, double value, char decimalPoint) {
    char scientific[32];
    const auto end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                   std::chars_format::scientific, 5)
                         .ptr;
    const char* e = std::find(scientific, end, 'e');
    if (!std::isfinite(value) || value == 0.0 || e == end) {
        appendNumber(line, value, decimalPoint);
        return;
    }
    const bool negative = scientific[0] == '-';
    // The six digits without the point, trailing zeros dropped.
    char digits[8];
    int count = 0;
    for (const char* p = scientific + (negative ? 1 : 0); p < e; ++p)
        if (*p != '.')
            digits[count++] = *p;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    if (negative)
        line += '-';
    if (exponent < 0) {
        line += '0';
        line += decimalPoint;
        line.append(std::size_t(-exponent - 1), '0');
        line.append(digits, count);
        return;
    }
    const int whole = exponent + 1;
    line.append(digits, std::size_t(std::min(count, whole)));
    if (count < whole) {
        line.append(std::size_t(whole - count), '0');
    } else if (count > whole) {
        line += decimalPoint;
        line.append(digits + whole, std::size_t(count - whole));
    }
}

// The UTF-8 of `text` appended to `out` when it needs no quotes (no `separator`, quote or
// line break) and holds no surrogate; false, with `out` as it was, otherwise. Written through
// a pointer, without a QByteArray per cell: a table of a million rows has tens of millions.
bool appendPlainUtf8(std::string& out, QStringView text, char separator) {
    const std::size_t start = out.size();
    out.resize(start + 3 * std::size_t(text.size()));
    char* p = out.data() + start;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            if (c == char16_t(separator) || c == u'"' || c == u'\r' || c == u'\n') {
                out.resize(start);
                return false;
            }
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (ch.isSurrogate()) {
            out.resize(start);
            return false;
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(std::size_t(p - out.data()));
    return true;
}

// RFC 4180 rows as UTF-8 bytes, handed to the sink some tens of kilobytes at a time.
class CsvWriter {
public:
    CsvWriter(ByteSink& sink, QChar separator, QChar decimalPoint)
        : sink_(sink), separator_(char(separator.unicode())), point_(char(decimalPoint.unicode())) {
        out_.reserve(2 * FlushBytes);
        out_ += "\xEF\xBB\xBF";
    }
    void text(QStringView text) {
        separate();
        if (text.isEmpty())
            return;
        // A spreadsheet program would run a text that starts like a formula ("=HYPERLINK(…)",
        // "+cmd|…", "@SUM(…)"); the leading apostrophe keeps it text, as spreadsheet guidance
        // recommends.
        const bool formula = QStringView(u"=+-@\t\r").contains(text.front());
        if (!formula && appendPlainUtf8(out_, text, separator_))
            return;
        const bool quoted = text.contains(QChar(separator_)) || text.contains(u'"') ||
                            text.contains(u'\r') || text.contains(u'\n');
        if (quoted)
            out_ += '"';
        if (formula)
            out_ += '\'';
        QByteArray utf8 = text.toUtf8();
        if (quoted)
            utf8.replace("\"", "\"\"");
        out_.append(utf8.constData(), std::size_t(utf8.size()));
        if (quoted)
            out_ += '"';
    }
    void number(double value) {
        separate();
        appendSignificant6(out_, value, point_);
    }
    void empty() { separate(); }
    void cell(const QVariant& cell) {
        if (!cell.isValid())
            empty();
        else if (cell.typeId() == QMetaType::Double)
            number(cell.toDouble());
        else
            text(cell.toString());
    }
    void endRow() {
        out_ += "\r\n";
        first_ = true;
        if (out_.size() >= FlushBytes)
            flush();
    }
    // Hands what is gathered to the sink; the table's end calls it.
    void flush() {
        sink_.write(QByteArrayView(out_.data(), qsizetype(out_.size())));
        out_.clear();
    }

private:
    static constexpr std::size_t FlushBytes = 64 * 1024;
    void separate() {
        if (!first_)
            out_ += separator_;
        first_ = false;
    }
    ByteSink& sink_;
    char separator_;
    char point_;
    std::string out_;
    bool first_ = true;
};

QChar regionalSeparator(QChar point) {
    return point == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
}

class CsvTableWriter final : public ExamineeTableWriter {
public:
    CsvTableWriter(ByteSink& sink, const Norm& norm)
        : csv_(sink, regionalSeparator(decimalSeparator()), decimalSeparator()), norm_(norm),
          normName_(tableNormName(norm)) {
        for (const ExamineeColumn& column : examineeColumns())
            csv_.text(column.heading);
        csv_.endRow();
    }
    void add(const ExamineeRow& examinee) override {
        for (QStringView text : rowTexts(examinee))
            csv_.text(text);
        const RowNumbers numbers = rowNumbers(*examinee.results, norm_);
        for (double value : numbers)
            csv_.number(value);
        csv_.text(normName_);
        for (const QVariant& cell : qualityCells(*examinee.results))
            csv_.cell(cell);
        csv_.endRow();
    }
    void finish(const AnalysisState&) override { csv_.flush(); }

private:
    CsvWriter csv_;
    Norm norm_;
    QString normName_;
};

} // namespace

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
            row.append(textCell(text));
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
    return std::make_unique<CsvTableWriter>(sink, norm);
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
    // The last row added shows `decimals` in the columns from `first` to `last`.
    const auto shown = [&](int first, int last, int decimals) {
        for (int c = first; c <= last; ++c)
            table.showDecimals(int(table.rows.size()) - 1, c, decimals);
    };
    // Who the group is, from its members' files: its code, name, sex, education and date
    // fields would show the member count, "Группа", the norm's traits and the day of the run.
    add({compositionText(state.composition)}, true);
    if (const QString period = testPeriodText(state.composition); !period.isEmpty())
        add({period});
    add({normLineText(comparison.norm)});
    for (const HeaderLine& line : reportHeader(state))
        if (line.field == HeaderLine::Field::Norm)
            add({line.label, textCell(line.value)});
    add({QStringLiteral("Дата анализа"), textCell(state.header.testDate)});
    for (const QString& line : excludedLines(state))
        add({line});
    add({QStringLiteral("Включенность в коллектив"), comparison.inclusion.value});
    shown(1, 1, 1);
    add({QStringLiteral("Инновационный потенциал"), comparison.innovation.value});
    shown(1, 1, 1);
    add({});

    const auto profileRow = [&](int number) {
        add({QStringLiteral("Профиль %1").arg(number), QStringLiteral("X2"),
             comparison.profiles[std::size_t(number - 1)].x2,
             profileCaption(number, comparison).trimmed()},
            true);
        shown(2, 2, 3);
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
        for (int k = 0; k < perMotive; ++k) {
            const int cell = m * perMotive + k;
            cells.append(scores.motiveCounts[std::size_t(cell)]);
        }
        const double raw = scores.raw.profile1[std::size_t(m)];
        cells << raw << percentOfAnswers(raw) << comparison.chi.profile1[std::size_t(m)];
        add(cells);
        shown(1, perMotive + 1, 1);
        shown(perMotive + 2, perMotive + 2, 1);
        shown(perMotive + 3, perMotive + 3, 2);
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
        const int last = int(raw.size());
        add(rawRow);
        shown(1, last, 1);
        add(percentRow);
        shown(1, last, 1);
        add(chiRow);
        shown(1, last, 2);
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
    ByteArraySink sink;
    CsvWriter csv(sink, separator, decimalPoint);
    for (const TableRow& row : table.rows) {
        for (const QVariant& cell : row)
            csv.cell(cell);
        csv.endRow();
    }
    csv.flush();
    return std::move(sink.bytes());
}

QByteArray buildRegionalCsv(const SheetTable& table) {
    const QChar point = decimalSeparator();
    return buildCsv(table, regionalSeparator(point), point);
}

QByteArray buildExamineeXlsx(const AnalysisState& state) {
    ByteArraySink sink;
    writeExamineeTable(ReportFormat::Xlsx, state, sink);
    return std::move(sink.bytes());
}

} // namespace ezr
