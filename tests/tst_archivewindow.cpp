// The window on the department's archive, driven through its menu and the archive's list as
// the user does it, on a real PostgreSQL 15 server of the suite's own; every question and
// message is answered by the scripted dialogs.

#include "AnalysisError.h"
#include "ArchiveGroups.h"
#include "ArchiveListModel.h"
#include "ArchiveListWindow.h"
#include "ArchiveSchema.h"
#include "ArchiveStore.h"
#include "Domain.h"
#include "ExamineeListWindow.h"
#include "ExamineeTable.h"
#include "PgConnection.h"
#include "PgTestCluster.h"
#include "TestFiles.h"
#include "WindowTestSupport.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>

#include <algorithm>
#include <memory>

using namespace ezr;

namespace {

const QString UnitBulk = QStringLiteral("Отдел продаж");
const QString UnitGroups = QStringLiteral("Бухгалтерия");
const QString UnitImport = QStringLiteral("Склад");
constexpr int BulkTests = 450; // more than two pages of the list

QList<SampleExaminee> generated(std::uint32_t seed, int count) {
    QList<SampleExaminee> examinees;
    for (int index = 0; index < count; ++index)
        examinees << generatedExaminee(seed, index);
    return examinees;
}

QPushButton* button(QWidget* window, const QString& text) {
    for (QPushButton* candidate : window->findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    qFatal("no button %s", qPrintable(text));
}

// The list's norm box, known by the stored rows it offers.
QComboBox* normBox(QWidget* window) {
    for (QComboBox* box : window->findChildren<QComboBox*>())
        if (box->findText(QStringLiteral("Удовлетворенность")) >= 0)
            return box;
    qFatal("no norm box");
}

QLabel* countLabel(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("Обследований")))
            return label;
    return nullptr;
}

// The numbers of two group analyses: size, means, the comparison with their norm.
void compareNumbers(const AnalysisState& shown, const AnalysisState& expected) {
    QCOMPARE(shown.kind, AnalysisKind::Group);
    QCOMPARE(shown.header.code, expected.header.code);
    QCOMPARE(shown.record.scores, expected.record.scores);
    QCOMPARE(shown.record.meanTime, expected.record.meanTime);
    QCOMPARE(shown.comparison.norm, expected.comparison.norm);
    QCOMPARE(shown.comparison.chi, expected.comparison.chi);
    for (std::size_t profile = 0; profile < shown.comparison.profiles.size(); ++profile) {
        QCOMPARE(shown.comparison.profiles[profile].x2, expected.comparison.profiles[profile].x2);
        QCOMPARE(shown.comparison.profiles[profile].verdict,
                 expected.comparison.profiles[profile].verdict);
    }
    QCOMPARE(shown.comparison.inclusion.value, expected.comparison.inclusion.value);
    QCOMPARE(shown.comparison.innovation.value, expected.comparison.innovation.value);
}

} // namespace

class TestArchiveWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listModelUnderTheChecker();
    void countOfTheLatestChoice();
    void textFieldFindsPartsOfCodesAndNames_data();
    void textFieldFindsPartsOfCodesAndNames();
    void refusedConnections_data();
    void refusedConnections();
    void listImportsAnalysesChosenAndSavesNorm();
    void groupCommandsReadTheArchive_data();
    void groupCommandsReadTheArchive();
    void normSavedFromTheMenuIsTheTeams();
    void examineesAreTheArchivesWhileConnected();

private:
    // Connects the window through "Архив…" as `role`.
    void connect(TestWindow& window, const QString& role);
    qint64 scalar(const QString& sql);

    std::unique_ptr<PgTestCluster> cluster_;
    QTemporaryDir dirs_;
    QString groupsDir_, importDir_;
};

void TestArchiveWindow::initTestCase() {
    if (!PgTestCluster::installed())
        QSKIP(qPrintable(PgTestCluster::notInstalledMessage()));
    cluster_ = std::make_unique<PgTestCluster>();
    QString error;
    QVERIFY2(cluster_->startWithRoles(
                 {QStringLiteral("psy1"), QStringLiteral("psy2"), QStringLiteral("psy3")}, &error),
             qPrintable(error));
    PgConnection admin(cluster_->archive());
    migrateArchive(admin);
    grantUnit(admin, QStringLiteral("psy1"), UnitBulk);
    grantUnit(admin, QStringLiteral("psy2"), UnitGroups);
    grantUnit(admin, QStringLiteral("psy3"), UnitImport);

    const QString bulkDir = dirs_.filePath(QStringLiteral("bulk"));
    groupsDir_ = dirs_.filePath(QStringLiteral("groups"));
    importDir_ = dirs_.filePath(QStringLiteral("import"));
    QVERIFY(writeResponseFiles(bulkDir, generated(31, BulkTests)));
    QVERIFY(writeResponseFiles(groupsDir_, generated(32, 24)));
    QVERIFY(writeResponseFiles(importDir_, generated(33, 16)));
    PgConnection psy1(cluster_->archive(QStringLiteral("psy1")));
    QCOMPARE(importFolder(psy1, bulkDir, UnitBulk).stored, BulkTests);
    PgConnection psy2(cluster_->archive(QStringLiteral("psy2")));
    QCOMPARE(importFolder(psy2, groupsDir_, UnitGroups).stored, 24);
}

void TestArchiveWindow::connect(TestWindow& window, const QString& role) {
    window.dialogs.textAnswers.append({cluster_->archive(role)});
    window.action("mmArchive")->trigger();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    QVERIFY(window.form->archiveList());
}

qint64 TestArchiveWindow::scalar(const QString& sql) {
    PgConnection admin(cluster_->archive());
    return admin.exec(sql.toUtf8().constData()).number(0, 0);
}

// The list model under Qt's checker, reporting through Qt Test: the first page on a reset,
// every page fetched as a view asks for it, a new order and a new filter.
void TestArchiveWindow::listModelUnderTheChecker() {
    const auto archive = std::make_shared<PgConnection>(cluster_->archive(QStringLiteral("psy1")));
    ArchiveListModel model(archive);
    QAbstractItemModelTester checker(&model,
                                     QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTableView view;
    view.setModel(&model);
    model.choose({});
    QCOMPARE(model.rowCount(), ArchiveListModel::PageSize);
    // The view asks for pages too, as it lays out; each is read once the events run.
    while (model.canFetchMore({}) || model.fetching()) {
        if (model.canFetchMore({})) {
            model.fetchMore({});
            QVERIFY(!model.canFetchMore({})); // asked once, read once
        }
        QTRY_VERIFY(!model.fetching());
    }
    QCOMPARE(model.rowCount(), BulkTests);
    const QList<ArchiveEntry> all = listTests(*archive, {}, {ArchiveOrder::Code, false, 0, -1});
    for (int row = 0; row < BulkTests; ++row)
        QCOMPARE(model.entry(row).id, all.at(row).id);

    model.sort(ArchiveListModel::Name, Qt::DescendingOrder);
    QCOMPARE(model.rowCount(), ArchiveListModel::PageSize);
    ArchiveSelection women;
    women.filter.sex = FemaleSex;
    model.choose(women);
    QTRY_VERIFY(!model.canFetchMore({}) && !model.fetching() &&
                model.rowCount() == countTests(*archive, women)); // the view scrolls on its own
    QVERIFY(model.rowCount() > 0);
}

// The count comes after the first page, off the window; a choice made while an earlier one is
// counted shows its own count, never the earlier one's.
void TestArchiveWindow::countOfTheLatestChoice() {
    ScriptedDialogs dialogs;
    ArchiveListWindow list(cluster_->archive(QStringLiteral("psy1")), &dialogs);
    QCOMPARE(list.table()->rowCount(), ArchiveListModel::PageSize); // before any count
    QComboBox* sex = nullptr;
    for (QComboBox* box : list.findChildren<QComboBox*>())
        if (box->findText(FemaleSex) >= 0 && box->findText(QStringLiteral("Удовлетворенность")) < 0)
            sex = box;
    QVERIFY(sex);
    sex->setCurrentIndex(sex->findText(FemaleSex)); // while all the tests are being counted
    ArchiveSelection women;
    women.filter.sex = FemaleSex;
    PgConnection psy1(cluster_->archive(QStringLiteral("psy1")));
    const QString expected =
        QStringLiteral("Обследований: %1").arg(QLocale::system().toString(countTests(psy1, women)));
    QVERIFY(countTests(psy1, women) < BulkTests);
    QTRY_COMPARE(countLabel(&list)->text(), expected);
    QTest::qWait(300);
    QCOMPARE(countLabel(&list)->text(), expected);
    QVERIFY(dialogs.errors.isEmpty());
}

void TestArchiveWindow::textFieldFindsPartsOfCodesAndNames_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("part of a name, other case") << QStringLiteral("{name}");
    QTest::newRow("part of a code") << QStringLiteral("{code}");
    QTest::newRow("percent sign") << QStringLiteral("%");
    QTest::newRow("underscore") << QStringLiteral("_");
    QTest::newRow("backslash") << QStringLiteral("\\");
    QTest::newRow("found nowhere") << QStringLiteral("Щукина-Нет");
}

// "Код или Ф.И.О.": the tests whose code or name holds the text, whatever its case, with no
// character of it taken as a wildcard; the list and its count agree.
void TestArchiveWindow::textFieldFindsPartsOfCodesAndNames() {
    QFETCH(QString, text);
    PgConnection psy1(cluster_->archive(QStringLiteral("psy1")));
    const QList<ArchiveEntry> all = listTests(psy1, {}, {ArchiveOrder::Code, false, 0, -1});
    QCOMPARE(all.size(), BulkTests);
    text.replace(QStringLiteral("{name}"), all.at(7).name.mid(1, 4).toLower());
    text.replace(QStringLiteral("{code}"), all.at(300).code.right(2));
    QList<qint64> expected;
    for (const ArchiveEntry& entry : all)
        if (entry.code.contains(text, Qt::CaseInsensitive) ||
            entry.name.contains(text, Qt::CaseInsensitive))
            expected << entry.id;
    ArchiveSelection typed;
    typed.filter.text = text;
    QList<qint64> found;
    for (const ArchiveEntry& entry : listTests(psy1, typed, {ArchiveOrder::Code, false, 0, -1}))
        found << entry.id;
    QCOMPARE(found, expected);
    QCOMPARE(countTests(psy1, typed), qint64(expected.size()));
}

void TestArchiveWindow::refusedConnections_data() {
    QTest::addColumn<QString>("conninfo");
    QTest::addColumn<QString>("error");
    QTest::newRow("password") << QStringLiteral("host=/tmp dbname=ezr password=secret")
                              << QStringLiteral("Пароль не хранится в настройках программы: "
                                                "запишите его в ~/.pgpass");
    QTest::newRow("no server") << QStringLiteral("host=/nonexistent dbname=ezr") << QString();
}

// A refused or unreachable archive: told through the window's dialogs, and the groups go on
// reading the data folder.
void TestArchiveWindow::refusedConnections() {
    QFETCH(QString, conninfo);
    QFETCH(QString, error);
    TestWindow window;
    for (const SampleExaminee& examinee : generated(35, 5))
        window.addExaminee(examinee);
    window.dialogs.textAnswers.append({conninfo});
    window.action("mmArchive")->trigger();
    QCOMPARE(window.dialogs.errors.size(), 1);
    if (!error.isEmpty())
        QCOMPARE(window.dialogs.errors.first(), error);
    QVERIFY(!window.form->archiveList());
    window.action("mmGroupSatisfaction")->trigger();
    compareNumbers(window.form->analysis(),
                   groupAnalysis(window.dataDir(), NormKind::Satisfaction, QString()));
}

// "Архив…", the archive's list, a folder imported into a unit, chosen members analysed with
// the education norm, and their norm saved for the team from the list.
void TestArchiveWindow::listImportsAnalysesChosenAndSavesNorm() {
    TestWindow window;
    connect(window, QStringLiteral("psy3"));
    ArchiveListWindow* list = window.form->archiveList();
    QCOMPARE(list->table()->rowCount(), 0);

    window.dialogs.directoryAnswers << importDir_;
    window.dialogs.textAnswers << QStringList{UnitImport};
    button(list, QStringLiteral("Импорт папки…"))->click();
    QCOMPARE(window.dialogs.informations,
             QStringList{QStringLiteral("Сохранено в архиве: 16\nУже были в архиве: 0")});
    QCOMPARE(list->table()->rowCount(), 16);
    QTRY_COMPARE(countLabel(list)->text(), QStringLiteral("Обследований: 16"));

    QSet<QString> chosenFiles;
    list->view()->clearSelection();
    for (const int row : {1, 4, 5, 9, 12}) {
        list->view()->selectionModel()->select(
            list->table()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        chosenFiles.insert(list->table()->entry(row).fileName);
    }
    QComboBox* norm = normBox(list);
    norm->setCurrentIndex(norm->findText(QStringLiteral("Образование: ") + HigherEducation));
    button(list, QStringLiteral("Анализ выбранных"))->click();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    GroupChoice fromFolder;
    fromFolder.fileNames = chosenFiles;
    const AnalysisState folderGroup =
        groupAnalysis(importDir_, NormKind::Education, HigherEducation, nullptr, {},
                      GroupKeeps::TableRows, fromFolder);
    compareNumbers(window.form->analysis(), folderGroup);
    // The window keeps no rows of the group: its table reads the chosen tests again, to the
    // same bytes as the folder's.
    QVERIFY(window.form->analysis().members.isEmpty());
    const QString table = window.resultsDir() + QStringLiteral("/chosen.csv");
    window.dialogs.saveAnswers << table;
    window.action("mmSaveTable")->trigger();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    // The rows come in the list's order, the folder's in its files' order.
    const auto sortedLines = [](const QByteArray& csv) {
        QList<QByteArray> lines = csv.split('\n');
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    QCOMPARE(sortedLines(readFile(table)),
             sortedLines(buildRegionalCsv(examineeTable(folderGroup))));

    window.dialogs.textAnswers << QStringList{QStringLiteral("Склад, выбранные"), QString()};
    button(list, QStringLiteral("Сохранить норму в архиве…"))->click();
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM ezr.norm_members m JOIN ezr.norms n "
                                   "ON n.id = m.norm_id WHERE n.name = 'Склад, выбранные'")),
             qint64(5));
    // Listed at once in the list's box and in the main window's "Нормирование".
    QVERIFY(norm->findText(QStringLiteral("Норма: Склад, выбранные")) >= 0);
    QVERIFY(window.action("mmOwnNorm1")->text().contains(QStringLiteral("Склад, выбранные")));
}

void TestArchiveWindow::groupCommandsReadTheArchive_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<NormKind>("kind");
    QTest::addColumn<QString>("criterion");
    QTest::newRow("women") << QStringLiteral("mmSexWoman") << NormKind::Sex << FemaleSex;
    QTest::newRow("higher education")
        << QStringLiteral("mmEducHigh") << NormKind::Education << HigherEducation;
    QTest::newRow("satisfaction") << QStringLiteral("mmGroupSatisfaction") << NormKind::Satisfaction
                                  << QString();
}

// "Группа" on the archive while it is connected, on the data folder before and after.
void TestArchiveWindow::groupCommandsReadTheArchive() {
    QFETCH(QString, action);
    QFETCH(NormKind, kind);
    QFETCH(QString, criterion);
    TestWindow window;
    window.form->setProgressDelay(60000);
    for (const SampleExaminee& examinee : generated(34, 7))
        window.addExaminee(examinee);
    const AnalysisState dataFolder = groupAnalysis(window.dataDir(), kind, criterion);
    QAction* command = window.action(action.toLatin1().constData());
    command->trigger();
    compareNumbers(window.form->analysis(), dataFolder);

    connect(window, QStringLiteral("psy2"));
    command->trigger();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    const AnalysisState folderGroup = groupAnalysis(groupsDir_, kind, criterion);
    compareNumbers(window.form->analysis(), folderGroup);
    QVERIFY(window.action("mmGroup")->toolTip().contains(QStringLiteral("Архив отдела")));
    const QString table = window.resultsDir() + QStringLiteral("/group.csv");
    window.dialogs.saveAnswers << table;
    window.action("mmSaveTable")->trigger();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    QCOMPARE(readFile(table), buildRegionalCsv(examineeTable(folderGroup)));

    // An empty connection string goes back to the data folder.
    window.dialogs.textAnswers.append({QString()});
    window.action("mmArchive")->trigger();
    command->trigger();
    compareNumbers(window.form->analysis(), dataFolder);
    QVERIFY(window.action("mmGroup")->toolTip().contains(QStringLiteral("Папка данных")));
}

// "Сохранить как норму…" on an archive's group: into the archive with its tests when the
// user agrees, listed under "Нормирование" beside the file norms and taken from there.
void TestArchiveWindow::normSavedFromTheMenuIsTheTeams() {
    TestWindow window;
    connect(window, QStringLiteral("psy2"));
    window.action("mmGroupSatisfaction")->trigger();
    QCOMPARE(window.form->analysis().header.code, QStringLiteral("24"));

    window.dialogs.textAnswers << QStringList{QStringLiteral("Бухгалтерия 2026"),
                                              QStringLiteral("весь отдел")};
    window.dialogs.questionAnswers << true;
    window.action("mmSaveNorm")->trigger();
    QVERIFY2(window.dialogs.errors.isEmpty(), qPrintable(window.dialogs.errors.join('\n')));
    QCOMPARE(window.dialogs.questions.size(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM ezr.norm_members m JOIN ezr.norms n "
                                   "ON n.id = m.norm_id WHERE n.name = 'Бухгалтерия 2026'")),
             qint64(24));
    const QDir normFiles(FolderConfig(window.dir.path() + QLatin1Char('/')).normsFolder());
    QVERIFY(normFiles.entryList(QDir::Files).isEmpty());

    PgConnection psy1(cluster_->archive(QStringLiteral("psy1")));
    Norm saved;
    for (const Norm& norm : archiveNorms(psy1)) // the team's, whoever saved it
        if (norm.name == QStringLiteral("Бухгалтерия 2026"))
            saved = norm;
    QCOMPARE(saved.description, QStringLiteral("весь отдел"));
    QAction* listed = nullptr;
    for (QAction* item : window.form->findChildren<QAction*>())
        if (item->objectName().startsWith(QStringLiteral("mmOwnNorm")) &&
            item->text().endsWith(archiveNormTitle(saved)))
            listed = item;
    QVERIFY(listed);
    window.action("mmGroupSatisfaction")->trigger();
    listed->trigger();
    QCOMPARE(window.form->analysis().comparison.norm, saved);

    // "Нет": the file norm, as without an archive.
    window.dialogs.textAnswers << QStringList{QStringLiteral("В файле"), QString()};
    window.action("mmSaveNorm")->trigger();
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM ezr.norms WHERE name = 'В файле'")),
             qint64(0));
    QCOMPARE(normFiles.entryList(QDir::Files).size(), 1);
}

// "Обследуемые" while connected shows the archive's list, opened again after it was closed;
// back on the data folder it shows the folder's.
void TestArchiveWindow::examineesAreTheArchivesWhileConnected() {
    TestWindow window;
    connect(window, QStringLiteral("psy2"));
    QPointer<ArchiveListWindow> first = window.form->archiveList();
    first->close();
    QTRY_VERIFY(!first);
    window.action("mmExaminees")->trigger();
    QVERIFY(window.form->archiveList());
    QVERIFY(window.form->archiveList()->isVisible());
    QVERIFY(!window.form->findChild<ExamineeListWindow*>());

    window.dialogs.textAnswers.append({QString()});
    window.action("mmArchive")->trigger();
    window.action("mmExaminees")->trigger();
    QTRY_VERIFY(!window.form->archiveList());
    QVERIFY(window.form->findChild<ExamineeListWindow*>());
    QVERIFY(window.form->findChild<ExamineeListWindow*>()->isVisible());
}

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewindow.moc"
