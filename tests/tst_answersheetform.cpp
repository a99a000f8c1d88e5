// The answer sheet form as the user types it: keyboard only, double entry, saving without
// replacing unasked, correcting a file, and the note in place of the answer-time chart.

#include "AnswerSheet.h"
#include "AnswerSheetForm.h"
#include "DoubleEntry.h"
#include "EntryReconcileDialog.h"
#include "ImportJournal.h"
#include "ImportPreviewDialog.h"
#include "ImportTable.h"
#include "ItemAnswerBox.h"
#include "ResponseWriter.h"
#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>

using namespace ezr;

namespace {

// Key presses that type the text, Cyrillic included, as a keyboard in either layout sends them.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const auto key = static_cast<Qt::Key>(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

// Types the sheet into the form from its first field on, the way an operator does: each text,
// Enter, one key for the sex and the education, one key per item.
int typeSheet(const AnswerSheet& sheet, AnswerSheetForm* form) {
    int keys = 0;
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form))
        qWarning("the form is not the active window");
    form->findChild<QLineEdit*>(QStringLiteral("ceTestDate"))->setFocus();
    const auto type = [&keys, form](const QString& text, Qt::Key then = Qt::Key_unknown) {
        QWidget* field = form->focusWidget();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->selectAll(); // the operator types over what the field holds
        }
        typeText(field, text);
        keys += int(text.size());
        if (then != Qt::Key_unknown) {
            QTest::keyClick(field, then);
            ++keys;
        }
    };
    for (const QString& text : {sheet.testDate, sheet.birthDate, sheet.code, sheet.name})
        type(text, Qt::Key_Return);
    type(sheet.sex == MaleSex ? QStringLiteral("м") : QStringLiteral("ж"));
    type(sheet.education == HigherEducation ? QStringLiteral("1") : QStringLiteral("2"));
    // Every way of answering: digits, Cyrillic letters, and the Latin letters of both layouts.
    const QStringList resultative = {QStringLiteral("1"), QStringLiteral("р"), QStringLiteral("R"),
                                     QStringLiteral("h")};
    const QStringList procedural = {QStringLiteral("2"), QStringLiteral("П"), QStringLiteral("p"),
                                    QStringLiteral("G")};
    for (int i = 0; i < ItemCount; ++i) {
        const bool first =
            itemAnswer(sheet.marks[static_cast<std::size_t>(i)]) == ItemAnswer::Resultative;
        type((first ? resultative : procedural)[i % 4]);
    }
    return keys;
}

AnswerSheet paperSheet(const QString& code, std::uint32_t seed = 5u) {
    const SampleExaminee e = generatedExaminee(seed, 3);
    AnswerSheet sheet;
    sheet.testDate = e.testDate;
    sheet.birthDate = e.birthDate;
    sheet.code = code;
    sheet.name = e.name;
    sheet.sex = e.sex;
    sheet.education = e.education;
    sheet.marks = e.marks;
    return sheet;
}

void save(AnswerSheetForm* form) {
    // Offscreen, the window system's activation reaches the application late; the user has the
    // form in front when pressing the key.
    QApplication::setActiveWindow(form);
    QCOMPARE(QApplication::activeWindow(), form);
    QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
}

QString status(AnswerSheetForm* form) {
    return form->findChild<QLabel*>(QStringLiteral("laStatus"))->text();
}

// A table of three examinees whose second row names an education that does not exist.
QString tableWithRefusedSecondRow(const TestWindow& window) {
    QStringList lines = {importHeading(false)};
    for (int i = 0; i < 3; ++i)
        lines << importLine(answerSheetOf(testExaminee(i)), false);
    lines[2]
        .replace(QStringLiteral(";Высшее;"), QStringLiteral(";Никакое;"))
        .replace(QStringLiteral(";Среднее;"), QStringLiteral(";Никакое;"));
    QString table = window.dir.filePath(QStringLiteral("table.csv"));
    TestWindow::writeBytes(table, lines.join(QStringLiteral("\n")).toUtf8());
    return table;
}

} // namespace

class TestAnswerSheetForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void sheetTypedByKeyboardReadsBack();
    void doubleEntrySavesOnlyWhenEntriesAgree();
    void doubleEntryTakesWhatThePaperSays_data();
    void doubleEntryTakesWhatThePaperSays();
    void untickingDoubleEntryAsks();
    void returnInImportPreviewWritesNothing();
    void ctrlEInTheSheetOpensAFile();
    void existingFileReplacedOnlyWhenConfirmed();
    void correctedFileKeepsAnswersAndTimes();
    void importPreviewListsProblemsBeforeWriting();
    void importPreviewShowsTheFirstProblems();
    void importAllOrNothingFromTheWindow_data();
    void importAllOrNothingFromTheWindow();
};

void TestAnswerSheetForm::sheetTypedByKeyboardReadsBack() {
    TestWindow window;
    QTest::keyClick(window.form.get(), Qt::Key_N, Qt::ControlModifier); // "Новый бланк"
    auto* form = window.form->findChild<AnswerSheetForm*>();
    QVERIFY(form && form->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const AnswerSheet sheet = paperSheet(QStringLiteral("Б-1"));
    const int keys = typeSheet(sheet, form);
    qInfo("keys typed for one sheet: %d", keys);
    // After item 108 the cursor stands on "Сохранить"; nothing is left to complain about.
    QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("btSave"));
    QCOMPARE(form->problemsText(), QString());
    QCOMPARE(form->sheet(), sheet);
    save(form);

    const QString path = window.dataFile(QStringLiteral("Б-1.cry"));
    QVERIFY2(QFile::exists(path), qPrintable(status(form)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(readAnswerSheet(file.readAll()), sheet);
    // The form is ready for the next sheet of the same sitting.
    QCOMPARE(form->sheet().testDate, sheet.testDate);
    QCOMPARE(form->sheet().code, QString());

    // The window shows the note instead of a flat answer-time chart.
    window.open(path);
    QVERIFY(window.dialogs.errors.isEmpty());
    window.action("mmChartAnswerT")->trigger();
    auto* note = window.label("laTimesNotMeasured");
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("Время ответа не измерялось"));
    QVERIFY(window.timeChart()->isHidden());
    window.action("mmChartAnswerT")->trigger();
    QVERIFY(note->isHidden());
    // A file with measured times still gets its chart.
    window.open(window.addExaminee(testExaminee(1)));
    window.action("mmChartAnswerT")->trigger();
    QVERIFY(window.timeChart()->isVisible());
    QVERIFY(note->isHidden());
}

void TestAnswerSheetForm::doubleEntrySavesOnlyWhenEntriesAgree() {
    TestWindow window;
    window.action("mmNewSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    form->findChild<QCheckBox*>(QStringLiteral("cbDoubleEntry"))->setChecked(true);
    const AnswerSheet sheet = paperSheet(QStringLiteral("D2"));
    const QString path = window.dataFile(QStringLiteral("D2.cry"));

    typeSheet(sheet, form);
    save(form); // the first entry is taken, the form empties for the second
    QVERIFY(!QFile::exists(path));
    QCOMPARE(form->sheet().code, QString());

    AnswerSheet misread = sheet;
    misread.name += QStringLiteral("а");
    misread.marks[6] =
        marksFor(itemAnswer(sheet.marks[6]) == ItemAnswer::Resultative ? ItemAnswer::Procedural
                                                                       : ItemAnswer::Resultative);
    typeSheet(misread, form);
    save(form);
    QVERIFY(!QFile::exists(path));
    QVERIFY2(status(form).contains(QStringLiteral("вводы расходятся (2)")),
             qPrintable(status(form)));
    QVERIFY(status(form).contains(QStringLiteral("Ф.И.О.: первый ввод «%1»").arg(sheet.name)));
    QVERIFY(status(form).contains(QStringLiteral("пункт 7: первый ввод «%1», второй «%2»")
                                      .arg(itemAnswerText(itemAnswer(sheet.marks[6])),
                                           itemAnswerText(itemAnswer(misread.marks[6])))));

    // The operator leaves the comparison, looks at the paper again and corrects the second
    // entry.
    auto* reconcile = form->findChild<EntryReconcileDialog*>();
    QVERIFY(reconcile && reconcile->isVisible());
    reconcile->findChild<QPushButton*>(QStringLiteral("btBackToEntry"))->click();
    typeSheet(sheet, form);
    save(form);
    QVERIFY2(QFile::exists(path), qPrintable(status(form)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(readAnswerSheet(file.readAll()), sheet);
}

// Either entry may be the mistyped one: the paper decides each difference, and the file holds
// the paper's values; until every difference is decided nothing can be written.
void TestAnswerSheetForm::doubleEntryTakesWhatThePaperSays_data() {
    QTest::addColumn<int>("mistyped");
    QTest::newRow("first entry mistyped") << 1;
    QTest::newRow("second entry mistyped") << 2;
}

void TestAnswerSheetForm::doubleEntryTakesWhatThePaperSays() {
    QFETCH(int, mistyped);
    TestWindow window;
    window.action("mmNewSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    form->findChild<QCheckBox*>(QStringLiteral("cbDoubleEntry"))->setChecked(true);
    const AnswerSheet paper = paperSheet(QStringLiteral("T%1").arg(mistyped));
    AnswerSheet misread = paper;
    misread.name += QStringLiteral("о");
    for (const std::size_t item : {std::size_t(6), std::size_t(40)})
        misread.marks[item] = marksFor(itemAnswer(paper.marks[item]) == ItemAnswer::Resultative
                                           ? ItemAnswer::Procedural
                                           : ItemAnswer::Resultative);
    const QString path = window.dataFile(QStringLiteral("T%1.cry").arg(mistyped));

    typeSheet(mistyped == 1 ? misread : paper, form);
    save(form);
    typeSheet(mistyped == 1 ? paper : misread, form);
    save(form);
    QVERIFY(!QFile::exists(path));
    auto* reconcile = form->findChild<EntryReconcileDialog*>();
    QVERIFY(reconcile && reconcile->isVisible());
    QCOMPARE(reconcile->differences().size(), 3);
    // The differing items are marked in the grid, the others not.
    const QList<ItemAnswerBox*> boxes = form->findChildren<ItemAnswerBox*>();
    int marked = 0;
    for (const ItemAnswerBox* box : boxes) {
        if (box->mismatch())
            QVERIFY2(box->item() == 7 || box->item() == 41,
                     qPrintable(QString::number(box->item())));
        marked += box->mismatch() ? 1 : 0;
    }
    QCOMPARE(marked, 2);
    // Neither entry is blamed: the paper decides.
    QVERIFY2(status(form).contains(QStringLiteral("выберите записанное на нём")),
             qPrintable(status(form)));

    auto* write = reconcile->findChild<QPushButton*>(QStringLiteral("btWriteDecided"));
    const int paperEntry = mistyped == 1 ? 2 : 1;
    reconcile->takeEntry(0, paperEntry);
    reconcile->takeEntry(1, paperEntry);
    QVERIFY(!write->isEnabled()); // one difference left undecided
    reconcile->takeEntry(2, paperEntry);
    QVERIFY(write->isEnabled());
    write->click();
    QVERIFY2(QFile::exists(path), qPrintable(status(form)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(readAnswerSheet(file.readAll()), paper);
}

void TestAnswerSheetForm::untickingDoubleEntryAsks() {
    TestWindow window;
    window.action("mmNewSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    auto* twice = form->findChild<QCheckBox*>(QStringLiteral("cbDoubleEntry"));
    twice->setChecked(true);
    typeSheet(paperSheet(QStringLiteral("U1")), form);
    save(form); // the first entry taken
    window.dialogs.questionAnswers = {false};
    twice->setChecked(false);
    QCOMPARE(window.dialogs.questions.size(), 1);
    QVERIFY(twice->isChecked());                           // "Нет": double entry goes on
    typeSheet(paperSheet(QStringLiteral("U1"), 9u), form); // another paper: differs
    save(form);
    QVERIFY(!QFile::exists(window.dataFile(QStringLiteral("U1.cry"))));
}

void TestAnswerSheetForm::returnInImportPreviewWritesNothing() {
    TestWindow window;
    const QString table = window.dir.filePath(QStringLiteral("table.csv"));
    TestWindow::writeBytes(table, (importHeading(false) + QStringLiteral("\n") +
                                   importLine(answerSheetOf(testExaminee(1)), false))
                                      .toUtf8());
    window.dialogs.openAnswers = {table};
    window.action("mmImportTable")->trigger();
    auto* preview = window.form->findChild<ImportPreviewDialog*>();
    QVERIFY(preview && preview->isVisible());
    QApplication::setActiveWindow(preview);
    QTest::keyClick(preview, Qt::Key_Return);
    QTest::keyClick(preview->rows(), Qt::Key_Return);
    QVERIFY(QDir(window.dataDir()).isEmpty());
    QVERIFY(preview->isVisible());
}

// "Открыть бланк…" keeps its key while the sheet is in front.
void TestAnswerSheetForm::ctrlEInTheSheetOpensAFile() {
    TestWindow window;
    window.action("mmNewSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    QApplication::setActiveWindow(form);
    QTest::keyClick(form->findChild<QLineEdit*>(QStringLiteral("ceCode")), Qt::Key_E,
                    Qt::ControlModifier);
    QCOMPARE(window.dialogs.openRequests.size(), 1);
    QCOMPARE(window.dialogs.openRequests.front().title,
             QStringLiteral("Открыть бланк для исправления"));
}

void TestAnswerSheetForm::existingFileReplacedOnlyWhenConfirmed() {
    TestWindow window;
    const QString path = window.dataFile(QStringLiteral("R3.cry"));
    TestWindow::writeBytes(path, "earlier file");
    window.action("mmNewSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    typeSheet(paperSheet(QStringLiteral("R3")), form);
    // The code in use is named as it is typed.
    QVERIFY(form->problemsText().contains(QStringLiteral("«R3.cry» уже есть")));

    save(form); // "Нет"
    QCOMPARE(window.dialogs.questions.size(), 1);
    QVERIFY(window.dialogs.questions.front().contains(QStringLiteral("Заменить")));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier file"));
    kept.close();

    window.dialogs.questionAnswers = {true};
    save(form);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(readAnswerSheet(kept.readAll()).code, QStringLiteral("R3"));
}

void TestAnswerSheetForm::correctedFileKeepsAnswersAndTimes() {
    TestWindow window;
    const SampleExaminee examinee = testExaminee(4);
    const QString path = window.addExaminee(examinee);
    window.dialogs.openAnswers = {path};
    window.action("mmOpenSheet")->trigger();
    auto* form = window.form->findChild<AnswerSheetForm*>();
    QVERIFY(form && form->isVisible());
    auto* name = form->findChild<QLineEdit*>(QStringLiteral("ceName"));
    name->selectAll();
    typeText(name, QStringLiteral("Исправленное Имя"));
    window.dialogs.questionAnswers = {true};
    save(form);
    QCOMPARE(window.dialogs.questions.size(), 1); // saving back asks first

    const ResponseFile file = readResponseFile(path);
    QCOMPARE(file.header.name, QStringLiteral("Исправленное Имя"));
    QCOMPARE(file.header.code, examinee.code);
    QCOMPARE(file.record.answerTimes, examinee.answerTimes);
    QCOMPARE(file.record.timingLines, examinee.timingLines);
    QCOMPARE(readAnswerSheet(TestWindow::readBytesOf(path)).marks, examinee.marks);
}

void TestAnswerSheetForm::importPreviewListsProblemsBeforeWriting() {
    TestWindow window;
    const QString table = tableWithRefusedSecondRow(window);
    window.dialogs.openAnswers = {table};
    window.action("mmImportTable")->trigger();
    auto* preview = window.form->findChild<ImportPreviewDialog*>();
    QVERIFY(preview && preview->isVisible());
    QVERIFY(QDir(window.dataDir()).isEmpty()); // nothing written before "Записать"
    QTableWidget* rows = preview->rows();
    QCOMPARE(rows->rowCount(), 3);
    QCOMPARE(rows->item(1, 0)->text(), QStringLiteral("3"));
    QVERIFY(rows->item(1, 3)->text().startsWith(QStringLiteral("«Образование»")));
    QCOMPARE(rows->item(0, 3)->text(), QStringLiteral("годится"));

    preview->writeRows();
    QCOMPARE(QDir(window.dataDir()).entryList(QDir::Files).size(), 2);
    QCOMPARE(window.dialogs.informations.size(), 1);
}

void TestAnswerSheetForm::importPreviewShowsTheFirstProblems() {
    // 40 rows of junk have over 4,000 problems: the first 1,000 are shown, every row counted.
    TestWindow window;
    QStringList lines = {importHeading(false)};
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("x%1;y;z").arg(i);
    const QString table = window.dir.filePath(QStringLiteral("junk.csv"));
    TestWindow::writeBytes(table, lines.join(QStringLiteral("\n")).toUtf8());
    window.dialogs.openAnswers = {table};
    window.action("mmImportTable")->trigger();
    auto* preview = window.form->findChild<ImportPreviewDialog*>();
    QVERIFY(preview);
    int shown = 0;
    for (int r = 0; r < preview->rows()->rowCount(); ++r)
        shown += int(preview->rows()->item(r, 3)->text().count(QStringLiteral("; ")) + 1);
    QCOMPARE(shown, int(ImportPreviewDialog::MaxShownProblems));
    auto* summary = preview->findChild<QLabel*>(QStringLiteral("laImportSummary"));
    QVERIFY(summary->text().startsWith(
        QStringLiteral("Строк с обследуемыми: 40; годится: 0; не годится: 40")));
}

void TestAnswerSheetForm::importAllOrNothingFromTheWindow_data() {
    QTest::addColumn<bool>("allOrNothing");
    QTest::addColumn<int>("written");
    QTest::newRow("всё или ничего") << true << 0;
    QTest::newRow("годные строки") << false << 2;
}

// The preview's "all or nothing" writes no file when one row is refused, and the import first
// clears what an interrupted write left in the folder and says so.
void TestAnswerSheetForm::importAllOrNothingFromTheWindow() {
    QFETCH(bool, allOrNothing);
    QFETCH(int, written);
    TestWindow window;
    const QString table = tableWithRefusedSecondRow(window);
    QVERIFY(QDir().mkpath(window.dataDir()));
    const QString leftover = window.dataFile(QStringLiteral(".101.cry.ezr-AbC123"));
    TestWindow::writeBytes(leftover, "half a file");
    QFile stale(leftover);
    QVERIFY(stale.open(QIODevice::ReadWrite));
    QVERIFY(stale.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                              QFileDevice::FileModificationTime));
    stale.close();

    window.dialogs.openAnswers = {table};
    window.action("mmImportTable")->trigger();
    auto* preview = window.form->findChild<ImportPreviewDialog*>();
    QVERIFY(preview);
    preview->findChild<QCheckBox*>(QStringLiteral("cbAllOrNothing"))->setChecked(allOrNothing);
    preview->writeRows();
    QCOMPARE(QDir(window.dataDir()).entryList(QDir::Files | QDir::Hidden).size(), written);
    QCOMPARE(window.dialogs.informations.size(), 1);
    const QString said = window.dialogs.informations.front();
    QVERIFY2(said.contains(interruptedImportText(InterruptedImport{0, 0, 1})), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("Записано файлов: %1").arg(written)), qPrintable(said));
}

QTEST_MAIN(TestAnswerSheetForm)
#include "tst_answersheetform.moc"
