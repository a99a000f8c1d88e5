// Every output of an analysis with header fields and a comment made of any bytes: the text
// report, the printed report, the workbook, the CSV and the SPSS and Stata files (each read
// back by ReadStat, as every save does), as the window saves them after the
// user edited the fields. None may fail or crash; the workbook must read back whole (the
// program's own check, the one that guards every save) and the CSV must keep one record per
// examinee with one field per heading, whatever the text holds. The proposed file name must
// stay inside its folder and a message must never carry a control character.
//
// The input: one byte choosing the text's decoding (Windows-1251, UTF-8, or raw UTF-16 with
// lone surrogates), individual or group, and the format; then the fields separated by byte
// 0x1F: code, name, sex, education, test date, age, comment.

#include "Analysis.h"
#include "AnalysisError.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "OutputNames.h"
#include "PdfReport.h"
#include "ResponseFile.h"
#include "StatisticsFile.h"
#include "TextReport.h"
#include "WorkbookCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

ezr::AnalysisState individual;
ezr::AnalysisState group;
const QLocale PointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale CommaLocale(QLocale::Russian, QLocale::Russia);

QString decoded(QByteArrayView bytes, int decoding) {
    switch (decoding) {
    case 0:
        return ezr::decodeWindows1251(bytes);
    case 1:
        return QString::fromUtf8(bytes);
    default:
        return QString(reinterpret_cast<const QChar*>(bytes.data()), bytes.size() / 2);
    }
}

// RFC 4180 with CR LF: the number of fields of each record, or an empty list when a quote is
// left open or the last record lacks its CR LF.
QList<int> csvFieldCounts(const QString& text, QChar separator) {
    QList<int> counts;
    int fields = 1;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                ++i;
            else if (c == u'"')
                quoted = false;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            ++fields;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            counts.append(fields);
            fields = 1;
            ++i;
        }
    }
    if (quoted || !text.endsWith(QStringLiteral("\r\n")))
        return {};
    return counts;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

// One format per input, chosen by the first byte, so that the fast ones are not held back by
// the slow ones.
void buildOne(std::uint8_t choice, const ezr::AnalysisState& state,
              const ezr::ReportSnapshot& snapshot) {
    switch ((choice / 6) % 6) {
    case 0:
        (void)ezr::buildTextReport(snapshot);
        break;
    case 1:
        check(ezr::buildPdfReport(snapshot).startsWith("%PDF-"));
        break;
    case 2: {
        const QByteArray book = ezr::buildExamineeXlsx(state);
        check(!ezr::archiveDamage(book, {QStringLiteral("xl/worksheets/sheet1.xml")}));
        break;
    }
    case 4:
    case 5: {
        const auto format =
            (choice / 6) % 6 == 4 ? ezr::StatisticsFormat::Spss : ezr::StatisticsFormat::Stata;
        // A fixed moment: the file's stamp is not what is being tried.
        const QDateTime analysed(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        check(!ezr::buildStatisticsFile(state, format, analysed).isEmpty());
        break;
    }
    default: {
        const ezr::SheetTable table = ezr::examineeTable(state);
        const QByteArray csv = ezr::buildCsv(table, u';', u',');
        check(csv.startsWith("\xEF\xBB\xBF"));
        const QList<int> counts = csvFieldCounts(QString::fromUtf8(csv.mid(3)), u';');
        check(counts.size() == table.rows.size());
        for (int r = 0; r < counts.size(); ++r)
            check(counts[r] == std::max<qsizetype>(table.rows[r].size(), 1));
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The printed report needs fonts, hence a GUI application, without a display. It lives
    // as long as the process: libFuzzer ends with exit(), after which Qt cannot be taken down.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* const application = new QGuiApplication(*argc, *argv);
    (void)application;
    // The bundled files of the end-to-end tests: the examinee written under a decimal point,
    // the group under Russian settings. Each analysis is then saved under its own settings.
    const QString data = QStringLiteral(EZR_TEST_DATA_DIR);
    QLocale::setDefault(PointLocale);
    individual = ezr::individualAnalysis(data + QStringLiteral("/endtoend_individual.cry"));
    QLocale::setDefault(CommaLocale);
    group = ezr::groupAnalysis(data + QStringLiteral("/endtoend_group"), ezr::NormKind::Sex,
                               ezr::FemaleSex);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int decoding = data[0] % 3;
    const bool isGroup = (data[0] / 3) % 2 == 1;
    ezr::AnalysisState state = isGroup ? group : individual;
    QLocale::setDefault(isGroup ? CommaLocale : PointLocale);
    QList<QString> fields;
    for (const QByteArray& part :
         QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\x1F'))
        fields.append(decoded(part, decoding));
    fields.resize(7);

    for (ezr::ExamineeRecord& member : state.members) {
        member.header.code = fields[0];
        member.header.name = fields[1];
        member.header.sex = fields[2];
        member.header.education = fields[3];
        member.header.testDate = fields[4];
        member.age = fields[5];
    }
    ezr::AnalysisHeader& header = state.header;
    header.code = fields[0];
    header.name = fields[1];
    header.sex = fields[2];
    header.education = fields[3];
    header.testDate = fields[4];
    header.age = fields[5];
    const ezr::ReportSnapshot snapshot{state, fields[6].split(QLatin1Char('\n'))};

    // Nothing may throw: an escaping exception is a fault, reported with its message.
    try {
        buildOne(data[0], state, snapshot);
    } catch (const ezr::AnalysisError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        std::abort();
    }

    const QString folder = QStringLiteral("/results");
    const QString name = ezr::proposedReportName(state, ezr::ReportFormat::Txt);
    check(QFileInfo(QDir::cleanPath(folder + u'/' + name)).absolutePath() == folder);
    for (const QString& shown : {ezr::pathInMessage(fields[6]), ezr::quotedInMessage(fields[1])})
        for (const QChar c : shown)
            check(c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() < 0xA0));
    return 0;
}
