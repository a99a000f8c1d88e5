#include "Analysis.h"
#include "AnalysisError.h"
#include "ErrorText.h"
#include "Regional.h"
#include "ResultSheet.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

namespace {

SampleExaminee examinee(const QString& code, bool resultative, const QString& sex) {
    SampleExaminee e;
    e.testDate = QStringLiteral("06.06.2006");
    e.birthDate = QStringLiteral("05.06.1966");
    e.code = code;
    e.name = QStringLiteral("Испытуемый %1").arg(code);
    e.sex = sex;
    e.education = QStringLiteral("Высшее");
    e.timingLines = {QStringLiteral("Начало: 10:00"), QStringLiteral("Конец: 10:30"),
                     QStringLiteral("Всего: 30 мин"), QStringLiteral("Среднее: 16,7 с")};
    for (int i = 0; i < ItemCount; ++i) {
        e.marks[i] = resultative ? MarkPair{1, 0} : MarkPair{0, 1};
        e.answerTimes[i] = 5.0 + (i % 7);
    }
    return e;
}

} // namespace

class TestAnalysis : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void individualEndToEnd() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("101.cry"));
        QVERIFY(writeFile(path, makeResponseFile(examinee(QStringLiteral("101"), true,
                                                          QStringLiteral("Женский")))));
        const AnalysisState state = individualAnalysis(path);
        const ResultSheet sheet = formatSheet(state);
        QCOMPARE(sheet.nameCaption, QStringLiteral("Ф.И.О."));
        QCOMPARE(sheet.code, QStringLiteral("101"));
        QCOMPARE(sheet.name, QStringLiteral("Испытуемый 101"));
        QCOMPARE(sheet.testDate, QStringLiteral("06.06.2006"));
        QCOMPARE(sheet.age, QStringLiteral("40.01"));
        QCOMPARE(sheet.sex, QStringLiteral("Женский"));
        QCOMPARE(sheet.norm, QStringLiteral("Пол"));
        QCOMPARE(sheet.infoHint, QStringLiteral("Время выполнения:\r\nНачало: 10:00\r\nКонец: "
                                                "10:30\r\nВсего: 30 мин\r\nСреднее: 16,7 с"));
        // Every resultative mark 1: each RO cell 6, each PO cell 0, 18 per motive.
        QCOMPARE(sheet.motiveGrid.cell(3, 2), QStringLiteral("     6"));
        QCOMPARE(sheet.motiveGrid.cell(4, 2), QStringLiteral("     0"));
        QCOMPARE(sheet.motiveGrid.cell(7, 5), QStringLiteral("    18"));
        QCOMPARE(sheet.motiveGrid.cell(8, 5), QStringLiteral("  16,7"));
        QCOMPARE(sheet.orientationGrid.cell(1, 1), QStringLiteral("    18"));
        QCOMPARE(sheet.orientationGrid.cell(12, 1), QStringLiteral("     0"));
        QVERIFY(!sheet.motiveGrid.cell(9, 1).isEmpty());
        QCOMPARE(state.record.scores.raw.profile1[0], 18.0);
        QCOMPARE(state.record.timingLines[3], QStringLiteral("Среднее: 16,7 с"));
        // Female norm row, because the file says so.
        const NormComparison female =
            compareWithNorm(storedNorm(1), state.record.scores.raw, AnalysisKind::Individual);
        QCOMPARE(state.comparison.norm.row, 1);
        QCOMPARE(state.comparison.chi, female.chi);
    }

    void individualFailureNamesTheProblem_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("'' is not a valid date");
        SampleExaminee bad = examinee(QStringLiteral("7"), true, QString());
        bad.birthDate = QStringLiteral("31.02.1970");
        QTest::newRow("bad birth date")
            << makeResponseFile(bad) << QStringLiteral("'31.02.1970' is not a valid date");
        QString plain = makePlainText(examinee(QStringLiteral("8"), true, QString()));
        QStringList lines = plain.split(QStringLiteral("\r\n"));
        lines[11 + 40] = QStringLiteral("    1   x0     5,0");
        QTest::newRow("bad mark") << scramblePlainText(lines.join(QStringLiteral("\r\n")))
                                  << QStringLiteral("'   x0' is not a valid integer value");
    }

    void individualFailureNamesTheProblem() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.cry"));
        QVERIFY(writeFile(path, bytes));
        try {
            individualAnalysis(path);
            QFAIL("a bad file was accepted");
        } catch (const AnalysisError& error) {
            QCOMPARE(error.message(), message);
        }
    }

    void missingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.cry"));
        try {
            individualAnalysis(path);
            QFAIL("a missing file was accepted");
        } catch (const AnalysisError& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Cannot open file %1. No such file or directory").arg(path));
            QCOMPARE(errorBoxText(error.message()), error.message() + QLatin1Char('.'));
        }
    }

    // The text report's run keeps no table rows, yet lists the same members in the same
    // order and reaches the same sheet; a member that is a link is noted for the output check.
    void groupRosterWithoutRows() {
        QTemporaryDir dir;
        writeResponseFiles(dir.path(), {examinee(QStringLiteral("7"), true, QString()),
                                        examinee(QStringLiteral("8"), false, QString())});
        const QString criterion = QStringLiteral("Женский");
        const AnalysisState rows =
            groupAnalysis(dir.path(), NormKind::Sex, criterion, fixedToday, {});
        const AnalysisState lean =
            groupAnalysis(dir.path(), NormKind::Sex, criterion, fixedToday, {}, GroupKeeps::Roster);
        QVERIFY(lean.members.isEmpty());
        QCOMPARE(rows.members.size(), 2);
        QCOMPARE(lean.roster.lines.size(), 2);
        for (qsizetype m = 0; m < 2; ++m) {
            const ExamineeRecord& member = rows.members[m];
            QCOMPARE(lean.roster.fileNames.at(m), member.fileName);
            QCOMPARE(lean.roster.lines.at(m),
                     member.header.code + QStringLiteral(". ") + member.header.name);
        }
        QVERIFY(formatSheet(lean) == formatSheet(rows));
        QVERIFY(!lean.roster.linkedMembers);

        const QString first = lean.roster.fileNames.at(0).toString();
        QVERIFY(QFile::link(dir.filePath(first), dir.filePath(QStringLiteral("link.cry"))));
        const AnalysisState linked =
            groupAnalysis(dir.path(), NormKind::Sex, criterion, fixedToday, {}, GroupKeeps::Roster);
        QCOMPARE(linked.roster.fileNames.size(), 3);
        QVERIFY(linked.roster.linkedMembers);
    }

    // A run that hands each member on as it is read keeps none of them, hands on every
    // member in listing order with its scores and times, and reaches the same means; the
    // group as listed already knows the header the finished run shows.
    void groupMembersHandedOn() {
        QTemporaryDir dir;
        writeResponseFiles(dir.path(), {examinee(QStringLiteral("4"), true, QString()),
                                        examinee(QStringLiteral("5"), false, QString()),
                                        examinee(QStringLiteral("6"), true, QString())});
        const QString criterion = QStringLiteral("Среднее");
        const AnalysisState rows =
            groupAnalysis(dir.path(), NormKind::Education, criterion, fixedToday, {});
        QList<ExamineeRecord> handed;
        const GroupListing listing = listGroupFolder(dir.path());
        const AnalysisState listed =
            listedGroup(listing, NormKind::Education, criterion, fixedToday);
        const AnalysisState lean =
            groupAnalysis(listing, NormKind::Education, criterion, fixedToday, {},
                          GroupKeeps::Names, {}, [&](const GroupMember& member) {
                              handed.append({member.fileName.toString(), readHeader(member.lines),
                                             QString(), scoresOf(member.record)});
                          });
        QVERIFY(lean.members.isEmpty());
        QVERIFY(lean.roster.lines.isEmpty());
        QCOMPARE(lean.roster.fileNames.size(), 3);
        QCOMPARE(handed.size(), rows.members.size());
        for (qsizetype m = 0; m < handed.size(); ++m) {
            QCOMPARE(handed[m].fileName, rows.members[m].fileName);
            QCOMPARE(handed[m].header.code, rows.members[m].header.code);
            QVERIFY(handed[m].results.scores == rows.members[m].results.scores);
            QCOMPARE(handed[m].results.meanTime, rows.members[m].results.meanTime);
            QCOMPARE(handed[m].results.sdTime, rows.members[m].results.sdTime);
        }
        QVERIFY(lean.record.scores == rows.record.scores);
        QVERIFY(lean.comparison.chi == rows.comparison.chi);
        QCOMPARE(listed.header.code, rows.header.code);
        QCOMPARE(listed.header.testDate, rows.header.testDate);
        QCOMPARE(listed.header.education, rows.header.education);
        QCOMPARE(listed.header.sex, rows.header.sex);
        QVERIFY(listed.comparison.norm == rows.comparison.norm);
    }

    void groupMeansAndMembers() {
        QTemporaryDir dir;
        writeResponseFiles(dir.path(), {examinee(QStringLiteral("1"), true, QString()),
                                        examinee(QStringLiteral("2"), false, QString()),
                                        examinee(QStringLiteral("3"), true, QString())});
        const AnalysisState state =
            groupAnalysis(dir.path(), NormKind::Sex, QStringLiteral("Женский"), fixedToday);
        const ResultSheet sheet = formatSheet(state);
        QCOMPARE(sheet.nameCaption, QStringLiteral("Группа"));
        QCOMPARE(state.kind, AnalysisKind::Group);
        QCOMPARE(sheet.name, QStringLiteral("Группа"));
        QCOMPARE(sheet.code, QStringLiteral("3"));
        QCOMPARE(sheet.testDate, QStringLiteral("07.12.2026"));
        QVERIFY(sheet.age.isEmpty());
        QCOMPARE(sheet.sex, QStringLiteral("Женский"));
        QVERIFY(sheet.education.isEmpty());
        const QStringList hint = sheet.infoHint.split(QStringLiteral("\r\n"));
        QCOMPARE(hint.size(), 5);
        QCOMPARE(hint.first(), QStringLiteral("Состав группы:"));
        QCOMPARE(hint.last(), QStringLiteral("Общее число: 3"));
        QStringList members = hint.mid(1, 3);
        members.sort();
        QCOMPARE(members,
                 QStringList({QStringLiteral("1. Испытуемый 1"), QStringLiteral("2. Испытуемый 2"),
                              QStringLiteral("3. Испытуемый 3")}));
        // RO cells (6 + 0 + 6) / 3, PO cells (0 + 6 + 0) / 3.
        QCOMPARE(sheet.motiveGrid.cell(1, 1), QStringLiteral("   4,0"));
        QCOMPARE(sheet.motiveGrid.cell(2, 1), QStringLiteral("   2,0"));
        QCOMPARE(sheet.motiveGrid.cell(7, 1), QStringLiteral("  18,0"));
        QCOMPARE(sheet.orientationGrid.cell(1, 1), QStringLiteral("  12,0"));
        QCOMPARE(sheet.orientationGrid.cell(7, 1), QStringLiteral("   6,0"));
        QCOMPARE(sheet.stimulusGrid.cell(1, 1), QStringLiteral("   6,0"));
        QCOMPARE(state.record.scores.raw.profile2[0], 12.0);
        // A group has no answer times of its own.
        QCOMPARE(state.record.meanTime, 0.0);
        // The same run twice gives the same sheet.
        QVERIFY(formatSheet(groupAnalysis(dir.path(), NormKind::Sex, QStringLiteral("Женский"),
                                          fixedToday)) == sheet);
    }

    void groupCriterionFields_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("norm");
        QTest::newRow("men") << 1 << "Мужской"
                             << "Мужской"
                             << ""
                             << "Пол";
        QTest::newRow("secondary") << 2 << "Среднее"
                                   << ""
                                   << "Среднее"
                                   << "Образование";
        QTest::newRow("satisfaction") << 3 << ""
                                      << ""
                                      << ""
                                      << "Удовлетворенность";
    }

    void groupCriterionFields() {
        QFETCH(int, kind);
        QFETCH(QString, criterion);
        QTemporaryDir dir;
        writeResponseFiles(dir.path(),
                           {examinee(QStringLiteral("1"), true, QStringLiteral("Женский"))});
        const AnalysisState state =
            groupAnalysis(dir.path(), NormKind(kind), criterion, fixedToday);
        QTEST(formatSheet(state).sex, "sex");
        QTEST(formatSheet(state).education, "education");
        QTEST(formatSheet(state).norm, "norm");
    }

    void groupOfOneComparesLikeTheIndividual() {
        QTemporaryDir dir;
        const SampleExaminee woman = examinee(QStringLiteral("5"), true, QStringLiteral("Женский"));
        writeResponseFiles(dir.path(), {woman});
        const AnalysisState individual = individualAnalysis(dir.filePath(responseFileName(woman)));
        const AnalysisState group =
            groupAnalysis(dir.path(), NormKind::Sex, QStringLiteral("Женский"));
        QCOMPARE(group.comparison.chi, individual.comparison.chi);
        QCOMPARE(formatSheet(group).profile3X2, formatSheet(individual).profile3X2);
        QCOMPARE(formatSheet(group).innovationIndex, formatSheet(individual).innovationIndex);
    }

    void everyEntryIsAMember() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("notes.txt")),
                          makeResponseFile(examinee(QStringLiteral("1"), true, QString()))));
        QVERIFY(writeFile(dir.filePath(QStringLiteral(".hidden")),
                          makeResponseFile(examinee(QStringLiteral("2"), false, QString()))));
        const AnalysisState state = groupAnalysis(dir.path(), NormKind::Satisfaction, QString());
        QCOMPARE(formatSheet(state).code, QStringLiteral("2"));
    }

    void groupFailures_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("directory");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("place");
        QTest::newRow("sub-directory") << "sub" << true << "Cannot open file. Is a directory."
                                       << "";
        // Item 1 stands on line 12; the file ends after line 4.
        QTest::newRow("not a response file")
            << "x.cry" << false << "'' is not a valid integer value."
            << "Файл x.cry, строка 12: утверждение 1, отметка РО";
    }

    void groupFailures() {
        QFETCH(QString, entry);
        QFETCH(bool, directory);
        QFETCH(QString, firstLine);
        QFETCH(QString, place);
        QTemporaryDir dir;
        writeResponseFiles(dir.path(), {examinee(QStringLiteral("1"), true, QString())});
        const QString path = dir.filePath(entry);
        if (directory)
            QVERIFY(QDir(dir.path()).mkdir(entry));
        else
            QVERIFY(writeFile(path, scramblePlainText(u"01.01.2020\r\n01.01.1990\r\n9\r\nX")));
        try {
            groupAnalysis(dir.path(), NormKind::Satisfaction, QString());
            QFAIL("a bad member was accepted");
        } catch (const AnalysisError& error) {
            // The message with its full stop, the bad value's place in Russian when there is
            // one, then the member's path once, on its own line.
            const QStringList lines = errorBoxText(error).split(QLatin1Char('\n'));
            QStringList expected{firstLine};
            if (!place.isEmpty())
                expected << place;
            expected << QDir::toNativeSeparators(path);
            QCOMPARE(lines, expected);
        }
    }

    // Each reason a folder gives no members has its own message naming the folder.
    void groupFolderMessages_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << ""
                               << "Нет файлов данных в директории %1";
        QTest::newRow("missing") << "Data"
                                 << "Директория %1 не существует";
        QTest::newRow("a file") << "file.cry"
                                << "%1 не является директорией";
        QTest::newRow("unreadable") << "locked"
                                    << "Нет доступа к директории %1";
    }

    void groupFolderMessages() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString data = folder.isEmpty() ? dir.path() : dir.filePath(folder);
        if (folder == QLatin1String("file.cry"))
            QVERIFY(writeFile(data, "a response file where a folder should be"));
        if (folder == QLatin1String("locked")) {
            QVERIFY(QDir(dir.path()).mkdir(folder));
            QVERIFY(QFile::setPermissions(data, QFileDevice::WriteOwner));
            if (QFileInfo(data).isReadable())
                QSKIP("this user reads every folder (root)");
        }
        const QString error =
            errorOf([&] { groupAnalysis(data, NormKind::Sex, QStringLiteral("Мужской")); });
        QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        QCOMPARE(error, message.arg(QDir::toNativeSeparators(data)));
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
