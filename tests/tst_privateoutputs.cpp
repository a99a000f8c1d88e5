#include "Analysis.h"
#include "ErrorText.h"
#include "Export.h"
#include "ReportHeader.h"
#include "ResponseFile.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

Q_DECLARE_METATYPE(ezr::ReportFormat)

namespace {

constexpr int GroupSize = 8;

// What a reader of the file would find in it: the text a PDF shows, the members of a
// workbook unpacked, any other file as it stands.
QByteArray readableContent(ReportFormat format, const QByteArray& bytes, const QString& dir) {
    const QString path = dir + QStringLiteral("/output");
    if (!writeFile(path, bytes))
        return {};
    QProcess tool;
    if (format == ReportFormat::Pdf)
        tool.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    else if (format == ReportFormat::Xlsx)
        tool.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path});
    else
        return bytes;
    tool.waitForFinished(60000);
    return tool.readAllStandardOutput();
}

bool holds(const QByteArray& content, const QString& text) {
    return content.contains(text.toUtf8()) || content.contains(encodeWindows1251(text));
}

} // namespace

class TestPrivateOutputs : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    AnalysisState group_;
    QStringList names_, codes_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const QString data = dir_.filePath(QStringLiteral("Data"));
        QVERIFY(writeGeneratedFiles(data, GroupSize, 5));
        group_ = groupAnalysis(data, NormKind::Sex, QStringLiteral("Женский"), fixedToday);
        for (const ExamineeRecord& member : group_.members) {
            names_ << member.header.name;
            codes_ << member.header.code;
        }
        QCOMPARE(names_.size(), GroupSize);
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void anonymousOutputsHoldNoName_data() {
        QTest::addColumn<ReportFormat>("format");
        QTest::newRow("txt") << ReportFormat::Txt;
        QTest::newRow("pdf") << ReportFormat::Pdf;
        QTest::newRow("xlsx") << ReportFormat::Xlsx;
        QTest::newRow("csv") << ReportFormat::Csv;
        QTest::newRow("sav") << ReportFormat::Sav;
        QTest::newRow("dta") << ReportFormat::Dta;
    }
    void anonymousOutputsHoldNoName() {
        QFETCH(ReportFormat, format);
        if (format == ReportFormat::Pdf &&
            QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        ReportSnapshot snapshot{group_, {}};
        // The names are there without the option: the search below would find them.
        const QByteArray named =
            readableContent(format, buildReport(format, snapshot), dir_.path());
        QVERIFY(holds(named, names_.first().section(QLatin1Char(' '), 0, 0)));

        snapshot.anonymous = true;
        const QByteArray content =
            readableContent(format, buildReport(format, snapshot), dir_.path());
        QVERIFY(!content.isEmpty());
        for (const QString& name : names_) {
            // The surname alone would give the person away too.
            const QString surname = name.section(QLatin1Char(' '), 0, 0);
            QVERIFY2(!holds(content, surname), qPrintable(surname));
        }
        if (format == ReportFormat::Txt) {
            const QStringList lines = decodeWindows1251(content).split(QStringLiteral("\r\n"));
            const qsizetype first = lines.indexOf(QStringLiteral("Состав группы:"));
            QVERIFY(first > 0);
            QCOMPARE(lines.mid(first + 1, GroupSize), codes_);
        }
    }

    // A chosen group is as large as its chosen members, not as the folder it was chosen from:
    // in the page headings of its PDF and in the size check.
    void aChosenGroupCountsItsMembersOnly() {
        GroupChoice choice;
        choice.fileNames = QSet<QString>{group_.members[0].fileName, group_.members[1].fileName,
                                         group_.members[2].fileName};
        const AnalysisState chosen =
            groupAnalysis(group_.source, NormKind::Sex, QStringLiteral("Женский"), fixedToday, {},
                          GroupKeeps::TableRows, choice);
        QCOMPARE(groupMemberCount(chosen), 3);
        QVERIFY(!groupSizeRefusal(chosen, 4).isEmpty());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QByteArray text = readableContent(
            ReportFormat::Pdf, buildReport(ReportFormat::Pdf, ReportSnapshot{chosen, {}}),
            dir_.path());
        QVERIFY(holds(text, groupTitle(3)));
        QVERIFY(!holds(text, groupTitle(GroupSize)));
    }

    void groupBelowMinimumRefused() {
        QCOMPARE(groupSizeRefusal(group_, GroupSize), QString());
        const QString refusal = groupSizeRefusal(group_, GroupSize + 1);
        QVERIFY(refusal.contains(QString::number(GroupSize)));
        QVERIFY(refusal.contains(QString::number(GroupSize + 1)));

        ReportSnapshot snapshot{group_, {}};
        snapshot.minimumGroupSize = GroupSize + 1;
        QCOMPARE(errorOf([&] { buildReport(ReportFormat::Csv, snapshot); }), refusal);
        snapshot.minimumGroupSize = GroupSize;
        QVERIFY(!buildReport(ReportFormat::Csv, snapshot).isEmpty());
    }
};

QTEST_MAIN(TestPrivateOutputs)
#include "tst_privateoutputs.moc"
