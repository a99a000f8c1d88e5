#include "TextReport.h"

#include "AnalysisError.h"
#include "Regional.h"
#include "ResponseFile.h"

#include <QDir>
#include <QSaveFile>

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

// The grid shows the number with the regional separator; the report always uses a point, with
// the same rounding as the screen.
QString pointValue(const QString& cellText) {
    const double value = parseFloat(cellText);
    QString text = formatFixed(value, 6, 1);
    const QChar separator = decimalSeparator();
    if (separator != QLatin1Char('.'))
        text.replace(separator, QLatin1Char('.'));
    return text;
}

QString valueRow(const TextGrid& grid, int row, int firstColumn, int lastColumn) {
    QString text = grid.cell(0, row).rightJustified(13, QLatin1Char(' '));
    for (int column = firstColumn; column <= lastColumn; ++column)
        text += pointValue(grid.cell(column, row));
    return text;
}

QString profileLine(int number, const QString& x2, const QString& caption) {
    return QStringLiteral("Профиль %1.  X2 = ").arg(number) + x2 + QStringLiteral("  ") + caption;
}

} // namespace

QByteArray buildTextReport(const ReportSnapshot& snapshot) {
    const ResultSheet& sheet = snapshot.sheet;
    ReportWriter out;

    out.line(QStringLiteral("Код: ") + sheet.code);
    out.line(QStringLiteral("Дата обследования: ") + sheet.testDate);
    out.line(sheet.nameCaption + QStringLiteral(": ") + sheet.name);
    if (!sheet.sex.isEmpty())
        out.line(QStringLiteral("Пол: ") + sheet.sex);
    if (!sheet.education.isEmpty())
        out.line(QStringLiteral("Образование: ") + sheet.education);
    if (sheet.isIndividual())
        out.line(QStringLiteral("Возраст: ") + sheet.age);
    out.line(QStringLiteral("Нормирование: ") + sheet.norm);
    out.line(sheet.infoHint);
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
        out.line(valueRow(sheet.orientationGrid, row, 1, 12));
    out.line();

    out.line(profileLine(3, sheet.profile3X2, sheet.profile3Caption));
    out.line(QStringLiteral("                            Д е н ь г и"
                            "                   К о л л е к т и в"));
    out.line(MotiveNumbersLine);
    for (int row = ProfileRow::Score; row <= ProfileRow::Chi; ++row)
        out.line(valueRow(sheet.stimulusGrid, row, 1, 12));
    out.line(QStringLiteral("                              Т р у д"));
    out.line(MotiveNumbersLine.left(49));
    for (int row = ProfileRow::Score; row <= ProfileRow::Chi; ++row)
        out.line(valueRow(sheet.stimulusGrid, row, 13, 18));
    out.line();

    out.line(QStringLiteral("Комментарий к анализу"));
    for (const QString& commentLine : snapshot.commentLines)
        out.line(commentLine);

    return encodeWindows1251(out.text());
}

} // namespace ezr
