#pragma once

#include "AnalysisData.h"
#include "ChartDescription.h"

#include <QColor>
#include <QFrame>
#include <QString>

class QLabel;

namespace ezr {

// The answer-time chart (`ChartMMPITime`): the 108 answer times against their mean and the
// band of two standard deviations, with the statement read-out under the pointer. Paints its
// description with the shared chart painter inside a lowered bevel.
class AnswerTimeChart : public QFrame {
    Q_OBJECT
public:
    explicit AnswerTimeChart(QWidget* parent = nullptr);

    // Redraws everything from the record; the title is "code. name".
    void plot(const AnalysisRecord& data, const QString& code, const QString& name);

    const TimeChartDescription& description() const { return chart_; }
    QLabel* readoutLabel() const { return readout_; } // `laChartTime`
    QString readoutText() const;

    // Green strictly inside (lower, upper), red on or beyond either bound.
    static QColor pointColour(double time, double lower, double upper);
    // "n. Деньги", "n. Коллектив", "n. Труд" for statement 1..108.
    static QString statementText(int statement);

    QList<QColor> pointColours() const;
    QString footText() const { return chart_.foot; }
    QString titleText() const { return chart_.title; }

    // The plotting area, enclosed by the axes, and where a value of a statement lies, in the
    // chart's coordinates.
    QRectF plotArea() const;
    QPointF position(double statement, double value) const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showReadoutAt(const QPointF& position);
    // The answer-time point within a few pixels of a position, or 0.
    int statementAt(const QPointF& position) const;

    TimeChartDescription chart_;
    QLabel* readout_ = nullptr;
};

} // namespace ezr
