// Response files through the whole analysis into the report, compared byte for byte with
// reports computed by a second, independent implementation (data/make_endtoend.py).

#include "Analysis.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QtTest>

#include <algorithm>

using namespace ezr;

namespace {

// The members are listed in the file system's order; the expected report lists their lines
// ("code. name") sorted.
void sortMembers(AnalysisState& state) {
    QList<std::pair<QString, QString>> members; // line, file name
    for (qsizetype m = 0; m < state.roster.lines.size(); ++m)
        members.append({state.roster.lines.at(m).toString(),
                        state.roster.fileNames.at(m).toString()});
    std::sort(members.begin(), members.end());
    state.roster = {};
    for (const auto& [line, fileName] : std::as_const(members)) {
        state.roster.lines.append({line});
        state.roster.fileNames.append({fileName});
    }
}

void compareLines(const QByteArray& actual, const QByteArray& expected) {
    const QList<QByteArray> actualLines = actual.split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    for (qsizetype i = 0; i < qMin(actualLines.size(), expectedLines.size()); ++i)
        QVERIFY2(actualLines[i] == expectedLines[i],
                 qPrintable(QStringLiteral("line %1").arg(i + 1)));
    QCOMPARE(actual, expected);
}

} // namespace

class TestReportEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void individualUnderDecimalPoint() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const AnalysisState state = individualAnalysis(dataPath("endtoend_individual.cry"));
        compareLines(buildTextReport({state, {}}),
                     readFile(dataPath("endtoend_individual_point.txt")));
    }

    void groupUnderDecimalComma() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        AnalysisState state = groupAnalysis(dataPath("endtoend_group"), NormKind::Education,
                                            QStringLiteral("Среднее"), fixedToday);
        sortMembers(state);
        compareLines(buildTextReport({state, {}}), readFile(dataPath("endtoend_group_comma.txt")));
    }
};

QTEST_GUILESS_MAIN(TestReportEndToEnd)
#include "tst_reportendtoend.moc"
