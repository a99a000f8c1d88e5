#include "ExamineeTable.h"
#include "StatisticsFile.h"
#include "WindowTestSupport.h"

#include "FileSizeLimit.h"
#include "TestFiles.h"

#include "Regional.h"
#include "TextReport.h"

#include <QFileDialog>
#include <QImageReader>
#include <QTextBlock>
#include <QTextLayout>

#include <cerrno>

using namespace ezr;

namespace {

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

const QString LongParagraph = QStringLiteral(
    "Обследуемый отвечал сосредоточенно и ровно, без заметных колебаний во времени ответов; "
    "по профилю смыслообразующих мотивов выделяется мотив достижения, тогда как утилитарный "
    "мотив выражен слабо, что согласуется с данными беседы и с характеристикой руководителя "
    "подразделения, где он работает третий год.");

} // namespace

class TestWindowOutput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void reportEqualsTheCoresReport() {
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(1));
        window.open(path);
        const QString target = window.resultsDir() + QStringLiteral("/report.txt");
        window.dialogs.saveAnswers << target;
        window.action("mmAnalysis")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());

        const SaveDialogRequest request = window.dialogs.saveRequests.last();
        QCOMPARE(request.title, QStringLiteral("Сохранение результатов анализа в файле.txt"));
        QCOMPARE(request.fileName, testExaminee(1).code + QStringLiteral(" Mel.Sb.txt"));
        QCOMPARE(request.filter, QStringLiteral("Файлы данных (*.txt)"));
        QCOMPARE(request.directory, window.dir.path() + QStringLiteral("/Results"));

        const ReportSnapshot core{coreIndividual(path), {}};
        QCOMPARE(readFile(target), buildTextReport(core));
    }

    // "Отчёт PDF" and "Таблица…" after a group: proposed names, the format by the chosen
    // file's extension, the table of the same analysis as the core's.
    void exportsOfAGroup() {
        TestWindow window;
        for (int i = 0; i < 3; ++i)
            window.addExaminee(testExaminee(i));
        window.action("mmSexWoman")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());

        const QString pdf = window.resultsDir() + QStringLiteral("/group.pdf");
        window.dialogs.saveAnswers << pdf;
        window.action("mmSavePdf")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().fileName, QStringLiteral("3 Mel.Gr.pdf"));
        QCOMPARE(window.dialogs.saveRequests.last().directory, window.resultsDir());
        QVERIFY(readFile(pdf).startsWith("%PDF-"));

        const AnalysisState core =
            groupAnalysis(window.dataDir(), NormKind::Sex, QStringLiteral("Женский"));
        const QString csv = window.resultsDir() + QStringLiteral("/group.csv");
        const QString xlsx = window.resultsDir() + QStringLiteral("/group.xlsx");
        window.dialogs.saveAnswers << csv << xlsx;
        window.action("mmSaveTable")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().fileName, QStringLiteral("3 Mel.Gr.xlsx"));
        QVERIFY(window.dialogs.saveRequests.last().suffixFromFilter);
        QCOMPARE(readFile(csv), buildRegionalCsv(examineeTable(core)));
        window.action("mmSaveTable")->trigger();
        QVERIFY(readFile(xlsx).startsWith("PK"));
        QVERIFY(window.dialogs.errors.isEmpty());

        // The statistics files by their extensions, as the filters give them.
        QVERIFY(window.dialogs.saveRequests.last().filter.endsWith(
            QStringLiteral(";;Данные SPSS (*.sav);;Данные Stata (*.dta)")));
        for (const StatisticsFormat format : {StatisticsFormat::Spss, StatisticsFormat::Stata}) {
            const QString path =
                window.resultsDir() + QStringLiteral("/group.") + statisticsExtension(format);
            window.dialogs.saveAnswers << path;
            window.action("mmSaveTable")->trigger();
            QVERIFY(window.dialogs.errors.isEmpty());
            const StatisticsFileSummary file = readStatisticsFile(readFile(path), format);
            QCOMPARE(file.cases, 3);
            QCOMPARE(file.labels, examineeHeadings());
        }
    }

    // Each output's dialog keeps its own folder and filter; none shows another's filters.
    void eachOutputRemembersItsOwnDialog() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(1)));
        QVERIFY(QDir(window.resultsDir()).mkpath(QStringLiteral("tables")));
        const QString tables = window.resultsDir() + QStringLiteral("/tables");
        const QString code = testExaminee(1).code;

        window.dialogs.saveAnswers << tables + QStringLiteral("/r.csv");
        window.action("mmSaveTable")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(readFile(tables + QStringLiteral("/r.csv")).left(1).size(), 1);

        window.action("Chart4")->trigger();
        SaveDialogRequest picture = window.dialogs.saveRequests.last();
        QCOMPARE(picture.filter, QStringLiteral("Рисунок GIF (*.gif)"));
        QCOMPARE(picture.selectedFilter, picture.filter);
        QCOMPARE(picture.fileName,
                 window.resultsDir() + QLatin1Char('/') + code + QStringLiteral(" PlotH.Sb.gif"));
        QVERIFY(picture.suffixFromFilter);

        window.action("mmSavePdf")->trigger();
        const SaveDialogRequest pdf = window.dialogs.saveRequests.last();
        QCOMPARE(pdf.filter, QStringLiteral("Отчёт PDF (*.pdf)"));
        QCOMPARE(pdf.directory, window.resultsDir());
        QVERIFY(pdf.suffixFromFilter); // "otchet" is saved as "otchet.pdf"

        // The table's dialog opens where it saved last, with the CSV filter and name.
        window.action("mmSaveTable")->trigger();
        const SaveDialogRequest table = window.dialogs.saveRequests.last();
        QCOMPARE(table.directory, tables);
        QCOMPARE(table.selectedFilter, QStringLiteral("Текст CSV (*.csv)"));
        QCOMPARE(table.fileName, code + QStringLiteral(" Mel.Sb.csv"));

        // A picture saved elsewhere: its dialog goes there next time, the other picture's not.
        window.dialogs.saveAnswers << tables + QStringLiteral("/h.gif");
        window.action("Chart4")->trigger();
        window.action("Chart4")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().fileName,
                 tables + QLatin1Char('/') + code + QStringLiteral(" PlotH.Sb.gif"));
        window.action("mmChartAnswerT")->trigger();
        window.action("mmPlotTime")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().directory, window.resultsDir());
        QCOMPARE(window.dialogs.saveRequests.last().filter, picture.filter);

        // A remembered folder deleted meanwhile: the results folder again.
        QVERIFY(QDir(tables).removeRecursively());
        window.action("mmSaveTable")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().directory, window.resultsDir());
    }

    // The name the save dialog returns: as typed when it ends in one of the dialog's
    // extensions, else with the chosen filter's.
    void savedNameExtension_data() {
        const QString tables = QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv);;"
                                              "Данные SPSS (*.sav);;Данные Stata (*.dta)");
        const QString workbook = QStringLiteral("Книга Excel (*.xlsx)");
        const QString csv = QStringLiteral("Текст CSV (*.csv)");
        const QString pdf = QStringLiteral("Отчёт PDF (*.pdf)");
        const QString gif = QStringLiteral("Рисунок GIF (*.gif)");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filters");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("saved");
        QTest::newRow("csv under the workbook filter")
            << "/r/r.csv" << tables << workbook << "/r/r.csv";
        QTest::newRow("no extension, csv filter") << "/r/r" << tables << csv << "/r/r.csv";
        QTest::newRow("upper-case extension") << "/r/R.XLSX" << tables << csv << "/r/R.XLSX";
        QTest::newRow("pdf without extension") << "/r/otchet" << pdf << pdf << "/r/otchet.pdf";
        QTest::newRow("pdf named with a dot")
            << "/r/Иванов И.И" << pdf << pdf << "/r/Иванов И.И.pdf";
        QTest::newRow("picture named csv")
            << "/r/101 PlotT.Sb.csv" << gif << gif << "/r/101 PlotT.Sb.csv.gif";
        QTest::newRow("cancelled") << "" << gif << gif << "";
    }
    void savedNameExtension() {
        QFETCH(QString, typed);
        QFETCH(QString, filters);
        QFETCH(QString, chosen);
        QFETCH(QString, saved);
        QCOMPARE(withChosenExtension(typed, filters, chosen), saved);
    }

    // The platform's dialog itself: it opens with the remembered filter, and a name typed
    // without extension under the CSV filter comes back as a CSV file.
    void standardSaveDialogAddsTheChosenExtension() {
        QTemporaryDir dir;
        SaveDialogRequest request;
        request.title = QStringLiteral("Сохранение таблицы обследуемых");
        request.directory = dir.path();
        request.fileName = QStringLiteral("3 Mel.Gr.csv");
        request.filter = QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv)");
        request.selectedFilter = QStringLiteral("Текст CSV (*.csv)");
        request.suffixFromFilter = true;
        QString openedWith;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            openedWith = dialog->selectedNameFilter();
            dialog->selectFile(QStringLiteral("таблица"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        StandardDialogs dialogs;
        const QString path = dialogs.getSaveFileName(nullptr, request);
        QCOMPARE(openedWith, request.selectedFilter);
        QCOMPARE(path, dir.path() + QStringLiteral("/таблица.csv"));
    }

    void reportCarriesTheCommentAsWrapped() {
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(2));
        window.open(path);
        window.action("mmComment")->trigger();
        auto* comment = window.find<QTextEdit>("meComment");
        comment->setPlainText(LongParagraph + QStringLiteral("\nВторой абзац.\n"));
        window.action("mmComment")->trigger(); // hidden again: the text stays

        const QStringList lines = window.form->commentLines();
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join(QLatin1Char('|'))));
        QCOMPARE(lines.last(), QStringLiteral("Второй абзац."));
        QCOMPARE(lines.mid(0, lines.size() - 1).join(QString()), LongParagraph);
        // Each wrapped line fits the panel's text width, as the panel shows it.
        const QFontMetricsF metrics(comment->font());
        for (const QString& line : lines)
            QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= comment->viewport()->width());

        const QString target = window.resultsDir() + QStringLiteral("/with comment.txt");
        window.dialogs.saveAnswers << target;
        window.action("mmAnalysis")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(readFile(target), buildTextReport({coreIndividual(path), lines}));
    }

    void commentNeverShownWrapsAsItWillBeShown() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(5)));
        auto* comment = window.find<QTextEdit>("meComment");
        comment->setPlainText(LongParagraph);
        const QStringList hiddenLines = window.form->commentLines();
        window.action("mmComment")->trigger();
        QVERIFY(comment->isVisible());
        QCOMPARE(window.form->commentLines(), hiddenLines);
        QVERIFY(hiddenLines.size() >= 2);
    }

    void reportTakesTheFieldsAsEdited() {
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(3));
        window.open(path);
        window.type("ceCode", QStringLiteral("77"));
        window.type("ceName", QStringLiteral("Исправленное имя"));
        const QString target = window.resultsDir() + QStringLiteral("/edited.txt");
        window.dialogs.saveAnswers << target;
        window.action("mmAnalysis")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().fileName, QStringLiteral("77 Mel.Sb.txt"));

        AnalysisState expected = coreIndividual(path);
        expected.header.code = QStringLiteral("77");
        expected.header.name = QStringLiteral("Исправленное имя");
        QCOMPARE(readFile(target), buildTextReport({expected, {}}));
    }

    void proposedNames_data() {
        QTest::addColumn<bool>("group");
        QTest::addColumn<bool>("emptyCode");
        QTest::newRow("individual") << false << false;
        QTest::newRow("individual, empty code") << false << true;
        QTest::newRow("group") << true << false;
        QTest::newRow("group, empty code") << true << true;
    }
    void proposedNames() {
        QFETCH(bool, group);
        QFETCH(bool, emptyCode);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(4)));
        for (int i = 5; i < 9; ++i)
            window.addExaminee(testExaminee(i));
        if (group)
            window.action("mmGroupSatisfaction")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        if (emptyCode)
            window.type("ceCode", QString());
        const QString code = emptyCode ? QString()
                             : group   ? QStringLiteral("5")
                                       : testExaminee(4).code;
        const QString results = window.dir.path() + QStringLiteral("/Results/");

        window.action("mmAnalysis")->trigger();
        QCOMPARE(window.dialogs.saveRequests.last().fileName,
                 code + (group ? QStringLiteral(" Mel.Gr.txt") : QStringLiteral(" Mel.Sb.txt")));
        window.action("Chart4")->trigger();
        const SaveDialogRequest chart = window.dialogs.saveRequests.last();
        QCOMPARE(chart.title, QStringLiteral("Запись текущей гистограммы в файл.gif"));
        QCOMPARE(chart.fileName,
                 results + code +
                     (group ? QStringLiteral(" PlotH.Gr.gif") : QStringLiteral(" PlotH.Sb.gif")));
        // A picture's dialog offers GIF and nothing else, whatever was saved before.
        QCOMPARE(chart.filter, QStringLiteral("Рисунок GIF (*.gif)"));
        if (!group) {
            window.action("mmChartAnswerT")->trigger();
            window.action("mmPlotTime")->trigger();
            const SaveDialogRequest time = window.dialogs.saveRequests.last();
            QCOMPARE(time.title, QStringLiteral("Запись графика времени ответов в файл.gif"));
            QCOMPARE(time.fileName, results + code + QStringLiteral(" PlotT.Sb.gif"));
        }
        // Every dialog was cancelled: nothing written.
        QCOMPARE(filesIn(window.resultsDir()), QStringList());
        QVERIFY(window.dialogs.errors.isEmpty());
    }

    void unwritablePathShowsTheErrorAndLeavesNoFile_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("report") << "mmAnalysis";
        QTest::newRow("chart picture") << "Chart4";
    }
    void unwritablePathShowsTheErrorAndLeavesNoFile() {
        QFETCH(QString, command);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(10)));
        const QString target = window.dir.path() + QStringLiteral("/missing/out.file");
        window.dialogs.saveAnswers << target;
        window.action(command.toLatin1().constData())->trigger();
        QCOMPARE(window.dialogs.errors.size(), 1);
        QVERIFY(!window.dialogs.errors.first().isEmpty());
        QVERIFY(!QFile::exists(target));
        QVERIFY(window.panel()->isVisible()); // the program goes on
    }

    // A write that really fails (the file-size limit stands in for a full disk): the error
    // box, the old file byte for byte, and no temporary file beside it.
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("report") << "mmAnalysis";
        QTest::newRow("chart picture") << "Chart4";
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, command);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(12)));
        const QString target = window.resultsDir() + QStringLiteral("/kept.out");
        const QByteArray old("saved before");
        TestWindow::writeBytes(target, old);
        window.dialogs.saveAnswers << target;
        {
            const FileSizeLimit limit(64);
            window.action(command.toLatin1().constData())->trigger();
        }
        QCOMPARE(window.dialogs.errors.size(), 1);
        // The window's own message in Russian, with the system's reason for the failed write.
        QCOMPARE(window.dialogs.errors.first(), QStringLiteral("Не удалось записать файл «%1»: %2.")
                                                    .arg(target, qt_error_string(EFBIG)));
        QCOMPARE(readFile(target), old);
        QCOMPARE(filesIn(window.resultsDir()), QStringList{QStringLiteral("kept.out")});
    }

    // "Таблица…" whose workbook the library cannot write in full: an error, never a damaged
    // workbook in place of the old one.
    void failedWorkbookKeepsTheOldBook() {
        TestWindow window;
        for (int i = 0; i < 3; ++i)
            window.addExaminee(testExaminee(i));
        window.action("mmSexWoman")->trigger();
        const QString target = window.resultsDir() + QStringLiteral("/book.xlsx");
        const QByteArray old("the workbook saved before");
        TestWindow::writeBytes(target, old);
        window.dialogs.saveAnswers << target;
        {
            const FileSizeLimit limit(4096);
            window.action("mmSaveTable")->trigger();
        }
        QCOMPARE(window.dialogs.errors.size(), 1);
        QVERIFY2(window.dialogs.errors.first().startsWith(QStringLiteral("Не удалось ")),
                 qPrintable(window.dialogs.errors.first()));
        QCOMPARE(readFile(target), old);
        QCOMPARE(filesIn(window.resultsDir()), QStringList{QStringLiteral("book.xlsx")});
    }

    // After a group run no output may land in its data folder, nor through a link into it.
    void outputsStayOutOfTheGroupFolder() {
        TestWindow window;
        for (int i = 0; i < 3; ++i)
            window.addExaminee(testExaminee(i));
        window.action("mmSexWoman")->trigger();
        const QString link = window.resultsDir() + QStringLiteral("/into data");
        QVERIFY(QFile::link(window.dataFile(QStringLiteral("new.txt")), link));
        window.dialogs.saveAnswers << link;
        window.action("mmAnalysis")->trigger();
        QCOMPARE(window.dialogs.errors.size(), 1);
        QVERIFY2(window.dialogs.errors.first().startsWith(
                     QStringLiteral("Нельзя записать файл «%1»: ").arg(link)),
                 qPrintable(window.dialogs.errors.first()));
        QCOMPARE(filesIn(window.dataDir()).size(), 3);
    }

    void chartPicturesHaveTheControlsSize() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(11)));
        window.action("mmProfile2B")->trigger();

        const QString histogram = window.resultsDir() + QStringLiteral("/h.gif");
        window.dialogs.saveAnswers << histogram;
        window.action("Chart4")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QImageReader reader(histogram);
        QCOMPARE(reader.format(), QByteArray("gif"));
        QCOMPARE(reader.size(), QSize(402, 318));
        QCOMPARE(reader.imageCount(), 1);

        // The picture is the window's own rendering of the panel: its frame and the chart in
        // front, whose title is drawn in black somewhere near the top.
        const QImage picture = reader.read();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(402, 318));
        const QImage expected = window.panel()->grab(window.chartPanel()->geometry()).toImage();
        int different = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                different += (expected.pixel(x, y) & 0xffffff) != (picture.pixel(x, y) & 0xffffff);
        QVERIFY2(different < expected.width() * expected.height() / 20,
                 qPrintable(QString::number(different)));
        // The bars of profile 2 keep their exact colours: red and lime.
        int red = 0;
        int lime = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                red += (picture.pixel(x, y) & 0xffffff) == 0xff0000;
                lime += (picture.pixel(x, y) & 0xffffff) == 0x00ff00;
            }
        QVERIFY2(red > 200 && lime > 200, qPrintable(QStringLiteral("%1 %2").arg(red).arg(lime)));

        window.action("mmChartAnswerT")->trigger();
        const QString times = window.resultsDir() + QStringLiteral("/t.gif");
        window.dialogs.saveAnswers << times;
        window.action("mmPlotTime")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QImageReader timeReader(times);
        QCOMPARE(timeReader.size(), QSize(1015, 203));
        QCOMPARE(timeReader.imageCount(), 1);

        // Exporting again replaces the picture: still one frame.
        window.dialogs.saveAnswers << histogram;
        window.action("Chart4")->trigger();
        QImageReader again(histogram);
        QCOMPARE(again.size(), QSize(402, 318));
        QCOMPARE(again.imageCount(), 1);
    }
};

QTEST_MAIN(TestWindowOutput)
#include "tst_windowoutput.moc"
