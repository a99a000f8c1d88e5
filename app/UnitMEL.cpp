#include "UnitMEL.h"

#include "About.h"
#include "AnalysisError.h"
#include "AnswerTimeChart.h"
#include "FittedText.h"
#include "Folders.h"
#include "GifPicture.h"
#include "GroupProgressDialog.h"
#include "MenuBarStyle.h"
#include "ResultGrids.h"
#include "StartHint.h"
#include "TextReport.h"
#include "UnitResorce.h"
#include "WindowFonts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QVBoxLayout>

using namespace ezr;

namespace {

const QString InfoCaption = QStringLiteral("Дополнительная информация");
const QString CommentCaption = QStringLiteral("Комментарий");

// The wait pointer for as long as a command computes.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

int tagOf(const QAction* item) {
    return item->data().toInt();
}

void setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// A maroon label; where the platform's face is wider than the form's, the text is set a
// little smaller so that it still ends before the control to its right.
QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, QPoint position,
                 int pixelSize, int maxWidth = 0) {
    auto* label = new QLabel(text, parent);
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
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFont(sansSerifFont(pixelSize));
    edit->setAlignment(Qt::AlignCenter);
    edit->setReadOnly(readOnly);
    edit->setGeometry(geometry);
    return edit;
}

QColor verdictColour(Verdict verdict) {
    switch (verdict) {
    case Verdict::WithinNorm:
        return SignificantGreen;
    case Verdict::BeyondNorm:
        return Maroon;
    case Verdict::None:
        break;
    }
    return Qt::black;
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

Verdict verdictOf(const QLineEdit* field) {
    const QColor colour = field->palette().color(QPalette::Text);
    if (colour == SignificantGreen)
        return Verdict::WithinNorm;
    if (colour == Maroon)
        return Verdict::BeyondNorm;
    return Verdict::None;
}

// Small drawn pictures for the chart commands: bars, or a line against its mean.
QIcon chartIcon(bool bars) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawLine(1, 14, 15, 14);
    painter.drawLine(1, 1, 1, 14);
    if (bars) {
        const QColor colours[3] = {Qt::red, QColor(0, 255, 0), QColor(255, 255, 0)};
        const int heights[3] = {9, 12, 6};
        for (int i = 0; i < 3; ++i) {
            const QRect bar(3 + i * 4, 14 - heights[i], 3, heights[i]);
            painter.fillRect(bar, colours[i]);
            painter.drawRect(bar.adjusted(0, 0, -1, -1));
        }
    } else {
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        painter.drawLine(2, 8, 15, 8);
        painter.setPen(Qt::red);
        const QPoint points[] = {{2, 10}, {5, 4}, {8, 9}, {11, 3}, {14, 7}};
        painter.drawPolyline(points, 5);
    }
    return QIcon(pixmap);
}

} // namespace

TForm1::TForm1(UserDialogs* dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<StandardDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZOLT - Опросник персонала"));
    resize(1032, 780);
    initExeDir();

    createActions();
    createMenus();
    createSystemMenu();
    createShortcuts();
    createResultPanel();
    showSheet(state_.sheet);
}

TForm1::~TForm1() = default;

void TForm1::setAboutBox(TAboutBox* aboutBox) {
    AboutBox = aboutBox;
    connect(AboutBox, &TAboutBox::confirmed, this, &TForm1::showMainMenu);
}

// ---------------------------------------------------------------------------------------
// Construction

void TForm1::createActions() {
    const auto item = [this](const char* name, const QString& caption, const QString& hint,
                             const QIcon& icon, void (TForm1::*handler)()) {
        auto* action = new QAction(icon, caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setStatusTip(hint);
        action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto standard = [this](QStyle::StandardPixmap pixmap) {
        return style()->standardIcon(pixmap);
    };

    mmOpen = item("mmOpen", QStringLiteral("Индивид"),
                  QStringLiteral("Загрузка из файла индивидуальных данных для анализа"),
                  standard(QStyle::SP_DialogOpenButton), &TForm1::mmOpenClick);

    N1 = item("N1", QStringLiteral("Выбрать нормирование"), {}, {}, nullptr);
    mmSexMan = item("mmSexMan", QStringLiteral("Мужской"), {}, {}, &TForm1::mmSexManClick);
    mmSexWoman = item("mmSexWoman", QStringLiteral("Женский"), {}, {}, &TForm1::mmSexWomanClick);
    mmEducHigh = item("mmEducHigh", QStringLiteral("Высшее"), {}, {}, &TForm1::mmEducHighClick);
    mmEducAverage =
        item("mmEducAverage", QStringLiteral("Среднее"), {}, {}, &TForm1::mmEducAverageClick);
    mmGroupSatisfaction = item("mmGroupSatisfaction", QStringLiteral("Удовлетворенность"), {}, {},
                               &TForm1::mmGroupSatisfactionClick);
    mmDataFolder =
        item("mmDataFolder", QStringLiteral("Папка данных…"), {}, {}, &TForm1::mmDataFolderClick);

    mmAnalysis = item("mmAnalysis", QStringLiteral("Данные анализа"), {},
                      standard(QStyle::SP_FileIcon), &TForm1::mmSaveResultClick);
    Chart4 = item("Chart4", QStringLiteral("Гистограмма"), {}, chartIcon(true),
                  &TForm1::pmSaveChartClick);
    mmPlotTime = item("mmPlotTime", QStringLiteral("График времени"), {}, chartIcon(false),
                      &TForm1::mmPlotTimeClick);
    mmPlotTime->setEnabled(false);

    mmNormSex =
        item("mmNormSex", QStringLiteral("Пол обследуемого"), {}, {}, &TForm1::mmNormSexClick);
    mmNormEducation = item("mmNormEducation", QStringLiteral("Образование"), {}, {},
                           &TForm1::mmNormEducationClick);
    mSatisfaction = item("mSatisfaction", QStringLiteral("Удовлетворенность"), {}, {},
                         &TForm1::mSatisfactionClick);

    using Handler = void (TForm1::*)();
    static constexpr Handler profileHandlers[3][3] = {
        {&TForm1::mmProfile1AClick, &TForm1::mmProfile1BClick, &TForm1::mmProfile1CClick},
        {&TForm1::mmProfile2AClick, &TForm1::mmProfile2BClick, &TForm1::mmProfile2CClick},
        {&TForm1::mmProfile3AClick, &TForm1::mmProfile3BClick, &TForm1::mmProfile3CClick},
    };
    const QString profileCaptions[3] = {QStringLiteral("Сырые баллы"), QStringLiteral("Баллы %"),
                                        QStringLiteral("Х2 - мотивы")};
    for (int profile = 0; profile < 3; ++profile) {
        for (int kind = 0; kind < 3; ++kind) {
            const QByteArray name =
                QStringLiteral("mmProfile%1%2").arg(profile + 1).arg(QChar(u'A' + kind)).toLatin1();
            mmProfileActions[profile][kind] = item(name.constData(), profileCaptions[kind], {}, {},
                                                   profileHandlers[profile][kind]);
        }
    }

    mmChartAnswerT = item("mmChartAnswerT", QStringLiteral("Время ответа"),
                          QStringLiteral("Вывод графика времени ответов на утверждения"),
                          chartIcon(false), &TForm1::mmChartAnswerTClick);
    mmChartAnswerT->setData(0);
    mmChartAnswerT->setEnabled(false);
    mmComment = item("mmComment", QStringLiteral("Комментарий"),
                     QStringLiteral("Вывод панели для комментария к анализу"),
                     standard(QStyle::SP_FileDialogInfoView), &TForm1::mmCommentClick);
    mmComment->setData(0);
    mmComment->setEnabled(false);
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    menuBarStyle_ = new MenuBarStyle(QApplication::style()->name());
    menuBarStyle_->setParent(this);
    bar->setStyle(menuBarStyle_);

    // A submenu's own item carries the name, hint and picture of the menu entry.
    const auto submenu = [this](QMenu* parentMenu, const char* name, const QString& caption,
                                const QString& hint, const QIcon& icon, QMenu** menu) {
        *menu = new QMenu(caption, this);
        QAction* entry = (*menu)->menuAction();
        entry->setObjectName(QString::fromLatin1(name));
        entry->setStatusTip(hint);
        entry->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        entry->setIcon(icon);
        if (parentMenu)
            parentMenu->addMenu(*menu);
        return entry;
    };
    const auto standard = [this](QStyle::StandardPixmap pixmap) {
        return style()->standardIcon(pixmap);
    };

    mmGroup = submenu(nullptr, "mmGroup", QStringLiteral("Группа"),
                      QStringLiteral("Анализ данных по группе - директория \"Группа\"|"
                                     "Предварительно надо выбрать нормирование"),
                      standard(QStyle::SP_DirOpenIcon), &mmGroupMenu);
    mmGroupMenu->addAction(N1);
    mmGroupMenu->addSeparator()->setObjectName(QStringLiteral("N2"));
    submenu(mmGroupMenu, "mmGroupSex", QStringLiteral("Пол обследуемых"), {}, {}, &mmGroupSexMenu);
    mmGroupSexMenu->addAction(mmSexMan);
    mmGroupSexMenu->addAction(mmSexWoman);
    submenu(mmGroupMenu, "mmGroupEducation", QStringLiteral("Образование"), {}, {},
            &mmGroupEducationMenu);
    mmGroupEducationMenu->addAction(mmEducHigh);
    mmGroupEducationMenu->addAction(mmEducAverage);
    mmGroupMenu->addAction(mmGroupSatisfaction);
    mmGroupMenu->addSeparator();
    mmGroupMenu->addAction(mmDataFolder);
    // The folder item tells which folder the group runs read.
    mmGroupMenu->setToolTipsVisible(true);
    connect(mmGroupMenu, &QMenu::aboutToShow, this, &TForm1::updateDataFolderHint);

    mmSave = submenu(nullptr, "mmSave", QStringLiteral("Сохранить"),
                     QStringLiteral("Сохранения данных анализа в текстовом файле"),
                     standard(QStyle::SP_DialogSaveButton), &mmSaveMenu);
    mmSaveMenu->addActions({mmAnalysis, Chart4, mmPlotTime});

    mmNorm = submenu(nullptr, "mmNorm", QStringLiteral("Нормирование"),
                     QStringLiteral("Выбор нормирования для сравнения по Х2"),
                     standard(QStyle::SP_FileDialogContentsView), &mmNormMenu);
    mmNormMenu->addActions({mmNormSex, mmNormEducation, mSatisfaction});

    mmProfiles = submenu(nullptr, "mmProfiles", QStringLiteral("Профили"),
                         QStringLiteral("Выбор графиков по данным профилей"), chartIcon(true),
                         &mmProfilesMenu);
    static const char* const profileMenus[3] = {"N11", "N21", "N31"};
    for (int profile = 0; profile < 3; ++profile) {
        QMenu* menu = nullptr;
        submenu(mmProfilesMenu, profileMenus[profile],
                QStringLiteral("Профиль %1").arg(profile + 1), {}, {}, &menu);
        for (QAction* action : mmProfileActions[profile])
            menu->addAction(action);
    }

    topLevelItems_ = {mmOpen, mmGroup, mmSave, mmNorm, mmProfiles, mmChartAnswerT, mmComment};
    for (QAction* action : topLevelItems_) {
        bar->addAction(action);
        action->setVisible(false);
    }
    for (QAction* action : {mmOpen, mmGroup, mmSave, mmNorm, mmProfiles})
        action->setEnabled(false);
}

void TForm1::createSystemMenu() {
    // The platform gives the window no menu of its own to extend, so the window's context
    // menu stands in for it: the usual window commands, a separator, "О программе".
    systemMenu_ = new QMenu(this);
    systemMenu_->setObjectName(QStringLiteral("systemMenu"));
    systemMenu_->addAction(QStringLiteral("Восстановить"), this, &QWidget::showNormal);
    systemMenu_->addAction(QStringLiteral("Свернуть"), this, &QWidget::showMinimized);
    systemMenu_->addAction(QStringLiteral("Развернуть"), this, &QWidget::showMaximized);
    systemMenu_->addAction(QStringLiteral("Закрыть"), this, &QWidget::close);
    systemMenu_->addSeparator();
    QAction* about =
        systemMenu_->addAction(QStringLiteral("О программе"), this, &TForm1::showAboutBox);
    about->setObjectName(QStringLiteral("mmAbout"));
    about->setShortcut(QKeySequence(Qt::Key_F1));
}

void TForm1::createShortcuts() {
    // Esc ends the program whichever control has the focus; F1 stands for "О программе".
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::ApplicationShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, &TForm1::showAboutBox);
}

void TForm1::createResultPanel() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bevel = new QFrame(client);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setFixedHeight(2);
    layout->addWidget(bevel);

    paResult = new QWidget(client);
    paResult->setObjectName(QStringLiteral("paResult"));
    paResult->setMinimumSize(1028, 730);
    layout->addWidget(paResult, 1);
    laStartHint = createStartHint(client);
    layout->addWidget(laStartHint, 1);
    layout->addStretch(0); // keeps the bevel at the top while the panel is hidden
    setCentralWidget(client);

    createHeaderFields();
    createResultFields();
    createGrids();
    createCharts();
    createInformationArea();
    paResult->hide();
}

void TForm1::createHeaderFields() {
    QLabel* codeLabel =
        addLabel(paResult, QStringLiteral("StaticText7"), QStringLiteral("Код"), {8, 8}, 16, 46);
    ceCode = addEdit(paResult, QStringLiteral("ceCode"), {56, 8, 65, 24}, 16, false);

    ImageInfo = new QLabel(paResult);
    ImageInfo->setObjectName(QStringLiteral("ImageInfo"));
    ImageInfo->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    ImageInfo->setGeometry(141, 5, 16, 16);
    ImageInfo->setToolTipDuration(50000);

    stName = addLabel(paResult, QStringLiteral("stName"), IndividualCaption, {168, 8}, 16, 70);
    ceName = addEdit(paResult, QStringLiteral("ceName"), {240, 8, 369, 24}, 16, false);
    QLabel* sexLabel =
        addLabel(paResult, QStringLiteral("StaticText8"), QStringLiteral("Пол"), {624, 8}, 16, 46);
    ceSex = addEdit(paResult, QStringLiteral("ceSex"), {672, 8, 97, 24}, 16, true);
    QLabel* educationLabel = addLabel(paResult, QStringLiteral("StaticText2"),
                                      QStringLiteral("Образование"), {792, 8}, 16, 118);
    shareSmallestFont({codeLabel, stName, sexLabel, educationLabel});
    ceEduc = addEdit(paResult, QStringLiteral("ceEduc"), {912, 8, 97, 24}, 16, true);
    addLabel(paResult, QStringLiteral("StaticText4"), QStringLiteral("Дата"), {848, 40}, 16, 62);
    ceDatePFO = addEdit(paResult, QStringLiteral("ceDatePFO"), {912, 40, 97, 24}, 16, false);
    addLabel(paResult, QStringLiteral("StaticText9"), QStringLiteral("Возраст"), {848, 74}, 16, 94);
    ceOld = addEdit(paResult, QStringLiteral("ceOld"), {944, 74, 65, 24}, 16, false);
    addLabel(paResult, QStringLiteral("StaticText10"), QStringLiteral("Нормирование"), {870, 108},
             16, 150);
    ceNorm = addEdit(paResult, QStringLiteral("ceNorm"), {842, 136, 170, 24}, 16, true);
}

void TForm1::createResultFields() {
    const QString profileLabel = QStringLiteral("Профиль № %1    X2(профиль) ");
    QLabel* profile3Label =
        addLabel(paResult, QStringLiteral("StaticText5"), profileLabel.arg(3), {8, 43}, 15, 186);
    ceX23 = addEdit(paResult, QStringLiteral("ceX23"), {196, 41, 65, 21}, 13, true);
    stProfile3 = addLabel(paResult, QStringLiteral("stProfile3"), {}, {274, 43}, 13);

    QLabel* profile1Label =
        addLabel(paResult, QStringLiteral("StaticText1"), profileLabel.arg(1), {8, 183}, 15, 186);
    ceX21 = addEdit(paResult, QStringLiteral("ceX21"), {196, 181, 65, 21}, 13, true);
    stProfile1 = addLabel(paResult, QStringLiteral("stProfile1"), {}, {274, 183}, 13);
    QLabel* index1Label = addLabel(paResult, QStringLiteral("StaticText11"),
                                   QStringLiteral("Включен. в коллектив"), {558, 183}, 15, 156);
    ceIndex1 = addEdit(paResult, QStringLiteral("ceIndex1"), {716, 181, 65, 21}, 13, true);
    QLabel* index2Label = addLabel(paResult, QStringLiteral("StaticText12"),
                                   QStringLiteral("Инновац. потенциал"), {796, 183}, 15, 146);

    ceIndex2 = addEdit(paResult, QStringLiteral("ceIndex2"), {944, 181, 65, 21}, 13, true);

    QLabel* profile2Label =
        addLabel(paResult, QStringLiteral("StaticText6"), profileLabel.arg(2), {8, 390}, 15, 186);
    ceX22 = addEdit(paResult, QStringLiteral("ceX22"), {196, 388, 65, 21}, 13, true);
    stProfile2 = addLabel(paResult, QStringLiteral("stProfile2"), {}, {274, 390}, 13);

    // The indices share the line of profile 1; the three profile lines read alike.
    shareSmallestFont({profile1Label, index1Label, index2Label, profile2Label, profile3Label});

    // The index fields explain themselves when clicked.
    ceIndex1->installEventFilter(this);
    ceIndex2->installEventFilter(this);
}

void TForm1::createGrids() {
    // Each header band first, so that its data grid lies over all of it but its headings.
    sgResult3 = new ResultGrid(GridKind::StimulusBand, paResult);
    sgResult3a = new ResultGrid(GridKind::StimulusGrid, paResult);
    sgResult = new ResultGrid(GridKind::MotiveBand, paResult);
    sgResulta = new ResultGrid(GridKind::MotiveGrid, paResult);
    sgResult2 = new ResultGrid(GridKind::OrientationBand, paResult);
    sgResult2a = new ResultGrid(GridKind::OrientationGrid, paResult);
    connect(sgResulta, &ResultGrid::cellSelected, this, &TForm1::sgResultSelectCell);
    connect(sgResult2a, &ResultGrid::cellSelected, this, &TForm1::sgResult2SelectCell);
    connect(sgResult3a, &ResultGrid::cellSelected, this, &TForm1::sgResult3SelectCell);
}

void TForm1::createCharts() {
    paChart = new ProfileChartPanel(paResult);
    paChart->hide();
    ChartMMPITime = new AnswerTimeChart(paResult);
    ChartMMPITime->setGeometry(8, 523, 1015, 203);
    ChartMMPITime->hide();
}

void TForm1::createInformationArea() {
    stInfo = addLabel(paResult, QStringLiteral("stInfo"), InfoCaption, {8, 532}, 15);

    mInfo = new QPlainTextEdit(paResult);
    mInfo->setObjectName(QStringLiteral("mInfo"));
    mInfo->setReadOnly(true);
    mInfo->setFont(arialFont(16));
    mInfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // until a text needs one
    mInfo->setGeometry(8, 552, 1015, 172);

    meComment = new QTextEdit(paResult);
    meComment->setObjectName(QStringLiteral("meComment"));
    meComment->setAcceptRichText(false);
    meComment->setFont(arialFont(16));
    meComment->setLineWrapMode(QTextEdit::WidgetWidth);
    meComment->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    meComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meComment->setGeometry(8, 552, 1015, 172);
    meComment->hide();

    // The answer-time chart lies over this area; it starts behind it.
    ChartMMPITime->lower();
}

// ---------------------------------------------------------------------------------------
// Sheet and widgets

void TForm1::showSheet(const ResultSheet& sheet) {
    ceCode->setText(sheet.code);
    setCaption(stName, sheet.nameCaption);
    ceName->setText(sheet.name);
    ceSex->setText(sheet.sex);
    ceEduc->setText(sheet.education);
    ceDatePFO->setText(sheet.testDate);
    ceOld->setText(sheet.age);
    ceNorm->setText(sheet.norm);
    setInfoHint(sheet.infoHint);

    showVerdictField(ceX21, sheet.x21, sheet.x21Verdict);
    showVerdictField(ceX22, sheet.x22, sheet.x22Verdict);
    showVerdictField(ceX23, sheet.x23, sheet.x23Verdict);
    setCaption(stProfile1, sheet.profile1Caption);
    setCaption(stProfile2, sheet.profile2Caption);
    setCaption(stProfile3, sheet.profile3Caption);
    showVerdictField(ceIndex1, sheet.index1, sheet.index1Verdict);
    showVerdictField(ceIndex2, sheet.index2, sheet.index2Verdict);

    sgResult->setTexts(sheet.motiveBand);
    sgResulta->setTexts(sheet.motiveGrid);
    sgResult2->setTexts(sheet.orientationBand);
    sgResult2a->setTexts(sheet.orientationGrid);
    sgResult3->setTexts(sheet.stimulusBand);
    sgResult3a->setTexts(sheet.stimulusGrid);
}

ResultSheet TForm1::sheetFromWidgets() const {
    ResultSheet sheet;
    sheet.code = ceCode->text();
    sheet.nameCaption = stName->text();
    sheet.name = ceName->text();
    sheet.sex = ceSex->text();
    sheet.education = ceEduc->text();
    sheet.testDate = ceDatePFO->text();
    sheet.age = ceOld->text();
    sheet.norm = ceNorm->text();
    sheet.infoHint = infoHint();

    sheet.x21 = ceX21->text();
    sheet.x22 = ceX22->text();
    sheet.x23 = ceX23->text();
    sheet.x21Verdict = verdictOf(ceX21);
    sheet.x22Verdict = verdictOf(ceX22);
    sheet.x23Verdict = verdictOf(ceX23);
    sheet.profile1Caption = stProfile1->text();
    sheet.profile2Caption = stProfile2->text();
    sheet.profile3Caption = stProfile3->text();
    sheet.index1 = ceIndex1->text();
    sheet.index2 = ceIndex2->text();
    sheet.index1Verdict = verdictOf(ceIndex1);
    sheet.index2Verdict = verdictOf(ceIndex2);

    sheet.motiveBand = sgResult->texts();
    sheet.motiveGrid = sgResulta->texts();
    sheet.orientationBand = sgResult2->texts();
    sheet.orientationGrid = sgResult2a->texts();
    sheet.stimulusBand = sgResult3->texts();
    sheet.stimulusGrid = sgResult3a->texts();
    return sheet;
}

AnalysisState TForm1::stateFromWidgets() const {
    return AnalysisState{sheetFromWidgets(), state_.data};
}

void TForm1::setInfoHint(const QString& hint) {
    // The hint keeps its CR LF line breaks for the report; the tooltip shows plain lines.
    ImageInfo->setProperty("hint", hint);
    ImageInfo->setToolTip(QString(hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString TForm1::infoHint() const {
    return ImageInfo->property("hint").toString();
}

QStringList TForm1::commentLines() const {
    // The lines as the panel breaks them at its width. A panel never shown yet has not been
    // told its size: tell it, so the wrapping is the one it will show.
    if (meComment->testAttribute(Qt::WA_PendingResizeEvent)) {
        // The frame lays out its viewport; the viewport's resize makes the text wrap.
        for (QWidget* widget : {static_cast<QWidget*>(meComment), meComment->viewport()}) {
            QResizeEvent resize(widget->size(), QSize());
            QCoreApplication::sendEvent(widget, &resize);
            widget->setAttribute(Qt::WA_PendingResizeEvent, false);
        }
    }
    QTextDocument* document = meComment->document();
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

// ---------------------------------------------------------------------------------------
// Commands

template <typename Command> void TForm1::runCommand(Command&& command) {
    try {
        command();
    } catch (const GroupCancelled&) {
        // The user stopped it: the window stays as it was, nothing to report.
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error.message()));
    } catch (const std::exception& error) {
        dialogs_->showError(this, errorBoxText(QString::fromLocal8Bit(error.what())));
    }
}

void TForm1::showAnalysis(AnalysisState next) {
    state_ = std::move(next);
    showSheet(state_.sheet);
    mmProfile1AClick();
    paChart->show();
    paChart->raise();
}

void TForm1::attachCellDrawing() {
    for (ResultGrid* grid : {sgResult2a, sgResult3a, sgResulta})
        grid->cellDrawing()->attach(paChart);
}

void TForm1::mmOpenClick() {
    const QString path =
        dialogs_->getOpenFileName(this, {QStringLiteral("Ввод данных Опросника - Мелира"),
                                         dataFolder(), QStringLiteral("Data files (*.cry)")});
    if (path.isEmpty())
        return;
    openResponseFile(path);
}

void TForm1::openResponseFile(const QString& path) {
    runCommand([&] {
        const WaitCursor wait;
        DataFileName = path;
        AnalysisState next = IndividualAnalysis(path, stateFromWidgets());
        sendAnswerTimeChartBehind();
        showAnalysis(std::move(next));
        for (QAction* command : {mmSave, mmProfiles, mmChartAnswerT, mmNorm, mmComment})
            command->setEnabled(true);
        meComment->clear();
        attachCellDrawing();
        paResult->show();
    });
}

void TForm1::runGroupAnalysis(NormKind kind, const QString& criterion) {
    runCommand([&] {
        const WaitCursor wait;
        GroupProgressDialog progress(this, progressDelay_);
        AnalysisState next = GroupAnalysis(dataFolder(), kind, criterion, stateFromWidgets(),
                                           nullptr, progress.callback());
        // The answer times of a group are not aggregated: no chart for it.
        mmChartAnswerT->setEnabled(false);
        sendAnswerTimeChartBehind();
        showAnalysis(std::move(next));
        attachCellDrawing();
        mmSave->setEnabled(true);
        meComment->clear();
        mmComment->setEnabled(true);
        mmProfiles->setEnabled(true);
        paResult->show();
    });
}

void TForm1::mmSexManClick() {
    runGroupAnalysis(NormKind::Sex, QStringLiteral("Мужской"));
}

void TForm1::mmSexWomanClick() {
    runGroupAnalysis(NormKind::Sex, QStringLiteral("Женский"));
}

void TForm1::mmEducHighClick() {
    runGroupAnalysis(NormKind::Education, QStringLiteral("Высшее"));
}

void TForm1::mmEducAverageClick() {
    runGroupAnalysis(NormKind::Education, QStringLiteral("Среднее"));
}

void TForm1::mmGroupSatisfactionClick() {
    runGroupAnalysis(NormKind::Satisfaction, QString());
}

void TForm1::mmDataFolderClick() {
    const QString chosen = dialogs_->getExistingDirectory(
        this, QStringLiteral("Папка данных для группы и для «Индивид»"), dataFolder());
    if (chosen.isEmpty())
        return;
    rememberDataFolder(chosen);
    updateDataFolderHint();
}

void TForm1::updateDataFolderHint() {
    const QString folder = QDir::toNativeSeparators(decideFolders(currentFolderInputs()).data.path);
    const QString hint = QStringLiteral("Папка данных: %1").arg(folder);
    mmDataFolder->setStatusTip(hint);
    mmDataFolder->setToolTip(hint);
    // The group entry keeps its own hint and names the folder it reads.
    mmGroup->setStatusTip(QStringLiteral("Анализ данных по группе - директория \"Группа\"|"
                                         "Предварительно надо выбрать нормирование. ") +
                          hint);
    mmGroup->setToolTip(QStringLiteral("Анализ данных по группе - директория \"Группа\"\n") + hint);
}

void TForm1::compareWithNorms(NormKind kind) {
    runCommand([&] {
        AnalysisState next = stateFromWidgets();
        CompareWithNorms(kind, next.sheet, next.data);
        showAnalysis(std::move(next));
    });
}

void TForm1::mmNormSexClick() {
    compareWithNorms(NormKind::Sex);
}

void TForm1::mmNormEducationClick() {
    compareWithNorms(NormKind::Education);
}

void TForm1::mSatisfactionClick() {
    compareWithNorms(NormKind::Satisfaction);
}

void TForm1::mmProfile1AClick() {
    paChart->drawProfile(1, ProfileValues::Raw, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile1BClick() {
    paChart->drawProfile(1, ProfileValues::Percent, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile1CClick() {
    paChart->drawProfile(1, ProfileValues::Chi, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile2AClick() {
    paChart->drawProfile(2, ProfileValues::Raw, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile2BClick() {
    paChart->drawProfile(2, ProfileValues::Percent, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile2CClick() {
    paChart->drawProfile(2, ProfileValues::Chi, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile3AClick() {
    paChart->drawProfile(3, ProfileValues::Raw, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile3BClick() {
    paChart->drawProfile(3, ProfileValues::Percent, state_.data, ceCode->text(), ceName->text());
}
void TForm1::mmProfile3CClick() {
    paChart->drawProfile(3, ProfileValues::Chi, state_.data, ceCode->text(), ceName->text());
}

// A new analysis sends the chart of the previous examinee behind the information panel and
// keeps its shown state, so the next "Время ответа" hides it. It is hidden as well: lying
// behind, its top edge would still show the previous examinee's name above the panel.
void TForm1::sendAnswerTimeChartBehind() {
    ChartMMPITime->lower();
    ChartMMPITime->hide();
}

void TForm1::hideAnswerTimeChart() {
    mmChartAnswerT->setData(0);
    ChartMMPITime->lower();
    ChartMMPITime->hide();
    mmPlotTime->setEnabled(false);
}

void TForm1::mmChartAnswerTClick() {
    if (tagOf(mmChartAnswerT) != 0) {
        hideAnswerTimeChart();
        return;
    }
    ChartMMPITime->plot(state_.data, ceCode->text(), ceName->text());
    ChartMMPITime->show();
    ChartMMPITime->raise();
    mmChartAnswerT->setData(1);
    mmPlotTime->setEnabled(true);
}

void TForm1::mmCommentClick() {
    if (tagOf(mmComment) == 0) {
        meComment->raise();
        meComment->show();
        mmComment->setData(1);
        hideAnswerTimeChart();
        setCaption(stInfo, CommentCaption);
    } else {
        meComment->lower();
        meComment->hide();
        mmComment->setData(0);
        setCaption(stInfo, InfoCaption);
    }
}

void TForm1::mmSaveResultClick() {
    SaveDialog.title = QStringLiteral("Сохранение результатов анализа в файле.txt");
    SaveDialog.fileName = reportFileName(sheetFromWidgets());
    SaveDialog.filter = QStringLiteral("Файлы данных (*.txt)");
    SaveDialog.directory = resultsFolder();
    const QString path = dialogs_->getSaveFileName(this, SaveDialog);
    if (path.isEmpty())
        return;
    SaveDialog.fileName = path;
    runCommand([&] {
        writeFileVerified(path,
                          buildTextReport(ReportSnapshot{sheetFromWidgets(), commentLines()}));
    });
}

void TForm1::pmSaveChartClick() {
    SaveDialog.title = QStringLiteral("Запись текущей гистограммы в файл.gif");
    SaveDialog.fileName =
        profileChartFileName(resultsFolder(), ceCode->text(), stName->text() == IndividualCaption);
    const QString path = dialogs_->getSaveFileName(this, SaveDialog);
    if (path.isEmpty())
        return;
    SaveDialog.fileName = path;
    saveControlPicture(paChart, path);
}

void TForm1::mmPlotTimeClick() {
    SaveDialog.title = QStringLiteral("Запись графика времени ответов в файл.gif");
    SaveDialog.fileName = answerTimeChartFileName(resultsFolder(), ceCode->text());
    const QString path = dialogs_->getSaveFileName(this, SaveDialog);
    if (path.isEmpty())
        return;
    SaveDialog.fileName = path;
    saveControlPicture(ChartMMPITime, path);
}

void TForm1::saveControlPicture(QWidget* control, const QString& path) {
    // Let the part of the window the dialog covered repaint before the picture is taken.
    QCoreApplication::processEvents();
    runCommand([&] {
        // What the window shows in the control's rectangle, whatever lies in front there.
        RxGIF = paResult->grab(control->geometry()).toImage();
        writeGif(RxGIF, path);
    });
}

// ---------------------------------------------------------------------------------------
// Grid selection and information texts

void TForm1::sgResultSelectCell(int column, int row) {
    if (!paChart->isHidden()) {
        if (column == 7)
            mmProfile1AClick();
        else if (column == 8)
            mmProfile1BClick();
        else if (column == 9)
            mmProfile1CClick();
    }
    if (row >= 1 && row <= MotiveCount)
        showInfoText(joinPieces(MotiveTexts[row - 1]));
    setCaption(stInfo, InfoCaption + QStringLiteral(": Смыслообразующие мотивы"));
}

void TForm1::sgResult2SelectCell(int column, int row) {
    if (!paChart->isHidden()) {
        if (row == 1)
            mmProfile2AClick();
        else if (row == 2)
            mmProfile2BClick();
        else if (row == 3)
            mmProfile2CClick();
    }
    if (column >= 1 && column <= 6)
        showInfoText(joinPieces(OrientationTexts[0]));
    else if (column >= 7 && column <= 12)
        showInfoText(joinPieces(OrientationTexts[1]));
    setCaption(stInfo, InfoCaption + QStringLiteral(": Ориентации"));
}

void TForm1::sgResult3SelectCell(int column, int row) {
    if (!paChart->isHidden()) {
        if (row == 1)
            mmProfile3AClick();
        else if (row == 2)
            mmProfile3BClick();
        else if (row == 3)
            mmProfile3CClick();
    }
    if (column >= 1 && column <= 18)
        showInfoText(joinPieces(StimulusText));
    setCaption(stInfo, InfoCaption + QStringLiteral(": Стимулы"));
}

void TForm1::ceIndex1Click() {
    showInfoText(joinPieces(InclusionText));
}

void TForm1::ceIndex2Click() {
    showInfoText(joinPieces(InnovationText));
}

void TForm1::showInfoText(const QString& text) {
    // The form's 16 pixels where the text fits; the long index texts a little smaller.
    showFittedText(mInfo, text, 16, 12);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ceIndex1)
            ceIndex1Click();
        else if (watched == ceIndex2)
            ceIndex2Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Start-up route and window

void TForm1::showAboutBox() {
    if (!AboutBox)
        return;
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
}

void TForm1::showMainMenu() {
    for (QAction* action : topLevelItems_)
        action->setVisible(true);
    mmOpen->setEnabled(true);
    mmGroup->setEnabled(true);
    laStartHint->hide();
    updateDataFolderHint();
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    systemMenu_->popup(event->globalPos());
    event->accept();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The About dialog must not keep the program alive once the main window is gone.
    if (AboutBox)
        AboutBox->hide();
    QMainWindow::closeEvent(event);
}
