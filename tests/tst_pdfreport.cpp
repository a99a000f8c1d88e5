// The printed report carries the values of the text report, as a user's PDF tools extract
// its text.

#include "Analysis.h"
#include "PdfReport.h"
#include "ResultSheet.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

namespace {

QString dataPath(const char* name) {
    return QStringLiteral(EZR_TEST_DATA_DIR "/") + QLatin1String(name);
}

// The numbers of a line, in order, read with either decimal separator; the digits of a
// word ("Xм2") are no number.
QList<double> numbersOf(const QString& line) {
    static const QRegularExpression number(QStringLiteral("(?<![\\w.,])-?\\d+([.,]\\d+)?(?![\\w])"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QList<double> numbers;
    for (auto it = number.globalMatch(line); it.hasNext();)
        numbers.append(it.next().captured().replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
    return numbers;
}

bool containsRun(const QList<double>& haystack, const QList<double>& needle) {
    for (qsizetype i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (haystack.mid(i, needle.size()) == needle)
            return true;
    }
    return false;
}

} // namespace

class TestPdfReport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void valuesOfTheTextReport_data() {
        QTest::addColumn<bool>("group");
        QTest::newRow("individual") << false;
        QTest::newRow("group") << true;
    }

    void valuesOfTheTextReport() {
        QFETCH(bool, group);
        // The bundled test data: the examinee under a decimal point, the group under a comma.
        QLocale::setDefault(group ? QLocale(QLocale::Russian, QLocale::Russia)
                                  : QLocale(QLocale::English, QLocale::UnitedStates));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");

        const AnalysisState state =
            group ? groupAnalysis(dataPath("endtoend_group"), NormKind::Education,
                                  QStringLiteral("Среднее"))
                  : individualAnalysis(dataPath("endtoend_individual.cry"));
        const ReportSnapshot snapshot{state, {QStringLiteral("Вывод: норма.")}};
        const QByteArray pdf = buildPdfReport(snapshot);
        QVERIFY(pdf.startsWith("%PDF-"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeFile(path, pdf));
        QProcess extract;
        extract.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(extract.waitForFinished(30000));
        QCOMPARE(extract.exitCode(), 0);
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        const QStringList pdfLines = text.split(QLatin1Char('\n'));
        QCOMPARE(text.count(QLatin1Char('\f')), 2); // two A4 pages

        // Every row of the three tables of the text report stands in one line of the PDF, with
        // the same numbers in the same order.
        const QStringList report =
            decodeWindows1251(buildTextReport(snapshot)).split(QStringLiteral("\r\n"));
        static const QRegularExpression row(
            QStringLiteral("^( \\d\\. \\S+| +(Сумма баллов|%|Xм2) )"));
        int rows = 0;
        for (const QString& line : report) {
            if (!row.match(line).hasMatch())
                continue;
            ++rows;
            QString values = line;
            values.remove(QRegularExpression(QStringLiteral("^ +\\d\\. ")));
            const QList<double> expected = numbersOf(values);
            const bool found = std::any_of(pdfLines.begin(), pdfLines.end(), [&](const QString& l) {
                return containsRun(numbersOf(l), expected);
            });
            QVERIFY2(found, qPrintable(line));
        }
        QCOMPARE(rows, 6 + 3 + 3 + 3);

        // The fields: chi-squares, critical values, indices, header and comment.
        const ResultSheet sheet = formatSheet(state);
        for (const QString& value :
             {sheet.profile1X2, sheet.profile2X2, sheet.profile3X2, sheet.inclusionIndex,
              sheet.innovationIndex, QStringLiteral("Код: ") + sheet.code,
              QStringLiteral("Нормирование: ") + sheet.norm,
              sheet.nameCaption + QStringLiteral(": ") + sheet.name,
              QStringLiteral("Норма: ") + sheet.norm, QStringLiteral("Вывод: норма.")})
            QVERIFY2(text.contains(value), qPrintable(value));
        for (const QString& caption :
             {sheet.profile1Caption, sheet.profile2Caption, sheet.profile3Caption})
            QVERIFY2(text.simplified().contains(caption.simplified()), qPrintable(caption));
    }
};

QTEST_MAIN(TestPdfReport)
#include "tst_pdfreport.moc"
