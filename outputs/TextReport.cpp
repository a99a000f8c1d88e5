#include "TextReport.h"

#include "AnalysisSummary.h"
#include "Regional.h"
#include "ReportHeader.h"
#include "ResponseFile.h"
#include "ResultSheet.h"

namespace ezr {

namespace {

const QString LineEnd = QStringLiteral("\r\n");

// The digits 1 to 6 twice, each on the last character of a 6-character value field that
// follows the 13-character row label.
const QString MotiveNumbersLine = QStringLiteral("                  1     2     3     4     5     6"
                                                 "     1     2     3     4     5     6");

class ReportWriter {
public:
    void line(const QString& text = QString()) {
        text_ += text;
        text_ += LineEnd;
    }
    QString& text() { return text_; }

private:
    QString text_;
};

// The report always writes a point, with the same rounding as the screen.
QString pointValue(double value) {
    QString text = formatFixed(value, 6, 1);
    const QChar separator = decimalSeparator();
    if (separator != QLatin1Char('.'))
        text.replace(separator, QLatin1Char('.'));
    return text;
}

// One row of profile 2 or 3: the label of `row`, then the cells `first` to `last` (profile
// cells, from 0).
template <std::size_t N>
QString valueRow(const AnalysisState& state, const TextGrid& grid, int row,
                 const std::array<double, N>& raw, const std::array<double, N>& chi,
                 std::size_t first, std::size_t last) {
    QString text = grid.cell(0, row).rightJustified(13, QLatin1Char(' '));
    for (std::size_t k = first; k <= last; ++k) {
        switch (row) {
        case ProfileRow::Score:
            text += pointValue(shownScore(raw[k], state.kind));
            break;
        case ProfileRow::Percent:
            text += pointValue(percentOfAnswers(raw[k]));
            break;
        default:
            text += pointValue(chi[k]);
            break;
        }
    }
    return text;
}

QString profileLine(int number, const QString& x2, const QString& caption) {
    return QStringLiteral("Профиль %1.  X2 = ").arg(number) + x2 + QStringLiteral("  ") + caption;
}

// The header fields, each on its line.
QString headText(const AnalysisState& state) {
    ReportWriter out;
    for (const HeaderLine& line : reportHeader(state))
        out.line(line.label + QStringLiteral(": ") + line.value);
    return out.text();
}

// Everything after the information text.
QString tailText(const ReportSnapshot& snapshot, const ResultSheet& sheet) {
    const AnalysisState& state = snapshot.analysis;
    const Profiles& raw = state.record.scores.raw;
    const Profiles& chi = state.comparison.chi;
    ReportWriter out;
    out.line();
    out.line(QStringLiteral("Включенность в коллектив: ") + sheet.inclusionIndex);
    out.line(QStringLiteral(" Инновационный потенциал: ") + sheet.innovationIndex);
    out.line();

    out.line(profileLine(1, sheet.profile1X2, sheet.profile1Caption));
    out.line(QStringLiteral("                       Деньги    Коллектив      Труд"));
    out.line(QStringLiteral(
        "Смыслообраз. мотивы   РО    ПО    РО    ПО    РО    ПО  балл.  %      X2м"));
    const TextGrid& motives = sheet.motiveGrid;
    for (int row = 1; row <= 6; ++row) {
        QString text;
        for (int column = 0; column <= 9; ++column)
            text += motives.cell(column, row);
        out.line(text);
    }
    out.line();

    out.line(profileLine(2, sheet.profile2X2, sheet.profile2Caption));
    out.line(QStringLiteral("                      Результирующая ориентация"
                            "          Процессуальная ориентация"));
    out.line(MotiveNumbersLine);
    for (int row = ProfileRow::Score; row <= ProfileRow::Chi; ++row)
        out.line(valueRow(state, sheet.orientationGrid, row, raw.profile2, chi.profile2, 0, 11));
    out.line();

    out.line(profileLine(3, sheet.profile3X2, sheet.profile3Caption));
    out.line(QStringLiteral("                            Д е н ь г и"
                            "                   К о л л е к т и в"));
    out.line(MotiveNumbersLine);
    for (int row = ProfileRow::Score; row <= ProfileRow::Chi; ++row)
        out.line(valueRow(state, sheet.stimulusGrid, row, raw.profile3, chi.profile3, 0, 11));
    out.line(QStringLiteral("                              Т р у д"));
    out.line(MotiveNumbersLine.left(49));
    for (int row = ProfileRow::Score; row <= ProfileRow::Chi; ++row)
        out.line(valueRow(state, sheet.stimulusGrid, row, raw.profile3, chi.profile3, 12, 17));
    out.line();

    out.line(QStringLiteral("Комментарий к анализу"));
    for (const QString& commentLine : snapshot.commentLines)
        out.line(commentLine);
    return out.text();
}

} // namespace

QByteArray buildTextReport(const ReportSnapshot& snapshot) {
    const ResultSheet sheet = formatSheet(snapshot.analysis);
    ReportWriter out;
    out.text() = headText(snapshot.analysis);
    out.line(sheet.infoHint);
    out.text() += tailText(snapshot, sheet);
    return encodeWindows1251(out.text());
}

GroupTextReportWriter::GroupTextReportWriter(ByteSink& sink, const AnalysisState& listed, bool utf8)
    : sink_(sink), utf8_(utf8) {
    put(headText(listed) + QStringLiteral("Состав группы:") + LineEnd);
}

void GroupTextReportWriter::put(QStringView text) {
    const QByteArray bytes = encodeWindows1251(text);
    // As the whole report would be converted: through the code page, so that both read alike.
    sink_.write(utf8_ ? decodeWindows1251(bytes).toUtf8() : bytes);
}

void GroupTextReportWriter::member(const GroupMember& member) {
    line_.clear();
    line_ += lineAt(member.lines, 2);
    line_ += u". ";
    line_ += lineAt(member.lines, 3);
    line_ += LineEnd;
    put(line_);
    ++members_;
}

void GroupTextReportWriter::finish(const ReportSnapshot& snapshot) {
    // Members left out for doubtful answers are named after the count, as the whole report
    // names them.
    QString excluded;
    for (const QString& line : excludedLines(snapshot.analysis))
        excluded += line + LineEnd;
    put(QStringLiteral("Общее число: ") + QString::number(members_) + LineEnd + excluded +
        tailText(snapshot, formatSheet(snapshot.analysis)));
}

} // namespace ezr
