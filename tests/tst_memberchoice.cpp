#include "Analysis.h"
#include "AnalysisError.h"
#include "Domain.h"
#include "ErrorText.h"
#include "MemberFilter.h"
#include "NormFile.h"
#include "ResultSheet.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace ezr;

namespace {

// A hand-made folder: each examinee differs from the others in the field a case chooses by;
// 205 has a birth date that does not read, 206 a test date that does not read.
struct Person {
    const char* code;
    const QString& sex;
    const QString& education;
    const char* birth;
    const char* test;
};

QList<SampleExaminee> handMadeFolder() {
    const Person people[] = {
        {"201", MaleSex, HigherEducation, "10.03.1980", "15.02.2024"},      // 43
        {"202", FemaleSex, HigherEducation, "01.01.1990", "01.01.2024"},    // 34 on the day
        {"203", FemaleSex, SecondaryEducation, "02.01.1990", "01.01.2024"}, // 33
        {"204", MaleSex, SecondaryEducation, "01.06.1960", "31.12.2024"},   // 64
        {"205", FemaleSex, HigherEducation, "не указана", "10.10.2025"},
        {"206", MaleSex, HigherEducation, "01.01.1985", "вчера"},
    };
    QList<SampleExaminee> folder;
    int index = 0;
    for (const Person& p : people) {
        SampleExaminee e = generatedExaminee(20, index++);
        e.code = QString::fromLatin1(p.code);
        e.name = QStringLiteral("Фамилия%1 Имя Отчество").arg(e.code);
        e.sex = p.sex;
        e.education = p.education;
        e.birthDate = QString::fromUtf8(p.birth);
        e.testDate = QString::fromUtf8(p.test);
        folder << e;
    }
    return folder;
}

QStringList memberCodes(const AnalysisState& state) {
    QStringList codes;
    for (const ExamineeRecord& member : state.members)
        codes << member.header.code;
    codes.sort();
    return codes;
}

AnalysisState chosenGroup(const QString& dir, const GroupChoice& choice) {
    return groupAnalysis(dir, NormKind::Satisfaction, QString(), fixedToday, {},
                         GroupKeeps::TableRows, choice);
}

int emptyCells(const Profiles& raw) {
    int empty = 0;
    for (const double v : raw.profile1)
        empty += v == 0.0;
    for (const double v : raw.profile2)
        empty += v == 0.0;
    for (const double v : raw.profile3)
        empty += v == 0.0;
    return empty;
}

// The first generated examinee whose profiles have empty cells (or none), written to `dir`.
QString examineeFile(const QString& dir, bool withEmptyCells) {
    for (int index = 0; index < 500; ++index) {
        const SampleExaminee examinee = generatedExaminee(5, index);
        QString path = dir + QLatin1Char('/') + responseFileName(examinee);
        if (!writeFile(path, makeResponseFile(examinee)))
            return {};
        if ((emptyCells(individualAnalysis(path).record.scores.raw) > 0) == withEmptyCells)
            return path;
        QFile::remove(path);
    }
    return {};
}

template <std::size_t N> double sumOf(const std::array<double, N>& cells) {
    double sum = 0.0;
    for (const double v : cells)
        sum += v;
    return sum;
}

QByteArray withCell(QByteArray json, const QByteArray& from, const QByteArray& to) {
    const qsizetype at = json.indexOf(from);
    return at < 0 ? QByteArray() : json.replace(at, from.size(), to);
}

} // namespace

class TestMemberChoice : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(folder_.isValid());
        QString error;
        QVERIFY2(writeResponseFiles(folder_.path(), handMadeFolder(), &error), qPrintable(error));
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void choosesByEachField_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("codes");
        const auto codes = [](const char* list) {
            return QString::fromLatin1(list).split(QLatin1Char(' '));
        };
        QTest::newRow("women") << "sex=female" << codes("202 203 205");
        QTest::newRow("men") << "sex=MALE" << codes("201 204 206");
        QTest::newRow("secondary") << "education=secondary" << codes("203 204");
        QTest::newRow("higher") << "education=higher" << codes("201 202 205 206");
        // A birthday on the test date counts; a date that does not read fails every bound.
        QTest::newRow("age 34-43") << "age=34-43" << codes("201 202");
        QTest::newRow("age 33") << "age=33-33" << codes("203");
        QTest::newRow("one day") << "date=2024-01-01..2024-01-01" << codes("202 203");
        QTest::newRow("to year end") << "date=2024-01-02..2024-12-31" << codes("201 204");
        QTest::newRow("two fields") << " sex=female , education=higher " << codes("202 205");
    }
    void choosesByEachField() {
        QFETCH(QString, where);
        QFETCH(QStringList, codes);
        GroupChoice choice;
        choice.filter = parseWhere(where);
        const AnalysisState state = chosenGroup(folder_.path(), choice);
        QCOMPARE(memberCodes(state), codes);
        QCOMPARE(state.header.code, QString::number(codes.size()));
        QVERIFY(!state.choiceDescription.isEmpty());
    }

    void choosesByCodesAndFileNames() {
        GroupChoice byCodes;
        byCodes.filter.codes = parseCodes("203\r\n\r\n  206  \n999\n");
        QCOMPARE(memberCodes(chosenGroup(folder_.path(), byCodes)),
                 QStringList({QStringLiteral("203"), QStringLiteral("206")}));

        GroupChoice byNames;
        byNames.fileNames = QSet<QString>{QStringLiteral("201.cry"), QStringLiteral("205.cry")};
        QCOMPARE(memberCodes(chosenGroup(folder_.path(), byNames)),
                 QStringList({QStringLiteral("201"), QStringLiteral("205")}));

        GroupChoice byText;
        byText.filter.text = QStringLiteral("фамилия204");
        QCOMPARE(memberCodes(chosenGroup(folder_.path(), byText)), QStringList{"204"});
    }

    void theChosenMeansAreThoseOfTheChosenAlone() {
        QTemporaryDir alone;
        QVERIFY(writeResponseFiles(alone.path(), {handMadeFolder().at(2), handMadeFolder().at(3)}));
        GroupChoice choice;
        choice.filter = parseWhere(QStringLiteral("education=secondary"));
        const AnalysisState chosen = chosenGroup(folder_.path(), choice);
        const AnalysisState whole = chosenGroup(alone.path(), {});
        QCOMPARE(chosen.record.scores, whole.record.scores);
        QCOMPARE(chosen.comparison.chi, whole.comparison.chi);
    }

    void choosingNobodySaysSo() {
        GroupChoice choice;
        choice.filter = parseWhere(QStringLiteral("age=90-99"));
        const QString message = errorOf([&] { chosenGroup(folder_.path(), choice); });
        QVERIFY2(message.startsWith(QStringLiteral("В группу не попал ни один обследуемый")),
                 qPrintable(message));
    }

    void malformedWhereRefused_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("named");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no value") << "sex"
                                  << "sex";
        QTest::newRow("unknown sex") << "sex=m"
                                     << "sex=m";
        QTest::newRow("unknown field") << "color=red"
                                       << "color=red";
        QTest::newRow("twice") << "sex=male,sex=female"
                               << "sex=female";
        QTest::newRow("one age") << "age=30"
                                 << "age=30";
        QTest::newRow("reversed ages") << "age=45-30"
                                       << "age=45-30";
        QTest::newRow("negative age") << "age=-5-10"
                                      << "age=-5-10";
        QTest::newRow("no month 13") << "date=2024-13-01..2024-12-31"
                                     << "2024-13-01";
        QTest::newRow("one date") << "date=2024-01-01"
                                  << "date=2024-01-01";
        QTest::newRow("reversed dates") << "date=2024-02-01..2024-01-01"
                                        << "2024-02-01";
        QTest::newRow("trailing comma") << "sex=male,"
                                        << "«»";
    }
    void malformedWhereRefused() {
        QFETCH(QString, where);
        QFETCH(QString, named);
        const QString message = errorOf([&] { parseWhere(where); });
        QVERIFY2(!message.isEmpty(), "accepted");
        QVERIFY2(message.contains(named), qPrintable(message));
    }

    void damagedEntrySkippedAndListed() {
        QTemporaryDir dir;
        QVERIFY(writeResponseFiles(dir.path(), handMadeFolder().mid(0, 2)));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("вложенная")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("junk.cry")), "not a response file"));

        QVERIFY(!errorOf([&] { chosenGroup(dir.path(), {}); }).isEmpty());

        GroupChoice choice;
        choice.skipDamaged = true;
        const AnalysisState state = chosenGroup(dir.path(), choice);
        QCOMPARE(memberCodes(state), QStringList({"201", "202"}));
        QCOMPARE(state.skipped.size(), 2);
        QStringList names;
        for (const SkippedEntry& entry : state.skipped) {
            names << entry.fileName;
            QVERIFY(!entry.reason.isEmpty());
        }
        names.sort();
        QCOMPARE(names, QStringList({QStringLiteral("junk.cry"), QStringLiteral("вложенная")}));
        const QStringList hint = formatSheet(state).infoHint.split(QStringLiteral("\r\n"));
        QCOMPARE(hint.at(3), QStringLiteral("Общее число: 2"));
        QCOMPARE(hint.at(4), QStringLiteral("Пропущено файлов: 2"));
        QCOMPARE(hint.mid(5), QStringList({state.skipped[0].fileName, state.skipped[1].fileName}));

        // The whole folder, nothing damaged: the same as a run that was not told to skip.
        const AnalysisState plain = chosenGroup(folder_.path(), {});
        const AnalysisState skipping = chosenGroup(folder_.path(), choice);
        QVERIFY(skipping.skipped.isEmpty());
        QCOMPARE(formatSheet(skipping), formatSheet(plain));
    }

    void normSavedFromGroupReadsBackEqual() {
        QTemporaryDir dir;
        QVERIFY(writeGeneratedFiles(dir.path(), 30, 7));
        const AnalysisState group = chosenGroup(dir.path(), {});
        const Norm norm = normFromGroup(group, QStringLiteral("Отдел продаж, 2025"),
                                        QStringLiteral("все сотрудники отдела"));
        QCOMPARE(norm.memberCount, 30);
        QCOMPARE(normTitle(norm), QStringLiteral("Отдел продаж, 2025 (N = 30)"));
        for (std::size_t i = 0; i < norm.percent.profile3.size(); ++i)
            QCOMPARE(norm.percent.profile3[i],
                     std::round(group.record.scores.raw.profile3[i] * 10000.0 / 108.0) / 100.0);
        const Norm read = readNormFile(normFileBytes(norm), QStringLiteral("отдел.json"));
        QCOMPARE(read, norm);
        // The group compared with its own norm differs from it by its rounding alone.
        const AnalysisState own = withNorm(group, read);
        QVERIFY(own.comparison.profiles[0].x2 < 0.01);
        QCOMPARE(own.comparison.norm, norm);
    }

    void earlierExamineeMakesAReadableNorm() {
        QTemporaryDir dir;
        const QString path = examineeFile(dir.path(), true);
        QVERIFY(!path.isEmpty());
        const AnalysisState earlier = individualAnalysis(path);
        const Norm norm = normFromExaminee(earlier);
        QCOMPARE(normGroupName(norm),
                 QStringLiteral("Обследование %1 (N = 1)").arg(earlier.header.testDate));
        QVERIFY(norm.description.contains(QFileInfo(path).fileName()));
        QVERIFY(qAbs(sumOf(norm.percent.profile1) - 100.0) < 1e-9);
        QVERIFY(qAbs(sumOf(norm.percent.profile2) - 100.0) < 1e-9);
        QVERIFY(qAbs(sumOf(norm.percent.profile3) - 100.0) < 1e-9);
        QCOMPARE(emptyCells(norm.percent), 0);
        // An empty cell expects half an answer.
        const Profiles& raw = earlier.record.scores.raw;
        for (std::size_t i = 0; i < raw.profile3.size(); ++i)
            if (raw.profile3[i] == 0.0)
                QCOMPARE(norm.percent.profile3[i], 50.0 / 108.0);
        Norm read;
        const QString refused =
            errorOf([&] { read = readNormFile(normFileBytes(norm), QStringLiteral("r.json")); });
        QVERIFY2(refused.isEmpty(), qPrintable(refused));
        QCOMPARE(read, norm);
    }

    void examineeAgainstItsOwnRetestNormIsWithinIt_data() {
        QTest::addColumn<bool>("emptyCells");
        QTest::newRow("no empty cell") << false;
        QTest::newRow("empty cells") << true;
    }
    void examineeAgainstItsOwnRetestNormIsWithinIt() {
        QFETCH(bool, emptyCells);
        QTemporaryDir dir;
        const QString path = examineeFile(dir.path(), emptyCells);
        QVERIFY(!path.isEmpty());
        const AnalysisState state = individualAnalysis(path);
        const AnalysisState retest = withNorm(state, normFromExaminee(state));
        for (std::size_t p = 0; p < 3; ++p)
            QCOMPARE(retest.comparison.profiles[p].verdict, Verdict::WithinNorm);
        const NormComparison& c = retest.comparison;
        const auto check = [&](const auto& chi) {
            for (const double v : chi) {
                QCOMPARE(cellSignificance(v), Verdict::WithinNorm);
                // The norm holds percentages and the expected counts are made from them
                // again: what remains is the last bit of a double, nothing shown.
                if (!emptyCells)
                    QVERIFY2(v >= 0.0 && v < 1e-20, qPrintable(QString::number(v)));
            }
        };
        check(c.chi.profile1);
        check(c.chi.profile2);
        check(c.chi.profile3);
        QCOMPARE(formatSheet(retest).norm,
                 QStringLiteral("Обследование %1 (N = 1)").arg(state.header.testDate));
    }

    void savedCopyOfStoredRowGivesTheStoredResult_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < 6; ++row)
            QTest::newRow(qPrintable(QString::number(row))) << row;
    }
    void savedCopyOfStoredRowGivesTheStoredResult() {
        QFETCH(int, row);
        Norm copy = storedNorm(row);
        copy.kind = NormKind::Own;
        copy.row = -1;
        copy.name = QStringLiteral("копия");
        copy.memberCount = 1;
        Norm read;
        const QString refused = errorOf(
            [&] { read = readNormFile(normFileBytes(copy), QStringLiteral("копия.json")); });
        QVERIFY2(refused.isEmpty(), qPrintable(refused));
        QCOMPARE(read.percent, storedNorm(row).percent);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("301.cry"));
        QVERIFY(writeFile(path, makeResponseFile(generatedExaminee(11, row))));
        const AnalysisState stored = withNorm(individualAnalysis(path), storedNorm(row));
        const AnalysisState own = withNorm(individualAnalysis(path), read);
        QCOMPARE(own.comparison.chi, stored.comparison.chi);
        for (std::size_t p = 0; p < 3; ++p) {
            QCOMPARE(own.comparison.profiles[p].x2, stored.comparison.profiles[p].x2);
            QCOMPARE(own.comparison.profiles[p].critical, stored.comparison.profiles[p].critical);
            QCOMPARE(own.comparison.profiles[p].verdict, stored.comparison.profiles[p].verdict);
        }
        QCOMPARE(own.comparison.inclusion.value, stored.comparison.inclusion.value);
        QCOMPARE(own.comparison.inclusion.verdict, stored.comparison.inclusion.verdict);
        QCOMPARE(own.comparison.innovation.value, stored.comparison.innovation.value);
        QCOMPARE(own.comparison.innovation.verdict, stored.comparison.innovation.verdict);
        QCOMPARE(formatSheet(own).norm, QStringLiteral("копия (N = 1)"));
    }

    void malformedNormFilesRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        Norm men = storedNorm(0);
        men.kind = NormKind::Own;
        men.row = -1;
        men.name = QStringLiteral("мужчины");
        men.memberCount = 5;
        const QByteArray good = normFileBytes(men);
        QVERIFY(!good.isEmpty());
        // 18.1 is the first cell of profile 1, 8.9 of profile 2.
        QTest::newRow("not JSON") << QByteArray("Код: 101\r\n") << "JSON";
        QTest::newRow("other JSON") << QByteArray("[1, 2, 3]") << "объект";
        QTest::newRow("no format mark") << withCell(good, "ezr-norm", "other") << "format";
        QTest::newRow("missing cell") << withCell(good, "18.1,", "") << "6";
        QTest::newRow("text cell") << withCell(good, "18.1", "\"18.1\"") << "ячейка 1";
        QTest::newRow("NaN") << withCell(good, "18.1", "NaN") << "JSON";
        QTest::newRow("infinite") << withCell(good, "18.1", "1e999") << "JSON";
        QTest::newRow("zero") << withCell(good, "8.9", "0") << "профиль 2, ячейка 1";
        QTest::newRow("negative") << withCell(good, "8.9", "-8.9") << "профиль 2, ячейка 1";
        QTest::newRow("a hundred") << withCell(good, "18.1", "100") << "профиль 1, ячейка 1";
        QTest::newRow("no name") << withCell(good, "\"мужчины\"", "\"\"") << "name";
        QTest::newRow("no count") << withCell(good, "\"memberCount\": 5", "\"memberCount\": 0")
                                  << "memberCount";
    }
    void malformedNormFilesRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QVERIFY(!bytes.isEmpty());
        const QString message =
            errorOf([&] { readNormFile(bytes, QStringLiteral("плохая.json")); });
        QVERIFY2(message.contains(QStringLiteral("плохая.json")), qPrintable(message));
        QVERIFY2(message.contains(problem), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestMemberChoice)
#include "tst_memberchoice.moc"
