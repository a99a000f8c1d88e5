#include "ProfileCharts.h"

#include "Regional.h"
#include "WindowFonts.h"

#include <QGraphicsLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <span>

namespace ezr {
namespace {

constexpr int PanelSize[2] = {402, 318};
constexpr int Bevel = 2;
constexpr double BarWidth = 0.7;
constexpr int MarkArrowLength = 5;
constexpr int FootHeight = 18;

const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor MarkBackground(255, 255, 225);

} // namespace

ProfileChart::ProfileChart(const QString& name, int tag, const QList<QColor>& seriesColours,
                           bool marksVisible, QWidget* parent)
    : QChartView(new QChart, parent), chart_(chart()), series_(new QBarSeries),
      axisX_(new QBarCategoryAxis), axisY_(new QValueAxis), tag_(tag), marksVisible_(marksVisible) {
    setObjectName(name);
    setFrameShape(QFrame::NoFrame);
    setRubberBand(QChartView::NoRubberBand);
    setRenderHint(QPainter::Antialiasing, false);

    setBackgroundBrush(Qt::white);
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    chart_->setBackgroundRoundness(0);
    chart_->setBackgroundBrush(Qt::white);
    chart_->setBackgroundPen(Qt::NoPen);
    chart_->setPlotAreaBackgroundBrush(Qt::white);
    chart_->setPlotAreaBackgroundVisible(true);
    chart_->setDropShadowEnabled(false);
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->hide();
    chart_->setMargins(QMargins(4, 2, 8, FootHeight));
    chart_->setTitleFont(arialFont(12));
    chart_->setTitleBrush(Qt::black);
    chart_->setTitle(QStringLiteral("График"));
    chart_->setLocalizeNumbers(true);

    series_->setBarWidth(BarWidth);
    for (int i = 0; i < seriesColours.size(); ++i) {
        auto* set = new QBarSet(QString());
        set->setObjectName(i == 0 && seriesColours.size() == 1
                               ? QStringLiteral("Series1")
                               : QStringLiteral("Series%1%2").arg(tag).arg(i + 1));
        set->setColor(seriesColours[i]);
        set->setBorderColor(Qt::black);
        series_->append(set);
        sets_.append(set);
        marks_.append(QStringList());
    }
    chart_->addSeries(series_);

    QStringList categories;
    for (int motive = 1; motive <= MotiveCount; ++motive)
        categories << QString::number(motive);
    axisX_->append(categories);
    axisX_->setTitleText(QStringLiteral("Основные конфликтные зоны"));
    axisX_->setTitleFont(arialFont(11));
    axisX_->setLabelsFont(arialFont(11));
    axisX_->setGridLineVisible(false);
    axisY_->setLabelsFont(arialFont(11));
    axisY_->setRange(0, 1);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);

    foot_ = QStringLiteral("Chart %1").arg(tag);
}

void ProfileChart::draw(const QString& title, const QString& foot,
                        const QList<QList<double>>& series, int decimals,
                        const QList<QList<double>>& norm, const QString& normFoot) {
    foot_ = foot;
    norm_ = norm;
    normFoot_ = normFoot;
    chart_->setTitle(title);
    axisX_->setTitleText(QStringLiteral("Смыслообразующие мотивы"));
    chart_->setLocale(QLocale());
    for (int s = 0; s < sets_.size(); ++s) {
        QBarSet* set = sets_[s];
        set->remove(0, set->count());
        QStringList marks;
        const QList<double> values = series.value(s);
        for (double value : values) {
            set->append(value);
            marks << formatFixed(value, 0, decimals);
        }
        marks_[s] = marks;
    }
    fitValueAxis();
    viewport()->update();
}

void ProfileChart::fitValueAxis() {
    double top = 0.0;
    for (const QBarSet* set : sets_) {
        for (int i = 0; i < set->count(); ++i)
            top = std::max(top, set->at(i));
    }
    if (normShown_) {
        for (const QList<double>& values : norm_) {
            for (double value : values)
                top = std::max(top, value);
        }
    }
    // Room above the highest bar for its value mark.
    axisY_->setRange(0.0, top > 0.0 ? top * 1.2 : 1.0);
    axisY_->applyNiceNumbers();
    axisY_->setMin(0.0);
    const double step = (axisY_->max() - axisY_->min()) / std::max(1, axisY_->tickCount() - 1);
    axisY_->setLabelFormat(step >= 1.0   ? QStringLiteral("%.0f")
                           : step >= 0.1 ? QStringLiteral("%.1f")
                                         : QStringLiteral("%.2f"));
}

void ProfileChart::setMarksVisible(bool visible) {
    marksVisible_ = visible;
    viewport()->update();
}

void ProfileChart::setNormShown(bool shown) {
    normShown_ = shown;
    fitValueAxis();
    viewport()->update();
}

QString ProfileChart::footText() const {
    if (normShown_ && !normFoot_.isEmpty())
        return foot_ + QStringLiteral("    ") + normFoot_;
    return foot_;
}

QPointF ProfileChart::barScenePoint(int series, int index, double value, double offset) const {
    // The centre of bar `series` of category `index`, as the bar series lays its bars out.
    const int setCount = std::max(1, int(sets_.size()));
    const double x = index - BarWidth / 2 + (series + 0.5) * BarWidth / setCount + offset;
    return chart_->mapToScene(chart_->mapToPosition(QPointF(x, value), series_));
}

QPointF ProfileChart::barPoint(int series, int index, double value) const {
    return mapFromScene(barScenePoint(series, index, value));
}

QString ProfileChart::titleText() const {
    return chart_->title();
}

QString ProfileChart::bottomAxisTitle() const {
    return axisX_->titleText();
}

QColor ProfileChart::seriesColour(int series) const {
    return sets_.at(series)->color();
}

QList<double> ProfileChart::values(int series) const {
    QList<double> result;
    const QBarSet* set = sets_.at(series);
    for (int i = 0; i < set->count(); ++i)
        result.append(set->at(i));
    return result;
}

double ProfileChart::valueAxisMax() const {
    return axisY_->max();
}

void ProfileChart::mouseReleaseEvent(QMouseEvent* event) {
    QChartView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ProfileChart::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    painter->save();

    // The foot line, centred under the plot.
    const QRectF area = chart_->mapRectToScene(chart_->rect());
    painter->setFont(arialFont(11));
    painter->setPen(Qt::blue);
    painter->drawText(QRectF(area.left(), area.bottom() - FootHeight, area.width(), FootHeight),
                      Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, footText());

    if (marksVisible_) {
        const QFontMetrics metrics(painter->font());
        const int setCount = int(sets_.size());
        for (int s = 0; s < setCount; ++s) {
            const QBarSet* set = sets_[s];
            for (int i = 0; i < set->count() && i < marks_[s].size(); ++i) {
                const QPointF top = barScenePoint(s, i, set->at(i));
                const QString& text = marks_[s][i];
                const int width = metrics.horizontalAdvance(text) + 6;
                const int height = metrics.height() + 2;
                const QRectF box(std::round(top.x() - width / 2.0),
                                 std::round(top.y()) - MarkArrowLength - height, width, height);
                painter->setPen(Qt::black);
                painter->drawLine(QPointF(top.x(), top.y()),
                                  QPointF(top.x(), top.y() - MarkArrowLength));
                painter->fillRect(box, MarkBackground);
                painter->drawRect(box.adjusted(0, 0, -1, -1));
                painter->drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
            }
        }
    }
    if (normShown_) {
        // A black bar across each bar at its norm value, a little wider than the bar, drawn
        // over the value marks so that none hides it.
        const double halfBar = BarWidth / std::max(1, int(sets_.size())) / 2;
        for (int s = 0; s < int(sets_.size()) && s < norm_.size(); ++s) {
            for (int i = 0; i < norm_[s].size(); ++i) {
                const QPointF centre = barScenePoint(s, i, norm_[s][i]);
                const QPointF left = barScenePoint(s, i, norm_[s][i], -halfBar);
                const double half = std::round(std::max(3.0, centre.x() - left.x() + 2.0));
                const double y = std::round(centre.y());
                painter->fillRect(QRectF(std::round(centre.x()) - half, y - 1, 2 * half, 3),
                                  Qt::black);
            }
        }
    }
    painter->restore();
}

ProfileChartPanel::ProfileChartPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("paChart"));
    setFrameShape(QFrame::NoFrame);
    setGeometry(621, 206, PanelSize[0], PanelSize[1]);
    setAutoFillBackground(true);

    const QRect inside(Bevel, Bevel, PanelSize[0] - 2 * Bevel, PanelSize[1] - 2 * Bevel);
    chart1_ = new ProfileChart(QStringLiteral("Chart1"), 1, {Qt::red}, true, this);
    chart2_ = new ProfileChart(QStringLiteral("Chart2"), 2, {Qt::red, Lime}, false, this);
    chart3_ = new ProfileChart(QStringLiteral("Chart3"), 3, {Qt::red, Lime, Yellow}, false, this);
    for (ProfileChart* chart : {chart1_, chart2_, chart3_})
        chart->setGeometry(inside);
    front_ = chart3_; // created last, it lies on top
    connect(chart2_, &ProfileChart::clicked, this, &ProfileChartPanel::toggleMarksOfChart2);
    connect(chart3_, &ProfileChart::clicked, this, &ProfileChartPanel::toggleMarksOfChart3);
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

void ProfileChartPanel::drawProfile(int profile, ProfileValues values, const Profiles& raw,
                                    const Profiles& chi, const QString& code, const QString& name) {
    ProfileChart* target = chart(profile);
    target->draw(profileChartTitle(profile, values), code + QStringLiteral(". ") + name,
                 profileSeries(profile, values, raw, chi), markDecimals(values),
                 normSeries(profile, values, normGroup_), normFootText(normName_));
    target->raise();
    front_ = target;
}

void ProfileChartPanel::setNorm(int normGroup, const QString& normName) {
    normGroup_ = normGroup;
    normName_ = normName;
}

void ProfileChartPanel::setNormShown(bool shown) {
    normShown_ = shown;
    for (ProfileChart* each : {chart1_, chart2_, chart3_})
        each->setNormShown(shown);
}

void ProfileChartPanel::toggleMarks(ProfileChart* chart) {
    if (chart->tag() == 0) {
        chart->setMarksVisible(true);
        chart->setTag(1);
    } else {
        chart->setMarksVisible(false);
        chart->setTag(0);
    }
}

void ProfileChartPanel::toggleMarksOfChart2() {
    toggleMarks(chart2_);
}

void ProfileChartPanel::toggleMarksOfChart3() {
    toggleMarks(chart3_);
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
