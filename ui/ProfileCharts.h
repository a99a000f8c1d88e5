#pragma once

#include "AnalysisData.h"
#include "ProfileSeries.h"

#include <QFrame>
#include <QList>
#include <QStringList>
#include <QtCharts/QChartView>

QT_BEGIN_NAMESPACE
class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QValueAxis;
QT_END_NAMESPACE

// The three profile bar charts on the chart panel `paChart`: raw scores, percentages or
// cell chi-squares of profile 1 (motives), profile 2 (orientations) or profile 3 (stimuli).
namespace ezr {

// One bar chart: six bars per series at the motives 1..6, series side by side, the value
// marks painted over the bars, a foot line under the plot.
class ProfileChart : public QChartView {
    Q_OBJECT
public:
    ProfileChart(const QString& name, int tag, const QList<QColor>& seriesColours,
                 bool marksVisible, QWidget* parent);

    // Replaces title, foot and every series; marks show the values with `decimals` digits.
    // `norm` holds a norm value beside each bar (or nothing), shown while the norm is on,
    // with `normFoot` added to the foot line.
    void draw(const QString& title, const QString& foot, const QList<QList<double>>& series,
              int decimals, const QList<QList<double>>& norm = {},
              const QString& normFoot = QString());

    bool normShown() const { return normShown_; }
    void setNormShown(bool shown);
    QList<double> normValues(int series) const { return norm_.value(series); }
    // Where bar `index` of `series` reaches `value`, in the chart's widget coordinates.
    QPointF barPoint(int series, int index, double value) const;

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool marksVisible() const { return marksVisible_; }
    void setMarksVisible(bool visible);

    QString titleText() const;
    QString footText() const;
    QString bottomAxisTitle() const;
    int seriesCount() const { return int(sets_.size()); }
    QColor seriesColour(int series) const;
    QList<double> values(int series) const;
    QStringList markTexts(int series) const { return marks_.value(series); }
    double valueAxisMax() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    void fitValueAxis();
    // `offset` moves along the category axis, in categories.
    QPointF barScenePoint(int series, int index, double value, double offset = 0.0) const;

    QChart* chart_;
    QBarSeries* series_;
    QList<QBarSet*> sets_;
    QBarCategoryAxis* axisX_;
    QValueAxis* axisY_;
    QString foot_;
    QList<QStringList> marks_;
    QList<QList<double>> norm_;
    QString normFoot_;
    bool normShown_ = false;
    int tag_;
    bool marksVisible_;
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
