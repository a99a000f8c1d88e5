#include "ProfileCharts.h"

#include "ChartPainter.h"
#include "ExplanationTexts.h"
#include "WindowFonts.h"
#include "WindowRole.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace ezr {
namespace {

constexpr int PanelSize[2] = {402, 318};
constexpr int Bevel = 2;

} // namespace

QString spokenChart(const BarChartDescription& chart) {
    const QLocale locale = QLocale::system();
    // Percent charts say so in their title or axis; their norms are read with the sign.
    const bool percent =
        chart.title.contains(QLatin1Char('%')) || chart.axisTitle.contains(QLatin1Char('%'));
    QStringList parts;
    for (const BarSeries& series : chart.series) {
        QStringList bars;
        for (qsizetype i = 0; i < chart.categories.size() && i < series.values.size(); ++i) {
            // The bars are the six motives, numbered under the chart; said by their names.
            const QString category = i < qsizetype(MotiveNames.size())
                                         ? MotiveNames[std::size_t(i)].trimmed()
                                         : chart.categories[i];
            QString bar = QStringLiteral("%1 %2").arg(
                category, i < series.marks.size() && !series.marks[i].isEmpty()
                              ? series.marks[i]
                              : locale.toString(series.values[i], 'f', chart.valueAxis.decimals));
            if (i < series.norm.size())
                bar += QStringLiteral(" (норма %1%2)")
                           .arg(locale.toString(series.norm[i], 'f', 1),
                                percent ? QStringLiteral(" %") : QString());
            bars << bar;
        }
        const QString values = bars.join(QStringLiteral(", "));
        parts << (series.name.isEmpty() ? values : series.name + QStringLiteral(": ") + values);
    }
    return parts.join(QStringLiteral("; "));
}

ProfileChart::ProfileChart(int profile, QWidget* parent)
    : QWidget(parent), chart_(blankProfileChart(profile)) {
    setObjectName(QStringLiteral("Chart%1").arg(profile));
    announceAsChart(this);
    // Named before its first values: the charts not yet drawn lie behind the one in front.
    setAccessibleName(chart_.title.isEmpty() ? QStringLiteral("Профиль %1").arg(profile)
                                             : chart_.title);
}

void ProfileChart::setDescription(const BarChartDescription& chart) {
    chart_ = chart;
    // What the bars show, for a screen reader: its title, then each bar's value and norm.
    setAccessibleName(chart.title.isEmpty() ? objectName() : chart.title);
    setAccessibleDescription(spokenChart(chart));
    update();
}

QPointF ProfileChart::barPoint(int series, int index, double value) const {
    return BarChartLayout(rect(), chart_, arialFont(11)).barPoint(series, index, value);
}

void ProfileChart::setMarksVisible(bool visible) {
    chart_.marksVisible = visible;
    update();
}

void ProfileChart::setNormShown(bool shown) {
    showNorm(chart_, shown);
    update();
}

void ProfileChart::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ProfileChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBarChart(painter, rect(), chart_, arialFont(11));
}

ProfileChartPanel::ProfileChartPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("paChart"));
    setFrameShape(QFrame::NoFrame);
    setGeometry(621, 206, PanelSize[0], PanelSize[1]);
    setAutoFillBackground(true);

    const QRect inside(Bevel, Bevel, PanelSize[0] - 2 * Bevel, PanelSize[1] - 2 * Bevel);
    chart1_ = new ProfileChart(1, this);
    chart2_ = new ProfileChart(2, this);
    chart3_ = new ProfileChart(3, this);
    for (ProfileChart* chart : {chart1_, chart2_, chart3_})
        chart->setGeometry(inside);
    front_ = chart3_; // created last, it lies on top
    connect(chart2_, &ProfileChart::clicked, this, [this] { emit chartClicked(2); });
    connect(chart3_, &ProfileChart::clicked, this, [this] { emit chartClicked(3); });
}

void ProfileChartPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // The charts fill the panel inside its bevels, whatever room the window gives it.
    for (ProfileChart* chart : {chart1_, chart2_, chart3_})
        chart->setGeometry(rect().adjusted(Bevel, Bevel, -Bevel, -Bevel));
}

ProfileChart* ProfileChartPanel::chart(int profile) const {
    switch (profile) {
    case 1:
        return chart1_;
    case 2:
        return chart2_;
    default:
        return chart3_;
    }
}

ProfileChart* ProfileChartPanel::frontChart() const {
    return front_;
}

void ProfileChartPanel::drawProfile(int profile, const BarChartDescription& chart) {
    ProfileChart* target = this->chart(profile);
    target->setDescription(chart);
    target->raise();
    front_ = target;
}

void ProfileChartPanel::setNormShown(bool shown) {
    for (ProfileChart* each : {chart1_, chart2_, chart3_})
        each->setNormShown(shown);
}

void ProfileChartPanel::setMarksVisible(int profile, bool visible) {
    chart(profile)->setMarksVisible(visible);
}

void ProfileChartPanel::paintEvent(QPaintEvent*) {
    // Raised outer bevel, lowered inner bevel, one pixel each.
    QPainter painter(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const auto bevel = [&](QRect r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    bevel(rect(), light, shadow);
    bevel(rect().adjusted(1, 1, -1, -1), shadow, light);
}

} // namespace ezr
