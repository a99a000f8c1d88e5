#pragma once

#include "AnalysisData.h"

#include <QColor>
#include <QString>
#include <QtCharts/QChartView>

class QGraphicsSimpleTextItem;
class QLabel;
QT_BEGIN_NAMESPACE
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace ezr {

// The answer-time chart (`ChartMMPITime`): the 108 answer times against their mean and the
// band of two standard deviations, with the statement read-out under the pointer.
class AnswerTimeChart : public QChartView {
    Q_OBJECT
public:
    explicit AnswerTimeChart(QWidget* parent = nullptr);

    // Redraws everything from the record; the title is "code. name".
    void plot(const AnalysisRecord& data, const QString& code, const QString& name);

    QLabel* readoutLabel() const { return readout_; } // `laChartTime`
    QString readoutText() const;

    // Green strictly inside (lower, upper), red on or beyond either bound.
    static QColor pointColour(double time, double lower, double upper);
    // "n. Деньги", "n. Коллектив", "n. Труд" for statement 1..108.
    static QString statementText(int statement);

    // The plotted answer times' series and its per-point colours (for tests and export).
    QList<QColor> pointColours() const;
    QString footText() const;
    QString titleText() const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void showReadoutAt(const QPointF& position);
    // The answer-time point within a few pixels of a chart position, or -1.
    int hitAnswerTime(const QPointF& chartPosition) const;
    void setAxisRanges(double lower, double upper);
    // Places the title, the foot and the left axis title around the plotting area.
    void layoutTexts();

    QLabel* readout_ = nullptr;
    QLineSeries* times_ = nullptr;
    QLineSeries* meanLine_ = nullptr;
    QLineSeries* upperBand_ = nullptr;
    QLineSeries* lowerBand_ = nullptr;
    QValueAxis* axisBottom_ = nullptr;
    QValueAxis* axisLeft_ = nullptr;
    QGraphicsSimpleTextItem* titleItem_ = nullptr;
    QGraphicsSimpleTextItem* footItem_ = nullptr;
    QGraphicsSimpleTextItem* leftTitleItem_ = nullptr;
};

} // namespace ezr
