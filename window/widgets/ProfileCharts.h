#pragma once

#include "ChartDescription.h"
#include "ProfileSeries.h"

#include <QFrame>
#include <QList>
#include <QStringList>
#include <QWidget>

// The three profile bar charts on the chart panel `paChart`: raw scores, percentages or
// cell chi-squares of profile 1 (motives), profile 2 (orientations) or profile 3 (stimuli).
namespace ezr {

// A chart's values as a screen reader speaks them: each bar's category and value, its norm
// beside it ("Преобразование 13 (норма 12,0 %)"), series after series.
QString spokenChart(const BarChartDescription& chart);

// One bar chart: paints its description with the shared chart painter.
class ProfileChart : public QWidget {
    Q_OBJECT
public:
    ProfileChart(int profile, QWidget* parent);

    const BarChartDescription& description() const { return chart_; }
    void setDescription(const BarChartDescription& chart);
    // Where bar `index` of `series` reaches `value`, in the chart's coordinates.
    QPointF barPoint(int series, int index, double value) const;

    bool marksVisible() const { return chart_.marksVisible; }
    void setMarksVisible(bool visible);
    bool normShown() const { return chart_.normShown; }
    void setNormShown(bool shown);

    QString titleText() const { return chart_.title; }
    QString footText() const { return chart_.footLine(); }
    int seriesCount() const { return int(chart_.series.size()); }
    QList<double> values(int series) const { return chart_.series.value(series).values; }
    QStringList markTexts(int series) const { return chart_.series.value(series).marks; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    BarChartDescription chart_;
};

// `paChart`: a panel with a raised outer and a lowered inner bevel of one pixel each, the
// three charts stacked inside it; the chart drawn last is in front. It shows what the window
// tells it and keeps no toggles of its own.
class ProfileChartPanel : public QFrame {
    Q_OBJECT
public:
    explicit ProfileChartPanel(QWidget* parent);

    ProfileChart* chart(int profile) const; // Chart1, Chart2, Chart3
    ProfileChart* frontChart() const;

    // Shows the chart of its profile and brings it to the front; the panel's own visibility
    // is left alone.
    void drawProfile(int profile, const BarChartDescription& chart);
    // "Показать норму": the norm markers on all three charts.
    void setNormShown(bool shown);
    void setMarksVisible(int profile, bool visible);

signals:
    // A click on chart 2 or 3, whose value marks the user switches that way.
    void chartClicked(int profile);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ProfileChart* chart1_;
    ProfileChart* chart2_;
    ProfileChart* chart3_;
    ProfileChart* front_; // the chart drawn last lies in front
};

} // namespace ezr
