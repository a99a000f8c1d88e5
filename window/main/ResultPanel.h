#pragma once

#include "ChartDescription.h"
#include "ResultSheet.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTextEdit;

namespace ezr {
class AnswerTimeChart;
class ProfileChartPanel;
class ResultGrid;
} // namespace ezr

// The header fields the user may type into; the others only show the analysis.
enum class HeaderField { Code, Name, TestDate, Age };

// The caption of the information area when it shows no particular subject.
inline const QString InformationCaption = QStringLiteral("Дополнительная информация");

// The three profile grids a user selects cells in.
enum class ProfileGrid { Motives, Orientations, Stimuli };

// `paResult`: header fields, result fields, grids, profile charts, the answer-time chart and
// the information and comment texts, at the places the questionnaire's users know. It shows
// a sheet and reports what the user does; it keeps no analysis of its own.
class ResultPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultPanel(QWidget* parent);

    void showSheet(const ezr::ResultSheet& sheet);
    // The colouring of the chi-square cells, from the first analysis on.
    void attachCellDrawing();

    // The information area's caption and text.
    void setInformationCaption(const QString& caption);
    // Shows an explanation whole, in a smaller font or with a scroll bar where it is long.
    void setInformation(const QString& text);
    // The comment panel and the answer-time chart lie over the information area.
    void showComment(bool shown);
    void showAnswerTimeChart(bool shown);
    void showCommentText(const QString& text);
    // The keyboard goes to the comment, the cursor after its text.
    void focusComment();
    // `text` broken into lines as the comment panel breaks it; an empty last line is left out.
    QStringList commentLines(const QString& text) const;

    // The profile charts: one drawn in front, all shown, the norm and the value marks.
    void drawProfileChart(int profile, const ezr::BarChartDescription& chart);
    void showProfileCharts();
    void setNormShown(bool shown);
    void setChartMarksVisible(int profile, bool visible);
    // The answer-time chart of an examinee, or a note where it would stand when the times
    // were not measured.
    void plotAnswerTimes(const ezr::AnalysisRecord& record, const QString& code,
                         const QString& name);
    void showTimesNotMeasured(bool shown);
    // Where the profile charts and the answer-time chart lie on the panel.
    QRect profileChartsArea() const;
    QRect answerTimeChartArea() const;

    ezr::ProfileChartPanel* profileCharts() const { return profileCharts_; }
    ezr::AnswerTimeChart* answerTimeChart() const { return answerTimeChart_; }

signals:
    void headerEdited(HeaderField field, const QString& text);
    void commentEdited(const QString& text);
    // A click on profile chart 2 or 3.
    void chartClicked(int profile);
    void cellSelected(ProfileGrid grid, int column, int row);
    // The inclusion (1) or innovation (2) index field was clicked.
    void indexClicked(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Room beyond the designed size goes to the charts and the information area.
    void resizeEvent(QResizeEvent* event) override;

private:
    void createHeaderFields();
    void createResultFields();
    void createGrids();
    void createCharts();
    void createInformationArea();
    void nameForReaders();
    static void headColumns(ezr::ResultGrid* grid, const ezr::ResultGrid* band);
    QLineEdit* addHeaderEdit(const QString& name, const QRect& geometry, HeaderField field);

    QLineEdit* code_ = nullptr;
    QLabel* infoIcon_ = nullptr;
    QLabel* nameCaption_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* sex_ = nullptr;
    QLineEdit* education_ = nullptr;
    QLineEdit* testDate_ = nullptr;
    QLineEdit* age_ = nullptr;
    QLineEdit* norm_ = nullptr;
    QLineEdit* profileX2_[3] = {};
    QLabel* profileCaption_[3] = {};
    QLineEdit* inclusion_ = nullptr;
    QLineEdit* innovation_ = nullptr;
    ezr::ResultGrid* motiveBand_ = nullptr;
    ezr::ResultGrid* motiveGrid_ = nullptr;
    ezr::ResultGrid* orientationBand_ = nullptr;
    ezr::ResultGrid* orientationGrid_ = nullptr;
    ezr::ResultGrid* stimulusBand_ = nullptr;
    ezr::ResultGrid* stimulusGrid_ = nullptr;
    ezr::ProfileChartPanel* profileCharts_ = nullptr;
    ezr::AnswerTimeChart* answerTimeChart_ = nullptr;
    QLabel* informationCaption_ = nullptr;
    QPlainTextEdit* information_ = nullptr;
    QTextEdit* comment_ = nullptr;
    QLabel* timesNotMeasured_ = nullptr;
};
