// What a screen reader takes from the result panel: the name of every field, grid and chart,
// and the grids' real headings as their column headers.

#include "AnswerTimeChart.h"
#include "ExplanationTexts.h"
#include "ProfileCharts.h"
#include "ResultGrids.h"
#include "ResultPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

using namespace ezr;

void ResultPanel::nameForReaders() {
    // The captions stand beside the fields, not as their buddies: a screen reader gets each
    // field's name from here.
    const std::pair<QWidget*, QString> names[] = {
        {this, QStringLiteral("Результаты анализа")},
        {code_, QStringLiteral("Код")},
        {infoIcon_, QStringLiteral("Сведения об анализе")},
        {name_, QStringLiteral("Ф.И.О.")},
        {sex_, QStringLiteral("Пол")},
        {education_, QStringLiteral("Образование")},
        {testDate_, QStringLiteral("Дата")},
        {age_, QStringLiteral("Возраст")},
        {norm_, QStringLiteral("Нормирование")},
        {profileX2_[0], QStringLiteral("Профиль № 1, X2(профиль)")},
        {profileX2_[1], QStringLiteral("Профиль № 2, X2(профиль)")},
        {profileX2_[2], QStringLiteral("Профиль № 3, X2(профиль)")},
        {inclusion_, QStringLiteral("Включенность в коллектив")},
        {innovation_, QStringLiteral("Инновационный потенциал")},
        {motiveBand_, QStringLiteral("Профиль № 1, заголовки")},
        {motiveGrid_, QStringLiteral("Профиль № 1: мотивы")},
        {orientationBand_, QStringLiteral("Профиль № 2, заголовки")},
        {orientationGrid_, QStringLiteral("Профиль № 2: направленность")},
        {stimulusBand_, QStringLiteral("Профиль № 3, заголовки")},
        {stimulusGrid_, QStringLiteral("Профиль № 3: стимулы")},
        {profileCharts_, QStringLiteral("Гистограммы профилей")},
        {answerTimeChart_, QStringLiteral("График времени ответа")},
        {information_, InformationCaption},
        {comment_, QStringLiteral("Комментарий")},
    };
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(name);
}

void ResultPanel::headColumns(ResultGrid* grid, const ResultGrid* band) {
    // The headings are painted by the band above the grid and its first row; a screen reader
    // gets them as the grid's own column headers ("Деньги 3", not "3").
    QStringList labels;
    const int gridTop = grid->y() - band->y();
    for (int c = 0; c < grid->columnCount(); ++c) {
        const int middle =
            grid->x() - band->x() + grid->columnViewportPosition(c) + grid->columnWidth(c) / 2;
        const int bandColumn = band->columnAt(middle);
        QStringList parts;
        for (int r = 0; r < band->rowCount() && bandColumn >= 0; ++r) {
            const QString text = band->text(bandColumn, r).trimmed();
            if (band->rowViewportPosition(r) < gridTop && !text.isEmpty())
                parts << text;
        }
        const QString first = grid->text(c, 0).trimmed();
        if (!first.isEmpty() && !parts.contains(first))
            parts << first;
        labels << parts.join(QLatin1Char(' '));
    }
    grid->setHorizontalHeaderLabels(labels);
}
