#include "StatisticsFile.h"
#include "StatisticsFileParts.h"

#include "AnalysisError.h"
#include "CNumericLocale.h"
#include "Domain.h"
#include "ExamineeTable.h"
#include "NormComparison.h"
#include "ResultSheet.h"

#include "VerifiedWrite.h"

#include <QTemporaryFile>

#include <readstat.h>

#include <algorithm>
#include <cmath>
#include <memory>

// ReadStat writes through a callback into a temporary file a case at a time, so that a group
// of any size never lies whole in memory; ReadStat's own reader reads that file back before
// its bytes go on to the program's one verified write, so a file that SPSS, R or Stata would
// refuse never replaces a good one.
namespace ezr {

namespace {

constexpr int NumberWidth = 10;           // characters of a number as shown, decimals included
constexpr qsizetype SpssLabelBytes = 64;  // an SPSS file label
constexpr qsizetype StataLabelBytes = 80; // a Stata data or variable label as ReadStat keeps it
constexpr qsizetype SpssVariableLabelBytes = 255;
constexpr int MinimumTextWidth = 8; // columns a text variable is shown in
constexpr int MaximumTextWidth = 40;
constexpr std::uint8_t StataUnicodeVersion = 118; // Stata 14: UTF-8 names, labels and strings

void check(StatisticsFormat format, readstat_error_t error) {
    if (error != READSTAT_OK)
        failStatisticsFile(format, QString::fromUtf8(readstat_error_message(error)));
}

struct WriterFree {
    void operator()(readstat_writer_t* writer) const { readstat_writer_free(writer); }
};

// The UTF-8 of `text` in at most `limit` bytes, cut between characters.
QByteArray utf8Within(const QString& text, qsizetype limit) {
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = limit;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

// A variable of the file for a column: its storage, label and how it is shown.
readstat_variable_t* addVariable(readstat_writer_t* writer, StatisticsFormat format,
                                 const ExamineeColumn& column, qsizetype textBytes, int textChars) {
    readstat_variable_t* variable =
        column.isNumber()
            ? readstat_add_variable(writer, column.variable.constData(), READSTAT_TYPE_DOUBLE, 0)
            : readstat_add_variable(writer, column.variable.constData(), READSTAT_TYPE_STRING,
                                    size_t(std::max<qsizetype>(textBytes, 1)));
    if (!variable)
        failStatisticsFile(format, QString::fromLatin1(column.variable));
    readstat_variable_set_label(variable,
                                utf8Within(column.heading, format == StatisticsFormat::Spss
                                                               ? SpssVariableLabelBytes
                                                               : StataLabelBytes)
                                    .constData());
    if (column.isNumber()) {
        // SPSS "F10.2", Stata "%10.2f".
        const QByteArray size =
            QByteArray::number(NumberWidth) + '.' + QByteArray::number(column.decimals);
        const QByteArray shown = format == StatisticsFormat::Spss ? 'F' + size : '%' + size + 'f';
        readstat_variable_set_format(variable, shown.constData());
        readstat_variable_set_display_width(variable, NumberWidth);
        readstat_variable_set_measure(variable, READSTAT_MEASURE_SCALE);
        readstat_variable_set_alignment(variable, READSTAT_ALIGNMENT_RIGHT);
    } else {
        // The print and write format of a text variable is its stored width ("A12", "%-12s"):
        // SPSS and PSPP refuse any other as invalid. Its shown column may be wider.
        const QByteArray width = QByteArray::number(std::max<qsizetype>(textBytes, 1));
        const QByteArray shown =
            format == StatisticsFormat::Spss ? 'A' + width : "%-" + width + 's';
        readstat_variable_set_format(variable, shown.constData());
        readstat_variable_set_display_width(
            variable, std::clamp(textChars, MinimumTextWidth, MaximumTextWidth));
        readstat_variable_set_measure(variable, READSTAT_MEASURE_NOMINAL);
        readstat_variable_set_alignment(variable, READSTAT_ALIGNMENT_LEFT);
    }
    return variable;
}

// The texts of a row by column of examineeColumns() (empty for a number column).
template <typename Each> void eachText(const ExamineeRow& row, const QString& normName, Each each) {
    int c = 0;
    for (QStringView text : examineeRowTexts(row))
        each(c++, text);
    each(ExamineeTextColumns + ExamineeNumberColumns, QStringView(normName));
}

// The texts of the answer-quality columns that are texts, by column.
template <typename Each> void eachQualityText(const ExamineeRow& row, Each each) {
    const QList<ExamineeColumn> columns = examineeColumns();
    int c = ExamineeTextColumns + ExamineeNumberColumns + 1;
    for (const QVariant& cell : examineeQualityCells(*row.results)) {
        if (!columns[c].isNumber() && cell.isValid())
            each(c, cell.toString());
        ++c;
    }
}

class LayoutMeter final : public ExamineeTableWriter {
public:
    LayoutMeter(StatisticsLayout& layout, const Norm& norm)
        : layout_(layout), normName_(tableNormName(norm)) {
        const qsizetype columns = examineeColumns().size();
        layout_ = StatisticsLayout{0, QList<qsizetype>(columns, 0), QList<int>(columns, 0)};
    }
    void add(const ExamineeRow& row) override {
        ++layout_.cases;
        eachText(row, normName_, [this](int c, QStringView text) {
            if (text.isEmpty())
                return;
            // UTF-8 takes at most three bytes for a UTF-16 unit; counted exactly only when
            // the text could be the widest.
            if (text.size() * 3 > layout_.textBytes[c])
                layout_.textBytes[c] = std::max(layout_.textBytes[c], text.toUtf8().size());
            layout_.textChars[c] = std::max(layout_.textChars[c], int(text.size()));
        });
        eachQualityText(row, [this](int c, const QString& text) {
            layout_.textBytes[c] = std::max(layout_.textBytes[c], text.toUtf8().size());
            layout_.textChars[c] = std::max(layout_.textChars[c], int(text.size()));
        });
    }
    void finish(const AnalysisState&) override {}

private:
    StatisticsLayout& layout_;
    QString normName_;
};

ssize_t writeToDevice(const void* data, size_t length, void* device) {
    return ssize_t(
        static_cast<QIODevice*>(device)->write(static_cast<const char*>(data), qint64(length)));
}

// ReadStat's writer over a temporary file, a case at a time.
class StatisticsTableWriter final : public ExamineeTableWriter {
public:
    StatisticsTableWriter(StatisticsFormat format, ByteSink& sink, const Norm& norm,
                          const StatisticsLayout& layout, const QDateTime& analysed)
        : point_(), format_(format), sink_(sink), norm_(norm), normName_(tableNormName(norm)),
          columns_(examineeColumns()), cases_(layout.cases), writer_(readstat_writer_init()) {
        if (!writer_)
            failStatisticsFile(format,
                               QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
        if (!file_.open())
            failStatisticsFile(format, file_.errorString());
        readstat_writer_t* writer = writer_.get();
        check(format, readstat_set_data_writer(writer, writeToDevice));
        NormComparison comparison;
        comparison.norm = norm;
        const QString label =
            statisticsFileLabel(comparison, analysed.date(), statisticsLabelBytes(format));
        check(format, readstat_writer_set_file_label(writer, label.toUtf8().constData()));
        check(format,
              readstat_writer_set_file_timestamp(writer, time_t(analysed.toSecsSinceEpoch())));
        for (qsizetype c = 0; c < columns_.size(); ++c)
            variables_.append(addVariable(writer, format, columns_[c],
                                          std::min(layout.textBytes.value(c), textLimit_),
                                          layout.textChars.value(c)));
        if (format == StatisticsFormat::Spss) {
            // Compressed as SPSS writes its own files.
            check(format, readstat_writer_set_compression(writer, READSTAT_COMPRESS_ROWS));
            check(format, readstat_begin_writing_sav(writer, static_cast<QIODevice*>(&file_),
                                                     long(cases_)));
        } else {
            check(format, readstat_writer_set_file_format_version(writer, StataUnicodeVersion));
            check(format, readstat_begin_writing_dta(writer, static_cast<QIODevice*>(&file_),
                                                     long(cases_)));
        }
    }

    void add(const ExamineeRow& row) override {
        // More rows than measured: the folder changed between the passes.
        if (written_ == cases_)
            failCount(written_ + 1);
        ++written_;
        readstat_writer_t* writer = writer_.get();
        check(format_, readstat_begin_row(writer));
        eachText(row, normName_, [&](int c, QStringView text) {
            check(format_,
                  readstat_insert_string_value(writer, variables_[c], stored(text).constData()));
        });
        int c = ExamineeTextColumns;
        // A value that is no finite number is missing, as the statistics programs know it.
        for (double value : examineeRowNumbers(*row.results, norm_)) {
            const readstat_variable_t* variable = variables_[c++];
            check(format_, std::isfinite(value)
                               ? readstat_insert_double_value(writer, variable, value)
                               : readstat_insert_missing_value(writer, variable));
        }
        c = ExamineeTextColumns + ExamineeNumberColumns + 1; // after the norm's name
        for (const QVariant& cell : examineeQualityCells(*row.results)) {
            const readstat_variable_t* variable = variables_[c];
            if (columns_[c++].isNumber())
                // "не измерялось" is a missing value to a statistics program.
                check(format_, cell.typeId() == QMetaType::Double
                                   ? readstat_insert_double_value(writer, variable, cell.toDouble())
                                   : readstat_insert_missing_value(writer, variable));
            else
                check(format_, readstat_insert_string_value(
                                   writer, variable, stored(cell.toString()).constData()));
        }
        check(format_, readstat_end_row(writer));
    }

    void finish(const AnalysisState&) override {
        if (written_ != cases_)
            failCount(written_);
        check(format_, readstat_end_writing(writer_.get()));
        if (!file_.flush())
            failStatisticsFile(format_, file_.errorString());
        checkReadBack();
        file_.seek(0);
        QByteArray chunk;
        while (!(chunk = file_.read(1 << 20)).isEmpty())
            sink_.write(chunk);
        if (file_.error() != QFileDevice::NoError)
            failStatisticsFile(format_, file_.errorString());
    }

private:
    QByteArray stored(QStringView text) const { return utf8Within(text.toString(), textLimit_); }
    [[noreturn]] void failCount(qint64 rows) const {
        failStatisticsFile(format_,
                           QStringLiteral("в папке %1 обследуемых вместо %2: она изменилась во "
                                          "время записи")
                               .arg(rows)
                               .arg(cases_));
    }
    void checkReadBack() const {
        const StatisticsFileSummary read =
            parseStatisticsFile(format_, QFile::encodeName(file_.fileName()));
        QList<QByteArray> names;
        for (const ExamineeColumn& column : columns_)
            names.append(column.variable);
        if (read.cases != cases_ || read.headerCases != cases_ || read.names != names ||
            read.values != cases_ * columns_.size())
            failStatisticsFile(
                format_,
                QStringLiteral("прочитано обратно %1 наблюдений и %2 переменных вместо %3 и %4")
                    .arg(read.cases)
                    .arg(read.names.size())
                    .arg(cases_)
                    .arg(columns_.size()));
    }

    // ReadStat formats numbers with the C library: the whole life of the writer runs under the
    // "C" locale on the thread that writes, whatever the user's settings.
    CNumericLocale point_;
    StatisticsFormat format_;
    // The longest text a variable of the format stores as one variable: an SPSS string over 255
    // bytes is split into segments that read back as further variables, a Stata str over 2045
    // becomes a strL. Only a damaged or invented file holds a longer header field; it is cut
    // between characters.
    qsizetype textLimit_ = format_ == StatisticsFormat::Spss ? 255 : 2045;
    ByteSink& sink_;
    Norm norm_;
    QString normName_;
    QList<ExamineeColumn> columns_;
    qint64 cases_;
    qint64 written_ = 0;
    QTemporaryFile file_;
    std::unique_ptr<readstat_writer_t, WriterFree> writer_;
    QList<readstat_variable_t*> variables_;
};

} // namespace

QString statisticsExtension(StatisticsFormat format) {
    return format == StatisticsFormat::Spss ? QStringLiteral("sav") : QStringLiteral("dta");
}

QString statisticsFileLabel(const NormComparison& comparison, const QDate& analysed,
                            qsizetype byteLimit) {
    const NormKind kind = comparison.norm.kind;
    // The norm group the comparison takes: the second of a kind is the female or the
    // secondary-education one.
    const bool second = comparison.norm.row % 2 == 1;
    QString norm = normTitle(comparison.norm);
    if (kind == NormKind::Sex)
        norm += QStringLiteral(", ") + (second ? FemaleSex : MaleSex);
    else if (kind == NormKind::Education)
        norm += QStringLiteral(", ") + (second ? SecondaryEducation : HigherEducation);
    // The date always stays whole; a long name of an own norm is cut between characters.
    const QString date = analysed.toString(Qt::ISODate);
    const QString frame = QStringLiteral("Норма: %1; ") + date;
    const qsizetype room = byteLimit - (frame.toUtf8().size() - 2);
    return frame.arg(QString::fromUtf8(utf8Within(norm, std::max<qsizetype>(room, 0))));
}

qsizetype statisticsLabelBytes(StatisticsFormat format) {
    return format == StatisticsFormat::Spss ? SpssLabelBytes : StataLabelBytes;
}

std::unique_ptr<ExamineeTableWriter> statisticsLayoutMeter(StatisticsLayout& layout,
                                                           const Norm& norm) {
    return std::make_unique<LayoutMeter>(layout, norm);
}

std::unique_ptr<ExamineeTableWriter> statisticsTableWriter(StatisticsFormat format, ByteSink& sink,
                                                           const Norm& norm,
                                                           const StatisticsLayout& layout,
                                                           const QDateTime& analysed) {
    return std::make_unique<StatisticsTableWriter>(format, sink, norm, layout, analysed);
}

QByteArray buildStatisticsFile(const AnalysisState& state, StatisticsFormat format,
                               const QDateTime& analysed) {
    const Norm& norm = state.comparison.norm;
    StatisticsLayout layout;
    writeExamineeRows(state, *statisticsLayoutMeter(layout, norm));
    ByteArraySink sink;
    const std::unique_ptr<ExamineeTableWriter> writer =
        statisticsTableWriter(format, sink, norm, layout, analysed);
    writeExamineeRows(state, *writer);
    writer->finish(state);
    return std::move(sink.bytes());
}

} // namespace ezr

namespace ezr {

namespace {

ssize_t appendBytes(const void* data, size_t length, void* bytes) {
    static_cast<QByteArray*>(bytes)->append(static_cast<const char*>(data), qsizetype(length));
    return ssize_t(length);
}

QByteArray cellText(const QVariant& cell) {
    if (!cell.isValid())
        return QByteArray();
    if (cell.typeId() == QMetaType::Double)
        return QByteArray::number(cell.toDouble(), 'g', 17);
    return cell.toString().toUtf8();
}

readstat_error_t insertCell(readstat_writer_t* writer, const readstat_variable_t* variable,
                            const ExamineeColumn& column, const QVariant& cell) {
    if (!column.isNumber())
        return readstat_insert_string_value(writer, variable, cellText(cell).constData());
    // A value that is no finite number is missing, as the statistics programs know it.
    if (cell.typeId() == QMetaType::Double && std::isfinite(cell.toDouble()))
        return readstat_insert_double_value(writer, variable, cell.toDouble());
    return readstat_insert_missing_value(writer, variable);
}

} // namespace

QByteArray buildTableFile(const QList<ExamineeColumn>& columns, const QList<TableRow>& rows,
                          const QString& label, StatisticsFormat format,
                          const QDateTime& analysed) {
    const CNumericLocale point;
    const long cases = long(rows.size());
    QList<qsizetype> textBytes(columns.size(), 0);
    QList<int> textChars(columns.size(), 0);
    for (const TableRow& row : rows)
        for (qsizetype c = 0; c < columns.size(); ++c)
            if (!columns[c].isNumber() && row.value(c).isValid()) {
                textBytes[c] = std::max(textBytes[c], cellText(row[c]).size());
                textChars[c] = std::max(textChars[c], int(row[c].toString().size()));
            }
    QByteArray bytes;
    const std::unique_ptr<readstat_writer_t, WriterFree> owner(readstat_writer_init());
    readstat_writer_t* writer = owner.get();
    if (!writer)
        failStatisticsFile(format,
                           QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
    check(format, readstat_set_data_writer(writer, appendBytes));
    check(format, readstat_writer_set_file_label(
                      writer, utf8Within(label, statisticsLabelBytes(format)).constData()));
    check(format, readstat_writer_set_file_timestamp(writer, time_t(analysed.toSecsSinceEpoch())));
    QList<readstat_variable_t*> variables;
    for (qsizetype c = 0; c < columns.size(); ++c)
        variables.append(addVariable(writer, format, columns[c], textBytes[c], textChars[c]));
    if (format == StatisticsFormat::Spss) {
        check(format, readstat_writer_set_compression(writer, READSTAT_COMPRESS_ROWS));
        check(format, readstat_begin_writing_sav(writer, &bytes, cases));
    } else {
        check(format, readstat_writer_set_file_format_version(writer, StataUnicodeVersion));
        check(format, readstat_begin_writing_dta(writer, &bytes, cases));
    }
    for (const TableRow& row : rows) {
        check(format, readstat_begin_row(writer));
        for (qsizetype c = 0; c < columns.size(); ++c)
            check(format, insertCell(writer, variables[c], columns[c], row.value(c)));
        check(format, readstat_end_row(writer));
    }
    check(format, readstat_end_writing(writer));
    // Read back as the examinee table is: the cases, the variables and every value.
    const StatisticsFileSummary read = readStatisticsFile(bytes, format);
    if (read.cases != cases || read.names.size() != columns.size() ||
        read.values != qint64(cases) * columns.size())
        failStatisticsFile(
            format, QStringLiteral("прочитано обратно %1 наблюдений и %2 переменных вместо %3 и %4")
                        .arg(read.cases)
                        .arg(read.names.size())
                        .arg(cases)
                        .arg(columns.size()));
    return bytes;
}

} // namespace ezr
