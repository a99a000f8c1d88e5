#include "WindowTestSupport.h"

#include "ResultSheet.h"

#include <QMenuBar>
#include <QProgressDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>

#include <cmath>

using namespace ezr;

namespace {

// Notes the group progress dialog as it appears and presses its "Отмена" then, as the user
// would: the press is served by the dialog's own event processing while the run reads on.
class CancelOnShow : public QObject {
public:
    bool shown = false;
    int maximumWhenShown = -1;
    int valueWhenShown = -1;
    QString labelWhenShown;
    QString cancelText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (dialog && event->type() == QEvent::Show && !shown) {
            shown = true;
            maximumWhenShown = dialog->maximum();
            valueWhenShown = dialog->value();
            labelWhenShown = dialog->labelText();
            for (const QPushButton* button : dialog->findChildren<QPushButton*>())
                cancelText = button->text();
            QMetaObject::invokeMethod(dialog, &QProgressDialog::cancel, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

// What the user sees of the window's analysis and commands.
struct WindowSnapshot {
    ResultSheet sheet;
    std::array<double, 6> profile1;
    std::array<double, 12> profile2;
    std::array<double, 18> profile3;
    QList<bool> enabled;
    QString frontChart;
    bool timeChartEnabled;

    explicit WindowSnapshot(const TestWindow& w)
        : sheet(formatSheet(w.form->analysis())),
          profile1(w.form->analysis().record.scores.raw.profile1),
          profile2(w.form->analysis().record.scores.raw.profile2),
          profile3(w.form->analysis().record.scores.raw.profile3),
          frontChart(w.chartPanel()->frontChart()->objectName()),
          timeChartEnabled(w.action("mmChartAnswerT")->isEnabled()) {
        for (const char* name : {"mmOpen", "mmGroup", "mmSave", "mmNorm", "mmProfiles",
                                 "mmChartAnswerT", "mmComment", "mmPlotTime"})
            enabled.append(w.action(name)->isEnabled());
    }
    bool operator==(const WindowSnapshot&) const = default;
};

} // namespace

class TestWindowGuidance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startHintUntilTheMenusOpen() {
        TestWindow window(false);
        QLabel* hint = window.label("laStartHint");
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Нажмите F1 или щёлкните правой кнопкой мыши, "
                                              "выберите «О программе» и нажмите «OK»"));
        // Read easily: a contrast of at least 4.5 to 1 against the window behind it.
        const auto luminance = [](const QColor& colour) {
            const auto channel = [](double c) {
                return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
                   0.0722 * channel(colour.blueF());
        };
        const double text = luminance(hint->palette().color(hint->foregroundRole()));
        const double ground = luminance(window.form->palette().color(QPalette::Window));
        const double contrast = (qMax(text, ground) + 0.05) / (qMin(text, ground) + 0.05);
        QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
        // Centred in the empty window.
        const QPoint centre = hint->mapTo(window.form.get(), hint->rect().center());
        QVERIFY(qAbs(centre.x() - window.form->centralWidget()->geometry().center().x()) <= 2);
        window.about->okButton()->click();
        QVERIFY(!hint->isVisible());
    }

    // A remembered data folder that is gone is named once, and the default folder serves.
    void missingRememberedDataFolderIsNamed() {
        TestWindow window;
        auto gone = std::make_unique<QTemporaryDir>();
        const QString missing = gone->path();
        window.dialogs.directoryAnswers.append(missing);
        window.action("mmDataFolder")->trigger();
        gone.reset();
        QVERIFY(!QFileInfo::exists(missing));

        window.action("mmOpen")->trigger();
        QCOMPARE(window.dialogs.informations.size(), 1);
        const QString message = window.dialogs.informations.first();
        QVERIFY2(message.contains(QDir::toNativeSeparators(missing)) &&
                     message.contains(QDir::toNativeSeparators(window.dataDir())),
                 qPrintable(message));
        QCOMPARE(window.dialogs.openRequests.last().directory, window.dataDir());
        QVERIFY(window.action("mmDataFolder")->statusTip().contains(window.dataDir()));

        // Told once; the group reads the default folder too.
        window.addExaminee(testExaminee(1));
        window.action("mmOpen")->trigger();
        window.action("mmGroupSatisfaction")->trigger();
        QCOMPARE(window.dialogs.informations.size(), 1);
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(window.edit("ceCode")->text(), QStringLiteral("1"));
    }

    // Below the designed size the panel scrolls; above it the charts and the information
    // area take the room, without covering each other.
    void windowFitsTheScreen() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(3)));
        auto* scroll = window.find<QScrollArea>("paResultScroll");
        QWidget* charts = window.chartPanel();
        auto* info = window.find<QPlainTextEdit>("mInfo");
        const QRect designedCharts = charts->geometry();
        const QRect designedInfo = info->geometry();

        window.form->resize(800, 600);
        QTRY_VERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QCOMPARE(charts->geometry(), designedCharts);

        window.form->resize(1920, 1080);
        QTRY_COMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QVERIFY(charts->width() > designedCharts.width() + 800);
        QVERIFY(charts->height() > designedCharts.height() + 100);
        QVERIFY(info->width() > designedInfo.width() + 800);
        QVERIFY(info->height() > designedInfo.height() + 100);
        const QWidget* caption = window.label("stInfo");
        QVERIFY(charts->geometry().bottom() < caption->geometry().top());
        QVERIFY(caption->geometry().bottom() < info->geometry().top());
        QVERIFY(info->geometry().bottom() < window.panel()->height());
        // The charts inside fill their panel.
        QVERIFY(window.chartPanel()->frontChart()->width() > designedCharts.width() + 800);
    }

    void cancellingTheGroupProgressLeavesTheWindow() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(1)));
        window.action("mmChartAnswerT")->trigger();
        QVERIFY(writeGeneratedFiles(window.dataDir(), 24, 77u));
        const int members = int(QDir(window.dataDir()).entryList(QDir::Files).size());
        const WindowSnapshot before(window);

        CancelOnShow canceller;
        qApp->installEventFilter(&canceller);
        window.form->setProgressDelay(0);
        window.action("mmSexWoman")->trigger();
        qApp->removeEventFilter(&canceller);

        QVERIFY(canceller.shown);
        QCOMPARE(canceller.maximumWhenShown, members);
        QVERIFY(canceller.valueWhenShown > 0 && canceller.valueWhenShown < members);
        QCOMPARE(canceller.labelWhenShown, QStringLiteral("Прочитано файлов группы: %1 из %2")
                                               .arg(canceller.valueWhenShown)
                                               .arg(members));
        QCOMPARE(canceller.cancelText, QStringLiteral("Отмена"));
        QVERIFY(window.dialogs.errors.isEmpty());
        QVERIFY(WindowSnapshot(window) == before);
        QVERIFY(window.form->findChild<QProgressDialog*>() == nullptr);

        // Not cancelled, the same run completes.
        window.form->setProgressDelay(0);
        window.action("mmSexWoman")->trigger();
        QCOMPARE(window.edit("ceCode")->text(), QString::number(members));
    }

    // While a group is read the window goes on serving its events, with its commands off;
    // they come back with the result.
    void groupRunLeavesTheWindowServing() {
        TestWindow window;
        QVERIFY(writeGeneratedFiles(window.dataDir(), 60, 31u));
        QMenuBar* bar = window.form->menuBar();
        int ticks = 0;
        int ticksWithCommands = 0;
        QAction* open = window.action("mmOpen");
        QVERIFY(open->isEnabled());
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            ++ticks;
            ticksWithCommands += bar->isEnabled() || open->isEnabled() ? 1 : 0;
        });
        probe.start(0);
        window.action("mmSexWoman")->trigger();
        probe.stop();
        QVERIFY(ticks > 0);
        QCOMPARE(ticksWithCommands, 0);
        QVERIFY(bar->isEnabled() && open->isEnabled());
        QCOMPARE(window.edit("ceCode")->text(), QStringLiteral("60"));
        // The window keeps the roster of the group, not its table rows.
        QCOMPARE(window.form->analysis().roster.lines.size(), 60);
        QVERIFY(window.form->analysis().members.isEmpty());
    }

    void chosenDataFolderServesGroupAndOpen() {
        TestWindow window;
        window.addExaminee(testExaminee(1));
        QTemporaryDir chosen;
        QVERIFY(writeGeneratedFiles(chosen.path(), 3, 5u));

        window.dialogs.directoryAnswers.append(chosen.path());
        window.action("mmDataFolder")->trigger();
        QCOMPARE(window.dialogs.directoryRequests, QStringList{window.dataDir()});
        QVERIFY(window.action("mmDataFolder")->statusTip().contains(chosen.path()));
        QVERIFY(window.action("mmGroup")->statusTip().contains(chosen.path()));

        window.action("mmGroupSatisfaction")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(window.edit("ceCode")->text(), QStringLiteral("3"));
        window.action("mmOpen")->trigger();
        QCOMPARE(window.dialogs.openRequests.last().directory, chosen.path());

        // Remembered for the next start, and the data folder of a window started then.
        const FolderConfig nextStart(window.dir.path() + QLatin1Char('/'));
        QCOMPARE(nextStart.inputs().rememberedData, chosen.path());
        QCOMPARE(nextStart.dataFolder(), chosen.path());
    }

    void everyExplanationShowsWhole_data() {
        QTest::addColumn<int>("which");
        const char* const names[] = {"motive 1",
                                     "motive 2",
                                     "motive 3",
                                     "motive 4",
                                     "motive 5",
                                     "motive 6",
                                     "resultative",
                                     "procedural",
                                     "stimuli",
                                     "inclusion index",
                                     "innovation potential"};
        for (int i = 0; i < 11; ++i)
            QTest::newRow(names[i]) << i;
    }

    void everyExplanationShowsWhole() {
        QFETCH(int, which);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(2)));
        if (which < 6)
            clickCell(window.grid("sgResulta"), 1, which + 1);
        else if (which < 8)
            clickCell(window.grid("sgResult2a"), which == 6 ? 1 : 7, 1);
        else if (which == 8)
            clickCell(window.grid("sgResult3a"), 1, 1);
        else
            QTest::mouseClick(window.edit(which == 9 ? "ceIndex1" : "ceIndex2"), Qt::LeftButton);
        auto* info = window.find<QPlainTextEdit>("mInfo");
        QCoreApplication::processEvents();
        // Every line within the box: nothing to scroll to, nothing cut off below.
        QCOMPARE(info->verticalScrollBar()->maximum(), 0);
        const QTextBlock last = info->document()->lastBlock();
        QVERIFY(last.isValid());
        QVERIFY2(info->cursorRect(QTextCursor(last)).bottom() <= info->viewport()->height(),
                 "the last line lies below the box");
        QVERIFY(info->font().pixelSize() >= 12);
    }

    void labelsOnOneLineShareOneSize() {
        TestWindow window;
        const auto size = [&](const char* name) { return window.label(name)->font().pixelSize(); };
        QCOMPARE(size("StaticText11"), size("StaticText1"));
        QCOMPARE(size("StaticText12"), size("StaticText1"));
        QCOMPARE(size("StaticText7"), size("StaticText2"));
        QCOMPARE(size("stName"), size("StaticText2"));
        QCOMPARE(size("StaticText8"), size("StaticText2"));
    }
};

QTEST_MAIN(TestWindowGuidance)
#include "tst_windowguidance.moc"
