// Text from a file or a norm as outputs see it: one line of plain text, whatever control
// characters it held; and the one anonymous transformation, which lets only known values
// through the header fields.

#include "Analysis.h"
#include "AnalysisError.h"
#include "Anonymity.h"
#include "Domain.h"
#include "NormFile.h"
#include "PlainText.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace ezr;

class TestPlainText : public QObject {
    Q_OBJECT

private slots:
    void controlCharactersReplaced_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << QStringLiteral("Иванов И.") << QStringLiteral("Иванов И.");
        QTest::newRow("CR LF forges a line")
            << QStringLiteral("Отдел\r\nНормирование: Пол (N = 12)")
            << QStringLiteral("Отдел??Нормирование: Пол (N = 12)");
        QTest::newRow("escape sequence") << QStringLiteral("a\x1b[2Jb") << QStringLiteral("a?[2Jb");
        QTest::newRow("C1 and DEL")
            << QStringLiteral("a\u0085b\u007fc\u009bd") << QStringLiteral("a?b?c?d");
        QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a?b");
    }
    void controlCharactersReplaced() {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(oneLine(text), line);
        QCOMPARE(hasControlCharacters(text), text != line);
    }

    // A norm whose name or description would forge report lines: refused when saved,
    // replaced when read from a file someone else made.
    void normTexts() {
        QTemporaryDir dir;
        QVERIFY(writeGeneratedFiles(dir.path(), 12, 91u));
        const AnalysisState group = groupAnalysis(dir.path(), NormKind::Satisfaction, QString());
        const QString forged = QStringLiteral("Отдел\r\nНормирование: Пол (N = 12)\x1b[0m");
        QVERIFY_THROWS_EXCEPTION(AnalysisError, normFromGroup(group, forged, QString()));
        QVERIFY_THROWS_EXCEPTION(AnalysisError,
                                 normFromGroup(group, QStringLiteral("Отдел"), forged));

        QJsonObject object = QJsonDocument::fromJson(
                                 normFileBytes(normFromGroup(group, QStringLiteral("Отдел"), {})))
                                 .object();
        object.insert(QStringLiteral("name"), forged);
        object.insert(QStringLiteral("description"), forged);
        const Norm read = readNormFile(QJsonDocument(object).toJson(), QStringLiteral("n.json"));
        QCOMPARE(read.name, oneLine(forged));
        QCOMPARE(read.description, oneLine(forged));
        QVERIFY(!hasControlCharacters(read.name));
    }

    // Anonymous: free text in sex, education or the dates goes; known values stay.
    void anonymousKeepsOnlyKnownValues_data() {
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("testDate");
        QTest::addColumn<bool>("known");
        QTest::newRow("known") << MaleSex << SecondaryEducation << QStringLiteral("01.02.2024")
                               << true;
        QTest::newRow("free text")
            << QStringLiteral("Иванов, бухгалтерия") << QStringLiteral("МГУ 1999, Петрова")
            << QStringLiteral("звонить жене") << false;
    }
    void anonymousKeepsOnlyKnownValues() {
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(QString, testDate);
        QFETCH(bool, known);
        AnalysisState state;
        state.kind = AnalysisKind::Individual;
        state.header = {QStringLiteral("17"), QStringLiteral("Петров П."), sex, education, testDate,
                        QStringLiteral("40")};
        ExamineeRecord member;
        member.header.name = QStringLiteral("Петров П.");
        member.header.sex = sex;
        member.header.education = education;
        member.header.testDate = testDate;
        member.header.birthDate = testDate;
        state.members = {member};
        const AnalysisState anonymous = anonymousAnalysis(state);
        QVERIFY(anonymous.header.name.isEmpty());
        QCOMPARE(anonymous.header.code, QStringLiteral("17"));
        const auto expected = [known](const QString& value) { return known ? value : QString(); };
        QCOMPARE(anonymous.header.sex, expected(sex));
        QCOMPARE(anonymous.header.education, expected(education));
        QCOMPARE(anonymous.header.testDate, expected(testDate));
        const ResponseHeader& h = anonymous.members.front().header;
        QVERIFY(h.name.isEmpty());
        QCOMPARE(h.sex, expected(sex));
        QCOMPARE(h.education, expected(education));
        QCOMPARE(h.birthDate, expected(testDate));

        // A member handed to an output as it is read: the same rule.
        const QList<QString> text{
            testDate, testDate,  QStringLiteral("17"),  QStringLiteral("Петров П."),
            sex,      education, QStringLiteral("item")};
        QList<QStringView> lines;
        for (const QString& line : text)
            lines << line;
        AnalysisRecord record;
        QStringList seen;
        anonymousMembers([&](const GroupMember& m) {
            for (const QStringView line : m.lines)
                seen << line.toString();
        })(GroupMember{QStringView(u"17.cry"), lines, record});
        QCOMPARE(seen, (QStringList{expected(testDate), expected(testDate), QStringLiteral("17"),
                                    QString(), expected(sex), expected(education),
                                    QStringLiteral("item")}));
    }
};

QTEST_GUILESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
