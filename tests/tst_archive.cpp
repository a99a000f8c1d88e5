// The department's archive on a real PostgreSQL 15 server of the suite's own.

#include "AnalysisError.h"
#include "ArchiveListModel.h"
#include "ArchiveListWindow.h"
#include "ArchiveSchema.h"
#include "ArchiveStore.h"
#include "Domain.h"
#include "MemberFilter.h"
#include "NormFile.h"
#include "PgConnection.h"
#include "PgTestCluster.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace ezr;

namespace {

const QString UnitA = QStringLiteral("Отдел кадров");
const QString UnitB = QStringLiteral("Бухгалтерия");
const QString UnitC = QStringLiteral("Склад");
const QString UnitD = QStringLiteral("Цех 4");
const QString UnitE = QStringLiteral("Цех 5");

// Examinees numbered `from` .. `to` - 1 of a generated group.
QList<SampleExaminee> generatedRange(std::uint32_t seed, int from, int to) {
    QList<SampleExaminee> examinees;
    for (int index = from; index < to; ++index)
        examinees << generatedExaminee(seed, index);
    return examinees;
}

// Unit A's folder: forty generated examinees and two whose dates do not read, which every
// age or date bound leaves out.
QList<SampleExaminee> folderA() {
    QList<SampleExaminee> examinees = generatedRange(11, 0, 40);
    SampleExaminee noBirth = generatedExaminee(11, 40);
    noBirth.code = QStringLiteral("901");
    noBirth.birthDate = QStringLiteral("не указана");
    SampleExaminee noTest = generatedExaminee(11, 41);
    noTest.code = QStringLiteral("902");
    noTest.testDate = QStringLiteral("вчера");
    return examinees << noBirth << noTest;
}

QStringList fileNames(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files);
    names.sort();
    return names;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(10000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripIsByteForByte();
    void eachRoleSeesItsUnits_data();
    void eachRoleSeesItsUnits();
    void othersUnitsAreRefused();
    void noClientBypass_data();
    void noClientBypass();
    void readsAndChangesAreAudited();
    void deletionKeepsAnActWithoutPersonalData();
    void concurrentImportsStoreEachTestOnce();
    void killedImportLeavesNoPartialTests();
    void archiveReportEqualsFolderReport_data();
    void archiveReportEqualsFolderReport();
    void windowListPagesFromTheServer();
    void windowOpensAndAnalysesStoredTests();
    void statementStoppedFromAnotherThread();

private:
    PgConnection& as(const QString& role);
    qint64 scalar(const QString& role, const char* sql);

    std::unique_ptr<PgTestCluster> cluster_;
    std::map<QString, std::unique_ptr<PgConnection>> connections_;
    QTemporaryDir dirs_;
    QString dirA_, dirB_, dirC_;
};

PgConnection& TestArchive::as(const QString& role) {
    auto& connection = connections_[role];
    if (!connection)
        connection = std::make_unique<PgConnection>(cluster_->archive(role));
    return *connection;
}

qint64 TestArchive::scalar(const QString& role, const char* sql) {
    return as(role).exec(sql).number(0, 0);
}

void TestArchive::initTestCase() {
    if (!PgTestCluster::installed())
        QSKIP(qPrintable(PgTestCluster::notInstalledMessage()));
    cluster_ = std::make_unique<PgTestCluster>();
    QString error;
    QVERIFY2(cluster_->startWithRoles(
                 {QStringLiteral("psy1"), QStringLiteral("psy2"), QStringLiteral("head1")}, &error),
             qPrintable(error));
    PgConnection& admin = as(QStringLiteral("postgres"));
    QCOMPARE(migrateArchive(admin), archiveSchemaVersion());
    QCOMPARE(migrateArchive(admin), 0); // a second init finds nothing to do
    for (const QString& unit : {UnitA, UnitC, UnitD, UnitE})
        grantUnit(admin, QStringLiteral("psy1"), unit);
    grantUnit(admin, QStringLiteral("psy2"), UnitB);
    grantHead(admin, QStringLiteral("head1"));

    dirA_ = dirs_.filePath(QStringLiteral("a"));
    dirB_ = dirs_.filePath(QStringLiteral("b"));
    dirC_ = dirs_.filePath(QStringLiteral("c"));
    QVERIFY(writeResponseFiles(dirA_, folderA()));
    QVERIFY(writeResponseFiles(dirB_, generatedRange(12, 0, 20)));
    QVERIFY(writeResponseFiles(dirC_, generatedRange(13, 0, 12)));
    QCOMPARE(importFolder(as(QStringLiteral("psy2")), dirB_, UnitB).stored, 20);
}

void TestArchive::roundTripIsByteForByte() {
    PgConnection& psy1 = as(QStringLiteral("psy1"));
    const ImportSummary first = importFolder(psy1, dirA_, UnitA);
    QCOMPARE(first.stored, 42);
    QVERIFY(first.refused.isEmpty());
    const ImportSummary again = importFolder(psy1, dirA_, UnitA);
    QCOMPARE(again.stored, 0);
    QCOMPARE(again.alreadyStored, 42);

    const QString out = dirs_.filePath(QStringLiteral("export-a"));
    QCOMPARE(exportTests(psy1, ArchiveSelection{{}, UnitA}, out), 42);
    QCOMPARE(fileNames(out), fileNames(dirA_));
    for (const QString& name : fileNames(dirA_))
        QVERIFY2(readFile(QDir(out).filePath(name)) == readFile(QDir(dirA_).filePath(name)),
                 qPrintable(name));
    // An export never replaces a file: the second lands beside the first under new names.
    QCOMPARE(
        exportTests(psy1, ArchiveSelection{parseWhere(QStringLiteral("sex=female")), UnitA}, out),
        int(countTests(psy1, {parseWhere(QStringLiteral("sex=female")), UnitA})));
    QCOMPARE(readFile(QDir(dirA_).filePath(fileNames(dirA_).first())),
             readFile(QDir(out).filePath(fileNames(dirA_).first())));
}

void TestArchive::eachRoleSeesItsUnits_data() {
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("psy1 every unit") << "psy1" << QString() << qint64(42);
    QTest::newRow("psy1 asks for B") << "psy1" << UnitB << qint64(0);
    QTest::newRow("psy2 every unit") << "psy2" << QString() << qint64(20);
    QTest::newRow("psy2 asks for A") << "psy2" << UnitA << qint64(0);
    QTest::newRow("head every unit") << "head1" << QString() << qint64(62);
    QTest::newRow("head unit A") << "head1" << UnitA << qint64(42);
}

void TestArchive::eachRoleSeesItsUnits() {
    QFETCH(QString, role);
    QFETCH(QString, unit);
    QFETCH(qint64, expected);
    const ArchiveSelection selection{{}, unit};
    QCOMPARE(countTests(as(role), selection), expected);
    const QList<ArchiveEntry> listed = listTests(as(role), selection, {});
    QCOMPARE(qint64(listed.size()), expected);
    for (const ArchiveEntry& entry : listed)
        QVERIFY(role == QLatin1String("head1") ||
                entry.unit == (role == QLatin1String("psy1") ? UnitA : UnitB));
}

void TestArchive::othersUnitsAreRefused() {
    PgConnection& psy2 = as(QStringLiteral("psy2"));
    const QList<qint64> idsOfA = chooseTests(as(QStringLiteral("psy1")), {{}, UnitA});
    QCOMPARE(idsOfA.size(), 42);
    // Asking by number does not open another unit's test.
    QVERIFY(readTests(psy2, idsOfA, ArchiveRead::Open).isEmpty());
    QVERIFY_THROWS_EXCEPTION(AnalysisError, importFolder(psy2, dirC_, UnitA));
    QVERIFY_THROWS_EXCEPTION(AnalysisError,
                             importFolder(as(QStringLiteral("head1")), dirC_, UnitB));
    const QString codeOfA = QStringLiteral("901"); // a code only unit A has
    QCOMPARE(deletePerson(psy2, codeOfA, QStringLiteral("заявление")), 0);
    QCOMPARE(countTests(as(QStringLiteral("psy1")), {{}, UnitA}), 42);
    QVERIFY_THROWS_EXCEPTION(AnalysisError, grantUnit(psy2, QStringLiteral("psy2"), UnitA));
    QCOMPARE(countTests(psy2, {}), 20);
}

void TestArchive::noClientBypass_data() {
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("sql");
    QTest::newRow("read the table") << "psy2"
                                    << "SELECT count(*) FROM ezr.tests";
    QTest::newRow("head reads the table") << "head1"
                                          << "SELECT count(*) FROM ezr.tests";
    QTest::newRow("delete from the table") << "psy2"
                                           << "DELETE FROM ezr.tests";
    QTest::newRow("become the owner") << "psy2"
                                      << "SET ROLE ezr_owner";
    QTest::newRow("become the head") << "psy2"
                                     << "SET ROLE ezr_head";
    QTest::newRow("grant oneself a unit")
        << "psy2"
        << "INSERT INTO ezr.unit_grants SELECT 'psy2', id FROM ezr.units";
    QTest::newRow("read the audit") << "psy2"
                                    << "SELECT count(*) FROM ezr.audit";
    QTest::newRow("psychologist clears the audit") << "psy1"
                                                   << "DELETE FROM ezr.audit";
    QTest::newRow("head clears the audit") << "head1"
                                           << "DELETE FROM ezr.audit";
    QTest::newRow("head rewrites the audit") << "head1"
                                             << "UPDATE ezr.audit SET who = 'x'";
    QTest::newRow("superuser rewrites the audit") << "postgres"
                                                  << "UPDATE ezr.audit SET who = 'x'";
    QTest::newRow("superuser deletes an act") << "postgres"
                                              << "DELETE FROM ezr.deletions";
    QTest::newRow("superuser truncates the audit") << "postgres"
                                                   << "TRUNCATE ezr.audit";
    QTest::newRow("read the names kept for the text search") << "psy2"
                                                             << "SELECT * FROM ezr.test_texts";
    QTest::newRow("head reads the names kept for the text search")
        << "head1"
        << "SELECT * FROM ezr.test_texts";
    QTest::newRow("plant a name for the text search")
        << "psy1"
        << "INSERT INTO ezr.test_texts SELECT id, 'x', 'x' FROM unnest(ezr.choose_tests("
           "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)) id";
    QTest::newRow("unrecorded bytes")
        << "psy1"
        << "SELECT * FROM ezr.read_tests(ARRAY[1::bigint], 'quietly')";
}

void TestArchive::noClientBypass() {
    QFETCH(QString, role);
    QFETCH(QString, sql);
    const qint64 auditRows = scalar(QStringLiteral("postgres"), "SELECT count(*) FROM ezr.audit");
    const QByteArray statement = sql.toUtf8();
    QVERIFY_THROWS_EXCEPTION(AnalysisError, as(role).exec(statement.constData()));
    QCOMPARE(scalar(QStringLiteral("postgres"), "SELECT count(*) FROM ezr.audit"), auditRows);
    QCOMPARE(scalar(QStringLiteral("postgres"), "SELECT count(*) FROM ezr.tests"), qint64(62));
}

void TestArchive::readsAndChangesAreAudited() {
    PgConnection& psy1 = as(QStringLiteral("psy1"));
    const qint64 before = scalar(QStringLiteral("head1"), "SELECT max(id) FROM ezr.audit");
    const QList<ArchiveEntry> page =
        listTests(psy1, {{}, UnitA}, ArchivePage{ArchiveOrder::Name, false, 0, 5});
    QCOMPARE(page.size(), 5);
    QCOMPARE(readTests(psy1, {page.at(0).id}, ArchiveRead::Open).size(), 1);
    exportTests(psy1, {parseWhere(QStringLiteral("age=30-40")), UnitA},
                dirs_.filePath(QStringLiteral("audited")));
    const PgResult rows = as(QStringLiteral("head1"))
                              .exec("SELECT who, action, tests::text, count FROM ezr.audit "
                                    "WHERE id > $1 ORDER BY id",
                                    {PgParam::number(before)});
    QCOMPARE(rows.rows(), 3); // the page of names, the opening, the export
    QStringList actions;
    for (int row = 0; row < rows.rows(); ++row) {
        QCOMPARE(rows.text(row, 0), QStringLiteral("psy1"));
        actions << rows.text(row, 1);
    }
    QCOMPARE(actions, (QStringList{"list", "open", "export"}));
    QCOMPARE(rows.number(2, 3), countTests(psy1, {parseWhere(QStringLiteral("age=30-40")), UnitA}));
    QCOMPARE(rows.text(1, 2), QStringLiteral("{%1}").arg(page.at(0).id));
    QCOMPARE(rows.number(0, 3), qint64(5));
}

void TestArchive::deletionKeepsAnActWithoutPersonalData() {
    PgConnection& psy1 = as(QStringLiteral("psy1"));
    // Two tests of one person (the same code, a later date) and ten others.
    QList<SampleExaminee> people = generatedRange(13, 0, 12);
    people.first().code = QStringLiteral("777"); // no other unit has it
    SampleExaminee retest = people.first();
    retest.testDate = QStringLiteral("01.12.2026");
    const QString dirC1 = dirs_.filePath(QStringLiteral("c1"));
    const QString dirC2 = dirs_.filePath(QStringLiteral("c2"));
    QVERIFY(writeResponseFiles(dirC1, people));
    QVERIFY(writeResponseFiles(dirC2, {retest}));
    QCOMPARE(importFolder(psy1, dirC1, UnitC).stored, 12);
    QCOMPARE(importFolder(psy1, dirC2, UnitC).stored, 1);
    const QList<qint64> members = chooseTests(psy1, {{}, UnitC});
    Norm norm = storedNorm(0);
    norm.kind = NormKind::Own;
    norm.row = -1;
    norm.name = QStringLiteral("Склад 2026");
    norm.description = QStringLiteral("все обследованные склада");
    norm.memberCount = int(members.size());
    saveArchiveNorm(psy1, norm, members);
    QVERIFY(archiveNorms(as(QStringLiteral("psy2"))).contains(norm)); // shared by the team

    const SampleExaminee& person = people.first();
    QCOMPARE(deletePerson(psy1, person.code, QStringLiteral("Заявление № 17 от 02.12.2026")), 2);
    MemberFilter byCode;
    byCode.codes = QSet<QString>{person.code};
    QCOMPARE(countTests(as(QStringLiteral("head1")), {byCode, {}}), 0);
    QCOMPARE(countTests(psy1, {{}, UnitC}), 11);
    QCOMPARE(scalar(QStringLiteral("postgres"), "SELECT count(*) FROM ezr.norm_members"),
             qint64(11));
    const PgResult act = as(QStringLiteral("head1"))
                             .exec("SELECT who, reason, test_count, norm_member_count, "
                                   "d::text FROM ezr.deletions d ORDER BY id DESC LIMIT 1");
    QCOMPARE(act.text(0, 0), QStringLiteral("psy1"));
    QCOMPARE(act.text(0, 1), QStringLiteral("Заявление № 17 от 02.12.2026"));
    QCOMPARE(act.number(0, 2), qint64(2));
    QCOMPARE(act.number(0, 3), qint64(2));
    const QString whole = act.text(0, 4);
    for (const QString& personal : {person.code, person.name, person.birthDate})
        QVERIFY2(!whole.contains(personal), qPrintable(whole));
}

void TestArchive::concurrentImportsStoreEachTestOnce() {
    // Ten clients, ten folders of 24 tests, each overlapping the next by 19: 69 tests in all.
    QList<std::shared_ptr<QProcess>> clients;
    for (int k = 0; k < 10; ++k) {
        const QString dir = dirs_.filePath(QStringLiteral("d%1").arg(k));
        QVERIFY(writeResponseFiles(dir, generatedRange(14, k * 5, k * 5 + 24)));
    }
    for (int k = 0; k < 10; ++k) {
        auto client = std::make_shared<QProcess>();
        client->start(QStringLiteral(EZR_ARCHIVE_EXE),
                      {QStringLiteral("--db"), cluster_->archive(QStringLiteral("psy1")),
                       QStringLiteral("import"), dirs_.filePath(QStringLiteral("d%1").arg(k)),
                       QStringLiteral("--unit"), UnitD});
        clients << client;
    }
    int stored = 0;
    for (const auto& client : clients) {
        QVERIFY(client->waitForFinished(120000));
        QCOMPARE(client->exitCode(), 0);
        const QString line = QString::fromUtf8(client->readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Сохранено: (\\d+), уже в архиве: (\\d+)"))
                .match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        stored += m.captured(1).toInt();
        QCOMPARE(m.captured(1).toInt() + m.captured(2).toInt(), 24);
    }
    QCOMPARE(stored, 69);
    QCOMPARE(countTests(as(QStringLiteral("psy1")), {{}, UnitD}), 69);
}

void TestArchive::killedImportLeavesNoPartialTests() {
    const QString dir = dirs_.filePath(QStringLiteral("e"));
    QVERIFY(writeGeneratedFiles(dir, 1500, 15));
    const qint64 lastId =
        scalar(QStringLiteral("postgres"), "SELECT last_value FROM ezr.tests_id_seq");
    QProcess client;
    client.start(QStringLiteral(EZR_ARCHIVE_EXE),
                 {QStringLiteral("--db"), cluster_->archive(QStringLiteral("psy1")),
                  QStringLiteral("import"), dir, QStringLiteral("--unit"), UnitE});
    // The sequence moves with every row added, committed or not: kill once a hundred are in.
    QTRY_VERIFY_WITH_TIMEOUT(scalar(QStringLiteral("postgres"),
                                    "SELECT last_value FROM ezr.tests_id_seq") > lastId + 100,
                             60000);
    client.kill();
    QVERIFY(client.waitForFinished(30000));
    // The server rolls back once it sees its client gone.
    QTRY_COMPARE_WITH_TIMEOUT(
        scalar(QStringLiteral("postgres"),
               "SELECT count(*) FROM pg_stat_activity WHERE usename = 'psy1' AND "
               "application_name = 'ezr' AND pid <> pg_backend_pid() AND state <> 'idle'"),
        qint64(0), 30000);
    QCOMPARE(countTests(as(QStringLiteral("head1")), {{}, UnitE}), 0);
    QCOMPARE(importFolder(as(QStringLiteral("psy1")), dir, UnitE).stored, 1500);
}

void TestArchive::archiveReportEqualsFolderReport_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("sex, text") << QStringList{"--sex", "female"};
    QTest::newRow("education, where")
        << QStringList{"--education", "higher", "--where", "age=30-50,date=2025-01-01..2026-12-31"};
    QTest::newRow("satisfaction, csv table") << QStringList{"--satisfaction", "--format", "csv"};
    QTest::newRow("sex, chosen csv table")
        << QStringList{"--sex", "female", "--where", "sex=female", "--format", "csv"};
    QTest::newRow("sex, chosen by sex")
        << QStringList{"--sex", "male", "--where", "sex=male", "--anonymous"};
}

void TestArchive::archiveReportEqualsFolderReport() {
    QFETCH(QStringList, options);
    options << QStringLiteral("--encoding") << QStringLiteral("utf-8");
    const Run folder = runProgram(QStringLiteral(EZR_REPORT_EXE),
                                  QStringList{QStringLiteral("--group"), dirA_} + options);
    const Run archive =
        runProgram(QStringLiteral(EZR_REPORT_EXE),
                   QStringList{QStringLiteral("--db"), cluster_->archive(QStringLiteral("head1")),
                               QStringLiteral("--group-archive"), QStringLiteral("--unit"), UnitA} +
                       options);
    QCOMPARE(folder.exitCode, 0);
    QCOMPARE(archive.exitCode, 0);
    QVERIFY(folder.out.size() > 1000);
    QCOMPARE(archive.out, folder.out);
}

void TestArchive::windowListPagesFromTheServer() {
    ArchiveListWindow window(cluster_->archive(QStringLiteral("psy1")));
    ArchiveListModel* table = window.table();
    const QList<ArchiveEntry> all =
        listTests(as(QStringLiteral("psy1")), {}, ArchivePage{ArchiveOrder::Code, false, 0, -1});
    QVERIFY(all.size() > qsizetype{3} * ArchiveListModel::PageSize);
    // The first page only, until the view asks for more.
    QCOMPARE(table->rowCount(), ArchiveListModel::PageSize);
    QCOMPARE(table->count(), qint64(all.size()));
    // Each page asked for is read once the events run.
    while (table->canFetchMore({}) || table->fetching()) {
        if (table->canFetchMore({}))
            table->fetchMore({});
        QTRY_VERIFY(!table->fetching());
    }
    QCOMPARE(table->rowCount(), int(all.size()));
    for (const int row : {0, ArchiveListModel::PageSize + 5, int(all.size()) - 1})
        QCOMPARE(table->entry(row).id, all.at(row).id);
    // Sorting is the server's: by name, descending, the greatest name comes first.
    window.view()->sortByColumn(ArchiveListModel::Name, Qt::DescendingOrder);
    QString greatest;
    for (const ArchiveEntry& entry : all)
        greatest = std::max(greatest, entry.name);
    QCOMPARE(table->entry(0).name, greatest);
}

void TestArchive::windowOpensAndAnalysesStoredTests() {
    ArchiveListWindow window(cluster_->archive(QStringLiteral("psy2")));
    QCOMPARE(window.table()->rowCount(), 20);
    QSignalSpy shown(&window, &ArchiveListWindow::analysisReady);
    QSignalSpy groups(&window, &ArchiveListWindow::groupReady);
    const QModelIndex first = window.table()->index(0, 0);
    emit window.view()->activated(first);
    QCOMPARE(shown.size(), 1);
    const auto opened = shown.takeFirst().at(0).value<AnalysisState>();
    QCOMPARE(opened.kind, AnalysisKind::Individual);
    QCOMPARE(opened.header.code, window.table()->entry(0).code);

    window.view()->selectRow(0);
    window.view()->selectionModel()->select(
        window.table()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Анализ выбранных"))
            button->click();
    QCOMPARE(shown.size(), 0);
    QCOMPARE(groups.size(), 1);
    const auto group = groups.takeFirst().at(0).value<ArchiveGroup>();
    QCOMPARE(group.state.kind, AnalysisKind::Group);
    QCOMPARE(group.state.header.code, QStringLiteral("2"));
    QCOMPARE(group.members.size(), 2);
}

// A statement stopped from another thread ends with an error, not with its result, and the
// connection answers the next statement (the list's count, superseded or closed).
void TestArchive::statementStoppedFromAnotherThread() {
    PgConnection connection(cluster_->archive(QStringLiteral("psy1")));
    const auto canceller = connection.canceller();
    std::atomic<bool> finished = false;
    QString error;
    std::thread sleeper([&] {
        try {
            connection.exec("SELECT pg_sleep(60)");
        } catch (const AnalysisError& e) {
            error = e.message();
        }
        finished = true;
    });
    // Stopped again until it ends: a cancel sent before the statement reached the server is
    // lost.
    while (!finished) {
        canceller->cancel();
        QTest::qWait(50);
    }
    sleeper.join();
    QVERIFY(!error.isEmpty());
    QCOMPARE(connection.exec("SELECT 1").number(0, 0), qint64(1));
}

QTEST_MAIN(TestArchive)
#include "tst_archive.moc"
