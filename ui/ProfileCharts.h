#pragma once

#include "AnalysisData.h"
#include "ChartDescription.h"
#include "ProfileSeries.h"

#include <QFrame>
#include <QList>
#include <QStringList>
#include <QWidget>

// The three profile bar charts on the chart panel `paChart`: raw scores, percentages or
// cell chi-squares of profile 1 (motives), profile 2 (orientations) or profile 3 (stimuli).
namespace ezr {

// One bar chart: paints its description with the shared chart painter.
class ProfileChart : public QWidget {
    Q_OBJECT
public:
    ProfileChart(int profile, QWidget* parent);

    const BarChartDescription& description() const { return chart_; }
    void setDescription(const BarChartDescription& chart);
    // Where bar `index` of `series` reaches `value`, in the chart's coordinates.
    QPointF barPoint(int series, int index, double value) const;

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
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
    int tag_;
};

// `paChart`: a panel with a raised outer and a lowered inner bevel of one pixel each, the
// three charts stacked inside it; the chart drawn last is in front.
class ProfileChartPanel : public QFrame {
    Q_OBJECT
public:
    explicit ProfileChartPanel(QWidget* parent);

    ProfileChart* chart(int profile) const; // Chart1, Chart2, Chart3
    ProfileChart* frontChart() const;

    // Draws profile 1..3 into its chart and brings that chart to the front; the panel's own
    // visibility is left alone.
    void drawProfile(int profile, ProfileValues values, const Profiles& raw, const Profiles& chi,
                     const QString& code, const QString& name);

    // The norm row and name the markers of the next drawings show.
    void setNorm(int normGroup, const QString& normName);
    // "Показать норму": the norm markers on all three charts.
    bool normShown() const { return normShown_; }
    void setNormShown(bool shown);

    // The marks toggles of Chart2 and Chart3 (tags start at 2 and 3, so the first click
    // leaves the hidden marks hidden).
    void toggleMarksOfChart2();
    void toggleMarksOfChart3();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static void toggleMarks(ProfileChart* chart);

    ProfileChart* chart1_;
    ProfileChart* chart2_;
    ProfileChart* chart3_;
    ProfileChart* front_; // the chart drawn last lies in front
    int normGroup_ = 0;
    QString normName_;
    bool normShown_ = false;
};

} // namespace ezr
