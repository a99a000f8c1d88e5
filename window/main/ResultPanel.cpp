#include "ResultPanel.h"

#include "AnswerSheet.h"

#include "AnswerTimeChart.h"
#include "Contrast.h"
#include "ElidedLineEdit.h"
#include "FittedText.h"
#include "PlainToolTip.h"
#include "ProfileCharts.h"
#include "ResultGrids.h"
#include "WindowFonts.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

using namespace ezr;

namespace {

void setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// A maroon label; where the platform's face is wider than the form's, the text is set a
// little smaller so that it still ends before the control to its right.
QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, QPoint position,
                 int pixelSize, int maxWidth = 0) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(name);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Maroon);
    label->setPalette(pal);
    QFont font = sansSerifFont(pixelSize);
    if (maxWidth > 0) {
        while (font.pixelSize() > 9 && QFontMetrics(font).horizontalAdvance(text) > maxWidth)
            font.setPixelSize(font.pixelSize() - 1);
    }
    label->setFont(font);
    label->move(position);
    label->adjustSize();
    return label;
}

QLineEdit* addEdit(QWidget* parent, const QString& name, const QRect& geometry, int pixelSize,
                   bool readOnly) {
    // A text longer than its field ends in "…", the whole text in the tooltip.
    auto* edit = new ElidedLineEdit(parent);
    edit->setObjectName(name);
    edit->setFont(sansSerifFont(pixelSize));
    edit->setAlignment(Qt::AlignCenter);
    edit->setReadOnly(readOnly);
    edit->setGeometry(geometry);
    return edit;
}

QColor verdictColour(Verdict verdict) {
    const Rgb rgb = verdictRgb(verdict);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

void showVerdictField(QLineEdit* field, const QString& text, Verdict verdict) {
    QPalette pal = field->palette();
    pal.setColor(QPalette::Text, verdictColour(verdict));
    field->setPalette(pal);
    QFont font = field->font();
    font.setBold(verdict != Verdict::None);
    field->setFont(font);
    field->setText(text);
}

// Shows a text without disturbing the user's cursor when it is the text already there.
void showText(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}

} // namespace

namespace {

// The size the panel's controls were placed for: below it the panel scrolls. Up to the room
// the window of 1032 by 780 pixels gives it below the menu, the layout stays as designed;
// beyond that the controls below grow.
constexpr QSize DesignedSize(1028, 730);
constexpr QSize RoomAtDesignedSize(1032, 760);
constexpr QRect ChartsPlace(621, 206, 402, 318);
constexpr QPoint InformationCaptionPlace(8, 532);
constexpr QRect InformationPlace(8, 552, 1015, 172);
constexpr QRect AnswerTimePlace(8, 523, 1015, 203);

} // namespace

ResultPanel::ResultPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("paResult"));
    setMinimumSize(DesignedSize);
    // Its dark red captions and green and red verdicts are read on its own light background,
    // also under a dark desktop theme.
    setPalette(lightPanelPalette());
    setAutoFillBackground(true);
    createHeaderFields();
    createResultFields();
    createGrids();
    createCharts();
    createInformationArea();
    nameForReaders();
}

QLineEdit* ResultPanel::addHeaderEdit(const QString& name, const QRect& geometry,
                                      HeaderField field) {
    QLineEdit* edit = addEdit(this, name, geometry, 16, false);
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& text) { emit headerEdited(field, text); });
    return edit;
}

void ResultPanel::createHeaderFields() {
    QLabel* codeLabel =
        addLabel(this, QStringLiteral("StaticText7"), QStringLiteral("Код"), {8, 8}, 16, 46);
    code_ = addHeaderEdit(QStringLiteral("ceCode"), {56, 8, 65, 24}, HeaderField::Code);

    infoIcon_ = new QLabel(this);
    infoIcon_->setObjectName(QStringLiteral("ImageInfo"));
    infoIcon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    infoIcon_->setGeometry(141, 5, 16, 16);
    infoIcon_->setToolTipDuration(50000);

    nameCaption_ = addLabel(this, QStringLiteral("stName"), IndividualCaption, {168, 8}, 16, 70);
    name_ = addHeaderEdit(QStringLiteral("ceName"), {240, 8, 369, 24}, HeaderField::Name);
    QLabel* sexLabel =
        addLabel(this, QStringLiteral("StaticText8"), QStringLiteral("Пол"), {624, 8}, 16, 46);
    sex_ = addEdit(this, QStringLiteral("ceSex"), {672, 8, 97, 24}, 16, true);
    QLabel* educationLabel = addLabel(this, QStringLiteral("StaticText2"),
                                      QStringLiteral("Образование"), {792, 8}, 16, 118);
    // Labels on one line read as one.
    shareSmallestFont({codeLabel, nameCaption_, sexLabel, educationLabel});
    education_ = addEdit(this, QStringLiteral("ceEduc"), {912, 8, 97, 24}, 16, true);
    addLabel(this, QStringLiteral("StaticText4"), QStringLiteral("Дата"), {848, 40}, 16, 62);
    testDate_ =
        addHeaderEdit(QStringLiteral("ceDatePFO"), {912, 40, 97, 24}, HeaderField::TestDate);
    addLabel(this, QStringLiteral("StaticText9"), QStringLiteral("Возраст"), {848, 74}, 16, 94);
    age_ = addHeaderEdit(QStringLiteral("ceOld"), {944, 74, 65, 24}, HeaderField::Age);
    addLabel(this, QStringLiteral("StaticText10"), QStringLiteral("Нормирование"), {870, 108}, 16,
             150);
    norm_ = addEdit(this, QStringLiteral("ceNorm"), {842, 136, 170, 24}, 16, true);
}

void ResultPanel::createResultFields() {
    // Profile 3 sits on top, profile 1 in the middle, profile 2 at the bottom.
    struct ProfileRow {
        int top;
        const char* label;
        const char* field;
        const char* caption;
    };
    static constexpr ProfileRow rows[3] = {{183, "StaticText1", "ceX21", "stProfile1"},
                                           {390, "StaticText6", "ceX22", "stProfile2"},
                                           {43, "StaticText5", "ceX23", "stProfile3"}};
    const QString profileLabel = QStringLiteral("Профиль № %1    X2(профиль) ");
    QList<QWidget*> sameLine; // the three profile lines and the indices read alike
    for (int profile : {2, 0, 1}) {
        const ProfileRow& row = rows[profile];
        sameLine << addLabel(this, QString::fromLatin1(row.label), profileLabel.arg(profile + 1),
                             {8, row.top}, 15, 186);
        profileX2_[profile] =
            addEdit(this, QString::fromLatin1(row.field), {196, row.top - 2, 65, 21}, 13, true);
        profileCaption_[profile] =
            addLabel(this, QString::fromLatin1(row.caption), {}, {274, row.top}, 13);
        if (profile != 0)
            continue;
        sameLine << addLabel(this, QStringLiteral("StaticText11"),
                             QStringLiteral("Включен. в коллектив"), {558, 183}, 15, 156);
        inclusion_ = addEdit(this, QStringLiteral("ceIndex1"), {716, 181, 65, 21}, 13, true);
        sameLine << addLabel(this, QStringLiteral("StaticText12"),
                             QStringLiteral("Инновац. потенциал"), {796, 183}, 15, 146);
        innovation_ = addEdit(this, QStringLiteral("ceIndex2"), {944, 181, 65, 21}, 13, true);
    }
    shareSmallestFont(sameLine);
    // The index fields explain themselves when clicked.
    inclusion_->installEventFilter(this);
    innovation_->installEventFilter(this);
}

void ResultPanel::createGrids() {
    // Each header band first, so that its data grid lies over all of it but its headings.
    stimulusBand_ = new ResultGrid(GridKind::StimulusBand, this);
    stimulusGrid_ = new ResultGrid(GridKind::StimulusGrid, this);
    motiveBand_ = new ResultGrid(GridKind::MotiveBand, this);
    motiveGrid_ = new ResultGrid(GridKind::MotiveGrid, this);
    orientationBand_ = new ResultGrid(GridKind::OrientationBand, this);
    orientationGrid_ = new ResultGrid(GridKind::OrientationGrid, this);
    const auto forward = [this](ResultGrid* grid, ProfileGrid which) {
        connect(grid, &ResultGrid::cellSelected, this,
                [this, which](int column, int row) { emit cellSelected(which, column, row); });
    };
    forward(motiveGrid_, ProfileGrid::Motives);
    forward(orientationGrid_, ProfileGrid::Orientations);
    forward(stimulusGrid_, ProfileGrid::Stimuli);
}

void ResultPanel::createCharts() {
    profileCharts_ = new ProfileChartPanel(this);
    profileCharts_->hide();
    connect(profileCharts_, &ProfileChartPanel::chartClicked, this, &ResultPanel::chartClicked);
    answerTimeChart_ = new AnswerTimeChart(this);
    answerTimeChart_->setGeometry(AnswerTimePlace);
    answerTimeChart_->hide();
}

void ResultPanel::createInformationArea() {
    informationCaption_ =
        addLabel(this, QStringLiteral("stInfo"), InformationCaption, InformationCaptionPlace, 15);

    information_ = new QPlainTextEdit(this);
    information_->setObjectName(QStringLiteral("mInfo"));
    information_->setReadOnly(true);
    information_->setFont(arialFont(16));
    information_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    information_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    information_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // until a text needs one
    information_->setGeometry(InformationPlace);

    comment_ = new QTextEdit(this);
    comment_->setObjectName(QStringLiteral("meComment"));
    comment_->setAcceptRichText(false);
    comment_->setFont(arialFont(16));
    comment_->setLineWrapMode(QTextEdit::WidgetWidth);
    comment_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    comment_->setGeometry(InformationPlace);
    comment_->hide();
    connect(comment_, &QTextEdit::textChanged, this,
            [this] { emit commentEdited(comment_->toPlainText()); });

    // The answer-time chart lies over this area; it starts behind it.
    answerTimeChart_->lower();
}

void ResultPanel::showSheet(const ResultSheet& sheet) {
    showText(code_, sheet.code);
    setCaption(nameCaption_, sheet.nameCaption);
    showText(name_, sheet.name);
    sex_->setText(sheet.sex);
    education_->setText(sheet.education);
    showText(testDate_, sheet.testDate);
    showText(age_, sheet.age);
    norm_->setText(sheet.norm);
    // An own norm's name may be longer than the field: its beginning shows, the whole in the hint.
    norm_->setCursorPosition(0);
    norm_->setToolTip(plainToolTip(sheet.norm));
    // The hint keeps its CR LF line breaks for the report; the tooltip shows plain lines. A
    // large group's hint comes converted already (made off the window): one quick look for a
    // carriage return is all it costs here.
    infoIcon_->setToolTip(plainToolTip(windowInformation(sheet)));

    const QString* x2[3] = {&sheet.profile1X2, &sheet.profile2X2, &sheet.profile3X2};
    const Verdict x2Verdicts[3] = {sheet.profile1X2Verdict, sheet.profile2X2Verdict,
                                   sheet.profile3X2Verdict};
    const QString* captions[3] = {&sheet.profile1Caption, &sheet.profile2Caption,
                                  &sheet.profile3Caption};
    for (int profile = 0; profile < 3; ++profile) {
        showVerdictField(profileX2_[profile], *x2[profile], x2Verdicts[profile]);
        setCaption(profileCaption_[profile], *captions[profile]);
    }
    showVerdictField(inclusion_, sheet.inclusionIndex, sheet.inclusionIndexVerdict);
    showVerdictField(innovation_, sheet.innovationIndex, sheet.innovationIndexVerdict);

    motiveBand_->setTexts(sheet.motiveBand);
    motiveGrid_->setTexts(sheet.motiveGrid);
    motiveGrid_->setChiVerdicts(sheet.motiveChiVerdicts);
    orientationBand_->setTexts(sheet.orientationBand);
    orientationGrid_->setTexts(sheet.orientationGrid);
    orientationGrid_->setChiVerdicts(sheet.orientationChiVerdicts);
    stimulusBand_->setTexts(sheet.stimulusBand);
    stimulusGrid_->setTexts(sheet.stimulusGrid);
    stimulusGrid_->setChiVerdicts(sheet.stimulusChiVerdicts);
    headColumns(motiveGrid_, motiveBand_);
    headColumns(orientationGrid_, orientationBand_);
    headColumns(stimulusGrid_, stimulusBand_);
}

void ResultPanel::drawProfileChart(int profile, const BarChartDescription& chart) {
    profileCharts_->drawProfile(profile, chart);
}

void ResultPanel::showProfileCharts() {
    profileCharts_->show();
    profileCharts_->raise();
}

void ResultPanel::setNormShown(bool shown) {
    profileCharts_->setNormShown(shown);
}

void ResultPanel::setChartMarksVisible(int profile, bool visible) {
    profileCharts_->setMarksVisible(profile, visible);
}

void ResultPanel::plotAnswerTimes(const AnalysisRecord& record, const QString& code,
                                  const QString& name) {
    answerTimeChart_->plot(record, code, name);
}

void ResultPanel::showTimesNotMeasured(bool shown) {
    if (!timesNotMeasured_) {
        if (!shown)
            return;
        timesNotMeasured_ = new QLabel(TimesNotMeasuredText, this);
        timesNotMeasured_->setObjectName(QStringLiteral("laTimesNotMeasured"));
        timesNotMeasured_->setAlignment(Qt::AlignCenter);
        timesNotMeasured_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        timesNotMeasured_->setAutoFillBackground(true);
        QPalette palette = timesNotMeasured_->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
        timesNotMeasured_->setPalette(palette);
        QFont font = timesNotMeasured_->font();
        font.setPixelSize(18);
        timesNotMeasured_->setFont(font);
    }
    // Where the chart would stand, over the information area.
    timesNotMeasured_->setGeometry(answerTimeChart_->geometry());
    timesNotMeasured_->setVisible(shown);
    if (shown)
        timesNotMeasured_->raise();
}

QRect ResultPanel::profileChartsArea() const {
    return profileCharts_->geometry();
}

QRect ResultPanel::answerTimeChartArea() const {
    return answerTimeChart_->geometry();
}

void ResultPanel::attachCellDrawing() {
    for (ResultGrid* grid : {orientationGrid_, stimulusGrid_, motiveGrid_})
        grid->cellDrawing()->attach(profileCharts_);
}

void ResultPanel::setInformationCaption(const QString& caption) {
    setCaption(informationCaption_, caption);
}

void ResultPanel::setInformation(const QString& text) {
    // The form's 16 pixels where the text fits; the long index texts a little smaller.
    showFittedText(information_, text, 16, 12);
}

void ResultPanel::showComment(bool shown) {
    if (shown) {
        comment_->raise();
        comment_->show();
    } else {
        comment_->lower();
        comment_->hide();
    }
}

void ResultPanel::showAnswerTimeChart(bool shown) {
    if (shown) {
        answerTimeChart_->show();
        answerTimeChart_->raise();
    } else {
        answerTimeChart_->lower();
        answerTimeChart_->hide();
    }
}

void ResultPanel::showCommentText(const QString& text) {
    // Typing already shows the text; setting it again would move the cursor.
    if (comment_->toPlainText() != text)
        comment_->setPlainText(text);
}

void ResultPanel::focusComment() {
    comment_->moveCursor(QTextCursor::End);
    comment_->setFocus(Qt::OtherFocusReason);
}

QStringList ResultPanel::commentLines(const QString& text) const {
    // The lines as the panel breaks them at its width. A panel never shown yet has not been
    // told its size: tell it, so the wrapping is the one it will show.
    if (comment_->testAttribute(Qt::WA_PendingResizeEvent)) {
        // The frame lays out its viewport; the viewport's resize makes the text wrap.
        for (QWidget* widget : {static_cast<QWidget*>(comment_), comment_->viewport()}) {
            QResizeEvent resize(widget->size(), QSize());
            QCoreApplication::sendEvent(widget, &resize);
            widget->setAttribute(Qt::WA_PendingResizeEvent, false);
        }
    }
    // The text laid out as the panel shows it: its font, its width, its wrapping.
    QTextDocument layoutDocument;
    layoutDocument.setDefaultFont(comment_->document()->defaultFont());
    layoutDocument.setDefaultTextOption(comment_->document()->defaultTextOption());
    layoutDocument.setDocumentMargin(comment_->document()->documentMargin());
    layoutDocument.setTextWidth(comment_->document()->textWidth());
    layoutDocument.setPlainText(text);
    QTextDocument* document = &layoutDocument;
    document->documentLayout()->documentSize();
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const QTextLayout* layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            lines << text;
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << text.mid(line.textStart(), line.textLength()).remove(QChar::LineSeparator);
        }
    }
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void ResultPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The grids and fields keep their places; the charts take the new width and half the new
    // height, the information area below them the other half.
    const int wider = qMax(0, width() - RoomAtDesignedSize.width());
    const int taller = qMax(0, height() - RoomAtDesignedSize.height());
    const int chartsTaller = taller / 2;
    profileCharts_->setGeometry(ChartsPlace.adjusted(0, 0, wider, chartsTaller));
    informationCaption_->move(InformationCaptionPlace + QPoint(0, chartsTaller));
    const QRect information = InformationPlace.adjusted(0, chartsTaller, wider, taller);
    information_->setGeometry(information);
    comment_->setGeometry(information);
    answerTimeChart_->setGeometry(AnswerTimePlace.adjusted(0, chartsTaller, wider, taller));
    if (timesNotMeasured_)
        timesNotMeasured_->setGeometry(answerTimeChart_->geometry());
}

bool ResultPanel::eventFilter(QObject* watched, QEvent* event) {
    const int index = watched == inclusion_ ? 1 : watched == innovation_ ? 2 : 0;
    if (index == 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit indexClicked(index);
    // From the keyboard, Space or Return on the field is its click.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
             key->key() == Qt::Key_Enter)) {
            emit indexClicked(index);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
