#include "WindowTestSupport.h"

#include "ExamineeListModel.h"
#include "ExamineeListWindow.h"
#include "ExamineeTable.h"
#include "NormFile.h"
#include "ResultSheet.h"
#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

using namespace ezr;

namespace {

// An examinee of the given sex and age at a test in 2025.
SampleExaminee examinee(int index, const QString& sex, int age) {
    SampleExaminee e = testExaminee(index);
    e.sex = sex;
    e.testDate = QStringLiteral("15.06.2025");
    e.birthDate = QDate(2025 - age, 3, 1).toString(QStringLiteral("dd.MM.yyyy"));
    return e;
}

// "Обследуемые", read to the end.
ExamineeListWindow* openedList(TestWindow& window) {
    window.action("mmExaminees")->trigger();
    ExamineeListWindow* list = window.form->examineeList();
    if (!list)
        qFatal("no list of examinees");
    // Both item models are checked for every change while the list fills, sorts and filters.
    for (const QAbstractItemModel* model : {static_cast<const QAbstractItemModel*>(list->table()),
                                            static_cast<const QAbstractItemModel*>(list->rows())})
        new QAbstractItemModelTester(const_cast<QAbstractItemModel*>(model),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest, list);
    if (!QTest::qWaitFor([list] { return !list->listing(); }, 10000))
        qFatal("the listing does not end");
    return list;
}

QStringList shownCodes(const ExamineeListWindow* list) {
    QStringList codes;
    for (int row = 0; row < list->rows()->rowCount(); ++row)
        codes.append(list->rows()->index(row, ExamineeListModel::CodeColumn).data().toString());
    codes.sort();
    return codes;
}

void compareComparisons(const NormComparison& shown, const NormComparison& expected) {
    QCOMPARE(shown.norm, expected.norm);
    QCOMPARE(shown.chi.profile1, expected.chi.profile1);
    QCOMPARE(shown.chi.profile2, expected.chi.profile2);
    QCOMPARE(shown.chi.profile3, expected.chi.profile3);
    for (std::size_t p = 0; p < 3; ++p)
        QCOMPARE(shown.profiles[p].x2, expected.profiles[p].x2);
    QCOMPARE(shown.inclusion.value, expected.inclusion.value);
    QCOMPARE(shown.innovation.value, expected.innovation.value);
}

} // namespace

class TestExamineeList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Every entry is listed; the one that cannot be read shows why, and the listing goes on
    // past it. Return on an entry opens it in the main window.
    void listsEveryEntryWithTheDamagedOne() {
        TestWindow window;
        QList<SampleExaminee> examinees;
        for (int i = 0; i < 3; ++i) {
            examinees.append(testExaminee(20 + i));
            window.addExaminee(examinees.last());
        }
        QStringList lines =
            makePlainText(testExaminee(9), decimalSeparator()).split(QStringLiteral("\r\n"));
        lines[40] = QStringLiteral("    x    1     3,5");
        const QString damaged = window.dataFile(QStringLiteral("0000-damaged.cry"));
        TestWindow::writeBytes(damaged, scramblePlainText(lines.join(QStringLiteral("\r\n"))));

        ExamineeListWindow* list = openedList(window);
        QVERIFY(list->isVisible());
        const ExamineeListModel* table = list->table();
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->unreadableCount(), 1);
        const ExamineeEntry& bad = table->entry(table->rowOf(QStringLiteral("0000-damaged.cry")));
        QVERIFY(!bad.readable());
        QVERIFY2(bad.problem.contains(QStringLiteral("x")), qPrintable(bad.problem));
        for (const SampleExaminee& e : examinees) {
            const ExamineeEntry& entry = table->entry(table->rowOf(responseFileName(e)));
            QCOMPARE(entry.header.code, e.code);
            QCOMPARE(entry.header.name, e.name);
            QCOMPARE(entry.header.sex, e.sex);
            QCOMPARE(entry.ageText,
                     coreIndividual(window.dataFile(responseFileName(e))).header.age);
        }
        QVERIFY(list->findChild<QLabel*>(QStringLiteral("stCounts"))
                    ->text()
                    .contains(QStringLiteral("не читаются: 1")));

        // Sorted by name, descending: the view's first row is the last name.
        list->view()->sortByColumn(ExamineeListModel::NameColumn, Qt::DescendingOrder);
        QStringList names;
        for (const SampleExaminee& e : examinees)
            names.append(e.name);
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) > 0;
        });
        QCOMPARE(list->rows()->index(0, ExamineeListModel::NameColumn).data().toString(),
                 names.first());

        // Equal values keep the order of the file names, whatever order the folder lists.
        list->view()->sortByColumn(ExamineeListModel::ProblemColumn, Qt::AscendingOrder);
        QStringList files;
        for (int row = 0; row < list->rows()->rowCount(); ++row)
            files.append(list->rows()->index(row, ExamineeListModel::FileColumn).data().toString());
        QCOMPARE(files.last(), QStringLiteral("0000-damaged.cry"));
        files.removeLast();
        QStringList sortedFiles = files;
        sortedFiles.sort();
        QCOMPARE(files, sortedFiles);

        list->view()->sortByColumn(ExamineeListModel::NameColumn, Qt::DescendingOrder);
        list->view()->setCurrentIndex(list->rows()->index(0, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
        QCOMPARE(window.form->analysis().header.name, names.first());
        QCOMPARE(window.label("stName")->text(), QStringLiteral("Ф.И.О."));

        // Esc closes the list, not the program.
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list));
        QTest::keyClick(list->view(), Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QVERIFY(window.form->isVisible());
    }

    void filtersBySexAndAge_data() {
        QTest::addColumn<int>("sexIndex"); // 0 all, 1 male, 2 female
        QTest::addColumn<int>("minAge");
        QTest::addColumn<int>("maxAge");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("everybody")
            << 0 << 0 << 0 << QStringList{"00001", "00002", "00003", "00004"};
        QTest::newRow("women") << 2 << 0 << 0 << QStringList{"00002", "00004"};
        QTest::newRow("men from 40") << 1 << 40 << 0 << QStringList{"00003"};
        QTest::newRow("30 to 50, both bounds taken")
            << 0 << 30 << 50 << QStringList{"00001", "00002", "00003"};
        QTest::newRow("women up to 29") << 2 << 0 << 29 << QStringList{};
    }

    void filtersBySexAndAge() {
        QFETCH(int, sexIndex);
        QFETCH(int, minAge);
        QFETCH(int, maxAge);
        TestWindow window;
        window.addExaminee(examinee(0, MaleSex, 30));
        window.addExaminee(examinee(1, FemaleSex, 30));
        window.addExaminee(examinee(2, MaleSex, 50));
        window.addExaminee(examinee(3, FemaleSex, 51));
        ExamineeListWindow* list = openedList(window);

        list->findChild<QComboBox*>(QStringLiteral("cbSex"))->setCurrentIndex(sexIndex);
        list->findChild<QSpinBox*>(QStringLiteral("seAgeFrom"))->setValue(minAge);
        list->findChild<QSpinBox*>(QStringLiteral("seAgeTo"))->setValue(maxAge);
        QTEST(shownCodes(list), "codes");
    }

    // "Достоверность ответов": the reasons in their column, the filter keeping only those
    // entries; the window's toggle leaves them out of a group run, which names them.
    void doubtfulAnswers() {
        TestWindow window;
        window.addExaminee(examinee(0, MaleSex, 30));
        SampleExaminee fast = examinee(1, FemaleSex, 40);
        fast.answerTimes.fill(0.7);
        window.addExaminee(fast);
        window.addExaminee(examinee(2, MaleSex, 50));
        ExamineeListWindow* list = openedList(window);
        QCOMPARE(shownCodes(list).size(), 3);
        for (int row = 0; row < list->rows()->rowCount(); ++row) {
            const QString code =
                list->rows()->index(row, ExamineeListModel::CodeColumn).data().toString();
            const QString quality =
                list->rows()->index(row, ExamineeListModel::QualityColumn).data().toString();
            QCOMPARE(quality.contains(QStringLiteral("108 ответов быстрее 2 с")),
                     code == fast.code);
        }
        list->findChild<QCheckBox*>(QStringLiteral("cbDoubtful"))->setChecked(true);
        QCOMPARE(shownCodes(list), QStringList{fast.code});
        list->findChild<QCheckBox*>(QStringLiteral("cbDoubtful"))->setChecked(false);
        QCOMPARE(shownCodes(list).size(), 3);

        QAction* exclude = window.action("mmExcludeDoubtful");
        QVERIFY(exclude->isCheckable());
        exclude->setChecked(true);
        window.action("mmSexMan")->trigger();
        const AnalysisState& shown = window.form->analysis();
        QCOMPARE(shown.kind, AnalysisKind::Group);
        QCOMPARE(shown.header.code, QStringLiteral("2"));
        QCOMPARE(excludedCount(shown), 1);
        QVERIFY(window.label("ImageInfo")
                    ->toolTip()
                    .contains(QStringLiteral("Исключено из группы (ответы требуют проверки): 1")));
    }

    // Tab goes round every control and comes back, through the date fields and the table,
    // never stuck in either; Down from the search enters the table; the selection is counted.
    void keyboardGoesEverywhereInTheList() {
        TestWindow window;
        for (int i = 0; i < 4; ++i)
            window.addExaminee(examinee(i, i % 2 ? FemaleSex : MaleSex, 30 + i));
        ExamineeListWindow* list = openedList(window);
        QApplication::setActiveWindow(list);
        auto* search = list->findChild<QLineEdit*>(QStringLiteral("ceFilterText"));
        search->setFocus();
        QStringList visited;
        for (int press = 0; press < 40; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY(now);
            if (now == search)
                break;
            if (!visited.contains(now->objectName()))
                visited << now->objectName();
        }
        QCOMPARE(QApplication::focusWidget(), search);
        for (const char* name :
             {"deDateFrom", "deDateTo", "sgExaminees", "cbSort", "cbGroupNorm", "btAnalyseChosen"})
            QVERIFY2(visited.contains(QString::fromLatin1(name)), qPrintable(visited.join(u' ')));
        QTest::keyClick(search, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), visited.last());

        search->setFocus();
        QTest::keyClick(search, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), list->view());
        QCOMPARE(list->view()->currentIndex().row(), 0);
        QTest::keyClick(list->view(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list->view(), Qt::Key_Down, Qt::ShiftModifier);
        const auto* counts = list->findChild<QLabel*>(QStringLiteral("stCounts"));
        QVERIFY2(counts->text().contains(QStringLiteral("Показано: 4 из 4")),
                 qPrintable(counts->text()));
        QVERIFY2(counts->text().contains(QStringLiteral("Выбрано: 3")), qPrintable(counts->text()));
        // Ctrl+End: the last row, in the file column.
        QTest::keyClick(list->view(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(list->view()->currentIndex().row(), 3);
        QCOMPARE(list->view()->currentIndex().column(), int(ExamineeListModel::FileColumn));
    }

    // The sort chooser orders the rows as a click on a heading does, and shows such a click.
    void sortsFromTheKeyboard() {
        TestWindow window;
        for (int i = 0; i < 3; ++i)
            window.addExaminee(examinee(i, MaleSex, 30 + i));
        ExamineeListWindow* list = openedList(window);
        auto* sort = list->findChild<QComboBox*>(QStringLiteral("cbSort"));
        const auto firstFile = [list] {
            return list->rows()->index(0, ExamineeListModel::FileColumn).data().toString();
        };
        const QString ascending = firstFile();
        QTest::keyClick(sort, Qt::Key_Down); // "Файл, по убыванию"
        QCOMPARE(list->view()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(firstFile() != ascending);
        list->view()->sortByColumn(ExamineeListModel::CodeColumn, Qt::AscendingOrder);
        QCOMPARE(sort->currentIndex(), int(ExamineeListModel::CodeColumn) * 2);

        // The selected entries and the current one stay so through a new order.
        QItemSelectionModel* selection = list->view()->selectionModel();
        const auto fileAt = [list](int row) {
            return list->rows()->index(row, ExamineeListModel::FileColumn).data().toString();
        };
        const QStringList chosen = {fileAt(0), fileAt(1)};
        for (const int row : {0, 1})
            selection->select(list->rows()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(list->rows()->index(1, ExamineeListModel::NameColumn),
                                   QItemSelectionModel::NoUpdate);
        list->view()->sortByColumn(ExamineeListModel::CodeColumn, Qt::DescendingOrder);
        QCOMPARE(fileAt(2), chosen.first());
        QStringList selected;
        for (const QModelIndex& index : selection->selectedRows())
            selected.append(index.data().toString());
        selected.sort();
        QStringList expected = chosen;
        expected.sort();
        QCOMPARE(selected, expected);
        QCOMPARE(selection->selection().size(), 1); // rows 1 and 2: one range
        QCOMPARE(selection->currentIndex().row(), 1);
        QCOMPARE(selection->currentIndex().column(), int(ExamineeListModel::NameColumn));
        QCOMPARE(fileAt(selection->currentIndex().row()), chosen.last());
        QVERIFY(list->findChild<QLabel*>(QStringLiteral("stCounts"))
                    ->text()
                    .contains(QStringLiteral("Выбрано: 2")));
    }

    // The group of the chosen rows is the group of a folder holding just those files.
    void analysesTheChosenAsTheGroupOfThoseFiles() {
        TestWindow window;
        QTemporaryDir alone;
        for (int i = 0; i < 5; ++i) {
            const SampleExaminee e = testExaminee(30 + i);
            window.addExaminee(e);
            if (i == 1 || i == 3)
                TestWindow::writeBytes(alone.path() + QLatin1Char('/') + responseFileName(e),
                                       makeResponseFile(e, decimalSeparator()));
        }
        ExamineeListWindow* list = openedList(window);
        list->view()->sortByColumn(ExamineeListModel::FileColumn, Qt::AscendingOrder);
        QItemSelectionModel* selection = list->view()->selectionModel();
        for (const int row : {1, 3})
            selection->select(list->rows()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->findChild<QComboBox*>(QStringLiteral("cbGroupNorm"))->setCurrentIndex(1);
        list->findChild<QPushButton*>(QStringLiteral("btAnalyseChosen"))->click();

        QVERIFY(window.dialogs.errors.isEmpty());
        const AnalysisState expected = groupAnalysis(alone.path(), NormKind::Sex, FemaleSex);
        const AnalysisState& shown = window.form->analysis();
        QCOMPARE(shown.kind, AnalysisKind::Group);
        QCOMPARE(shown.header.code, QStringLiteral("2"));
        QCOMPARE(shown.record.scores.raw.profile1, expected.record.scores.raw.profile1);
        QCOMPARE(shown.record.scores.raw.profile3, expected.record.scores.raw.profile3);
        QVERIFY(formatSheet(shown) == formatSheet(expected));

        // The table of the group, read again for its rows, holds the chosen members only.
        const QString csv = window.resultsDir() + QStringLiteral("/chosen.csv");
        window.dialogs.saveAnswers << csv;
        window.action("mmSaveTable")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        const QByteArray table = readFile(csv);
        QCOMPARE(table.count('\n'), buildRegionalCsv(examineeTable(expected)).count('\n'));
        for (int i = 0; i < 5; ++i) {
            const QByteArray name = testExaminee(30 + i).name.toUtf8();
            QVERIFY2(table.contains(name) == (i == 1 || i == 3), name.constData());
        }

        // Nothing selected: every row shown, here the women only.
        selection->clearSelection();
        list->findChild<QComboBox*>(QStringLiteral("cbSex"))->setCurrentIndex(2);
        const int women = list->rows()->rowCount();
        QVERIFY(women > 0 && women < 5);
        list->findChild<QPushButton*>(QStringLiteral("btAnalyseChosen"))->click();
        QCOMPARE(window.form->analysis().header.code, QString::number(women));
        // The group says how it was chosen, for the norm saved from it.
        QVERIFY2(window.form->analysis().choiceDescription.contains(FemaleSex),
                 qPrintable(window.form->analysis().choiceDescription));
    }

    // A group run that stops at an entry offers the list, where that entry is selected.
    void aStoppedGroupOffersTheListAtItsEntry() {
        TestWindow window;
        for (int i = 0; i < 3; ++i)
            window.addExaminee(testExaminee(40 + i));
        TestWindow::writeBytes(window.dataFile(QStringLiteral("00002-copy.cry")),
                               QByteArrayLiteral("not a response file"));
        window.dialogs.offerAnswers.append(true);
        window.action("mmSexMan")->trigger();

        QCOMPARE(window.dialogs.errors.size(), 1);
        QCOMPARE(window.dialogs.offers.size(), 1);
        ExamineeListWindow* list = window.form->examineeList();
        QVERIFY(list && list->isVisible());
        QVERIFY(QTest::qWaitFor([list] { return !list->listing(); }, 10000));
        QCOMPARE(list->table()->markedFile(), QStringLiteral("00002-copy.cry"));
        const QModelIndexList selected = list->view()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("00002-copy.cry"));
    }

    // A norm saved from a group is listed under "Нормирование" and compares as withNorm does;
    // a file there that is no norm is refused with its name.
    void aSavedNormIsListedAndCompares() {
        TestWindow window;
        QString first;
        for (int i = 0; i < 4; ++i) {
            const QString path = window.addExaminee(testExaminee(50 + i));
            if (i == 0)
                first = path;
        }
        QVERIFY(!window.action("mmSaveNorm")->isEnabled());
        window.action("mmGroupSatisfaction")->trigger();
        QVERIFY(window.action("mmSaveNorm")->isEnabled());
        const AnalysisState group = window.form->analysis();

        const QString normsDir = window.dir.path() + QStringLiteral("/Norms");
        QVERIFY(QDir().mkpath(normsDir));
        TestWindow::writeBytes(normsDir + QStringLiteral("/broken.json"), "{\"not\": 1}");
        window.dialogs.textAnswers.append(
            {QStringLiteral("Отдел продаж, 2025"), QStringLiteral("четверо")});
        window.action("mmSaveNorm")->trigger();
        QCOMPARE(window.dialogs.textRequests.size(), 1);
        QCOMPARE(window.dialogs.errors.size(), 1);
        QVERIFY2(window.dialogs.errors.first().contains(QStringLiteral("broken.json")),
                 qPrintable(window.dialogs.errors.first()));
        const QStringList saved =
            QDir(normsDir).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        QCOMPARE(saved.size(), 2);
        const QString normPath = normsDir + QLatin1Char('/') + saved.last();
        const Norm norm = readNormFile(readFile(normPath), saved.last());
        QCOMPARE(norm, normFromGroup(group, QStringLiteral("Отдел продаж, 2025"),
                                     QStringLiteral("четверо")));

        // One examinee compared with the group's norm, as withNorm compares it.
        window.open(first);
        QAction* own = window.action("mmOwnNorm1");
        QCOMPARE(own->text(), QStringLiteral("&1. Отдел продаж, 2025 (N = 4)"));
        own->trigger();
        const AnalysisState expected = withNorm(coreIndividual(first), norm);
        compareComparisons(window.form->analysis().comparison, expected.comparison);
        QCOMPARE(window.edit("ceNorm")->text(), normTitle(norm));
        QVERIFY(formatSheet(window.form->analysis()) == formatSheet(expected));
        QCOMPARE(window.dialogs.errors.size(), 1); // the broken file is told of once
    }

    // A saved norm under "Группа" and in the list's chooser runs the group against it, as
    // withNorm compares the group.
    void aGroupRunsAgainstASavedNorm() {
        TestWindow window;
        for (int i = 0; i < 4; ++i)
            window.addExaminee(testExaminee(60 + i));
        QTemporaryDir other;
        for (int i = 0; i < 3; ++i) {
            const SampleExaminee e = testExaminee(70 + i);
            TestWindow::writeBytes(other.path() + QLatin1Char('/') + responseFileName(e),
                                   makeResponseFile(e, decimalSeparator()));
        }
        // Group B's norm, saved in the window's norms folder.
        const Norm norm = normFromGroup(groupAnalysis(other.path(), NormKind::Satisfaction, {}),
                                        QStringLiteral("Группа Б"), QStringLiteral("трое"));
        const QString normsDir = window.dir.path() + QStringLiteral("/Norms");
        QVERIFY(QDir().mkpath(normsDir));
        TestWindow::writeBytes(normsDir + QStringLiteral("/b.json"), normFileBytes(norm));
        window.action("mmGroupSatisfaction")->trigger();
        window.dialogs.textAnswers.append({QStringLiteral("Группа А"), QString()});
        window.action("mmSaveNorm")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());

        // Listed by file name: "b.json" before "Группа А.json".
        QAction* own = window.action("mmGroupOwnNorm1");
        QCOMPARE(own->text(), QStringLiteral("&1. Группа Б (N = 3)"));
        QVERIFY(own->isEnabled());
        own->trigger();
        const AnalysisState expected =
            withNorm(groupAnalysis(window.dataDir(), NormKind::Satisfaction, {}), norm);
        QCOMPARE(window.form->analysis().kind, AnalysisKind::Group);
        compareComparisons(window.form->analysis().comparison, expected.comparison);
        QCOMPARE(window.edit("ceNorm")->text(), normTitle(norm));

        // The list's chooser offers the same norm after the stored ones.
        window.action("mmSexMan")->trigger();
        ExamineeListWindow* list = openedList(window);
        auto* chooser = list->findChild<QComboBox*>(QStringLiteral("cbGroupNorm"));
        const int at = chooser->findText(normGroupName(norm));
        QVERIFY(at >= 5);
        chooser->setCurrentIndex(at);
        list->findChild<QPushButton*>(QStringLiteral("btAnalyseChosen"))->click();
        QVERIFY(window.dialogs.errors.isEmpty());
        compareComparisons(window.form->analysis().comparison, expected.comparison);
    }

    // An entry with an earlier test of the same code opens against a norm made of it; the
    // earliest test and an examinee tested once have nothing to compare with.
    void aRetestOpensAgainstTheEarlierTest() {
        TestWindow window;
        SampleExaminee earlier = testExaminee(80);
        earlier.testDate = QStringLiteral("12.03.2024");
        SampleExaminee later = testExaminee(81);
        later.code = earlier.code;
        later.testDate = QStringLiteral("20.05.2025");
        const QString earlierPath = window.dataFile(QStringLiteral("a-earlier.cry"));
        const QString laterPath = window.dataFile(QStringLiteral("b-later.cry"));
        TestWindow::writeBytes(earlierPath, makeResponseFile(earlier, decimalSeparator()));
        TestWindow::writeBytes(laterPath, makeResponseFile(later, decimalSeparator()));
        const QString once = QFileInfo(window.addExaminee(testExaminee(82))).fileName();

        ExamineeListWindow* list = openedList(window);
        auto* button = list->findChild<QPushButton*>(QStringLiteral("btCompareEarlier"));
        QVERIFY(button);
        const auto current = [&](const QString& fileName) {
            const int row = list->table()->rowOf(fileName);
            list->view()->setCurrentIndex(
                list->rows()->mapFromSource(list->table()->index(row, 0)));
            return button->isEnabled();
        };
        QVERIFY(!current(QStringLiteral("a-earlier.cry")));
        QVERIFY(!current(once));
        QVERIFY(current(QStringLiteral("b-later.cry")));
        // The context menu holds the same command, with its key.
        auto* command = list->findChild<QAction*>(QStringLiteral("mmCompareEarlier"));
        QVERIFY(command && command->isEnabled() && list->view()->actions().contains(command));
        QCOMPARE(command->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        button->click();

        QVERIFY(window.dialogs.errors.isEmpty());
        const AnalysisState expected =
            withNorm(coreIndividual(laterPath), normFromExaminee(coreIndividual(earlierPath)));
        const AnalysisState& shown = window.form->analysis();
        QCOMPARE(shown.source, laterPath);
        compareComparisons(shown.comparison, expected.comparison);
        QCOMPARE(window.edit("ceNorm")->text(), QStringLiteral("Обследование 12.03.2024 (N = 1)"));
        QVERIFY(formatSheet(shown) == formatSheet(expected));
    }

    // "Без Ф.И.О." leaves the names out of the group report; a group under the set minimum
    // leaves the program not at all.
    void groupOutputsKeepNamesPrivate() {
        TestWindow window;
        QList<SampleExaminee> members;
        for (int i = 0; i < 3; ++i) {
            members.append(testExaminee(60 + i));
            window.addExaminee(members.last());
        }
        window.action("mmGroupSatisfaction")->trigger();
        QVERIFY(!window.action("mmAnonymous")->isChecked());
        window.action("mmAnonymous")->trigger();
        QVERIFY(window.action("mmAnonymous")->isChecked());
        const QString report = window.resultsDir() + QStringLiteral("/group.txt");
        window.dialogs.saveAnswers.append(report);
        window.action("mmAnalysis")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        const QString text = decodeWindows1251(readFile(report));
        QVERIFY(!text.isEmpty());
        for (const SampleExaminee& e : members) {
            QVERIFY2(text.contains(e.code), qPrintable(e.code));
            QVERIFY2(!text.contains(e.name), qPrintable(e.name));
        }
        // The table is written member by member as the folder is read again: by code too.
        const QString table = window.resultsDir() + QStringLiteral("/group.csv");
        window.dialogs.saveAnswers.append(table);
        window.action("mmSaveTable")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        const QString rows = QString::fromUtf8(readFile(table));
        for (const SampleExaminee& e : members) {
            QVERIFY2(rows.contains(e.code), qPrintable(e.code));
            QVERIFY2(!rows.contains(e.name), qPrintable(e.name));
        }

        window.dialogs.numberAnswers.append(4);
        window.action("mmMinGroupSize")->trigger();
        const int asked = int(window.dialogs.saveRequests.size());
        window.action("mmAnalysis")->trigger();
        QCOMPARE(window.dialogs.errors,
                 QStringList{errorBoxText(groupSizeRefusal(window.form->analysis(), 4))});
        QCOMPARE(window.dialogs.saveRequests.size(), asked); // refused before any dialog
        window.action("mmSaveNorm")->trigger();
        QCOMPARE(window.dialogs.errors.size(), 2);
        QVERIFY(window.dialogs.textRequests.isEmpty());
    }
};

QTEST_MAIN(TestExamineeList)
#include "tst_examineelist.moc"
