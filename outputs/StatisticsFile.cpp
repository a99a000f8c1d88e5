#include "StatisticsFile.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "ExamineeTable.h"
#include "NormComparison.h"
#include "ResultSheet.h"

#include <readstat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

// ReadStat writes through a callback, so the file is made in memory and reaches the disk
// through the program's one verified write; before that, ReadStat's own reader reads the
// bytes back from memory, so a file that SPSS, R or Stata would refuse never replaces a good
// one.
namespace ezr {

namespace {

constexpr int NumberWidth = 10;          // characters of a number as shown, decimals included
constexpr qsizetype SpssLabelBytes = 64; // an SPSS file label
constexpr int MinimumTextWidth = 8;      // columns a text variable is shown in
constexpr int MaximumTextWidth = 40;
constexpr std::uint8_t StataUnicodeVersion = 118; // Stata 14: UTF-8 names, labels and strings

QString formatName(StatisticsFormat format) {
    return format == StatisticsFormat::Spss ? QStringLiteral("SPSS") : QStringLiteral("Stata");
}

[[noreturn]] void fail(StatisticsFormat format, const QString& reason) {
    throw AnalysisError(
        QStringLiteral("Не удалось создать файл %1: %2").arg(formatName(format), reason));
}

void check(StatisticsFormat format, readstat_error_t error) {
    if (error != READSTAT_OK)
        fail(format, QString::fromUtf8(readstat_error_message(error)));
}

struct WriterFree {
    void operator()(readstat_writer_t* writer) const { readstat_writer_free(writer); }
};
struct ParserFree {
    void operator()(readstat_parser_t* parser) const { readstat_parser_free(parser); }
};

ssize_t appendBytes(const void* data, size_t length, void* bytes) {
    static_cast<QByteArray*>(bytes)->append(static_cast<const char*>(data), qsizetype(length));
    return ssize_t(length);
}

// The UTF-8 of `text` in at most `limit` bytes, cut between characters.
QByteArray utf8Within(const QString& text, qsizetype limit) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = limit;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

QByteArray cellText(const QVariant& cell) {
    if (!cell.isValid())
        return QByteArray();
    if (cell.typeId() == QMetaType::Double)
        return QByteArray::number(cell.toDouble(), 'g', 17);
    return cell.toString().toUtf8();
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
        fail(format, QString::fromLatin1(column.variable));
    readstat_variable_set_label(variable, column.heading.toUtf8().constData());
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
        readstat_variable_set_display_width(
            variable, std::clamp(textChars, MinimumTextWidth, MaximumTextWidth));
        readstat_variable_set_measure(variable, READSTAT_MEASURE_NOMINAL);
        readstat_variable_set_alignment(variable, READSTAT_ALIGNMENT_LEFT);
    }
    return variable;
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

// ReadStat's reader on bytes in memory.
struct MemoryInput {
    QByteArrayView bytes;
    qint64 position = 0;
};

int openMemory(const char*, void*) {
    return 0;
}

int closeMemory(void*) {
    return 0;
}

readstat_off_t seekMemory(readstat_off_t offset, readstat_io_flags_t whence, void* context) {
    auto* input = static_cast<MemoryInput*>(context);
    qint64 base = 0;
    if (whence == READSTAT_SEEK_CUR)
        base = input->position;
    else if (whence == READSTAT_SEEK_END)
        base = input->bytes.size();
    const qint64 target = base + offset;
    if (target < 0 || target > input->bytes.size())
        return -1;
    input->position = target;
    return target;
}

ssize_t readMemory(void* buffer, size_t count, void* context) {
    auto* input = static_cast<MemoryInput*>(context);
    const qint64 length = std::min<qint64>(qint64(count), input->bytes.size() - input->position);
    std::memcpy(buffer, input->bytes.data() + input->position, size_t(length));
    input->position += length;
    return ssize_t(length);
}

readstat_error_t updateMemory(long, readstat_progress_handler, void*, void*) {
    return READSTAT_OK;
}

struct ReadBack {
    StatisticsFileSummary summary;
    QString error;
};

int onMetadata(readstat_metadata_t* metadata, void* context) {
    auto* read = static_cast<ReadBack*>(context);
    read->summary.headerCases = readstat_get_row_count(metadata);
    read->summary.label = QString::fromUtf8(readstat_get_file_label(metadata));
    return READSTAT_HANDLER_OK;
}

int onVariable(int, readstat_variable_t* variable, const char*, void* context) {
    auto* read = static_cast<ReadBack*>(context);
    read->summary.names.append(QByteArray(readstat_variable_get_name(variable)));
    read->summary.labels.append(QString::fromUtf8(readstat_variable_get_label(variable)));
    return READSTAT_HANDLER_OK;
}

int onValue(int observation, readstat_variable_t*, readstat_value_t, void* context) {
    auto* read = static_cast<ReadBack*>(context);
    ++read->summary.values;
    read->summary.cases = std::max<qint64>(read->summary.cases, qint64(observation) + 1);
    return READSTAT_HANDLER_OK;
}

void onError(const char* message, void* context) {
    static_cast<ReadBack*>(context)->error = QString::fromUtf8(message).trimmed();
}

} // namespace

QString statisticsExtension(StatisticsFormat format) {
    return format == StatisticsFormat::Spss ? QStringLiteral("sav") : QStringLiteral("dta");
}

QString statisticsFileLabel(const NormComparison& comparison, const QDate& analysed) {
    const NormKind kind = comparison.norm.kind;
    // The norm group the comparison takes: the second of a kind is the female or the
    // secondary-education one.
    const bool second = comparison.norm.row % 2 == 1;
    QString norm = normTitle(comparison.norm);
    if (kind == NormKind::Sex)
        norm += QStringLiteral(", ") + (second ? FemaleSex : MaleSex);
    else if (kind == NormKind::Education)
        norm += QStringLiteral(", ") + (second ? SecondaryEducation : HigherEducation);
    return QStringLiteral("Норма: %1; %2").arg(norm, analysed.toString(Qt::ISODate));
}

QByteArray buildStatisticsFile(const AnalysisState& state, StatisticsFormat format,
                               const QDateTime& analysed) {
    const QList<ExamineeColumn> columns = examineeColumns();
    const SheetTable table = examineeTable(state);
    const QList<TableRow> rows = table.rows.mid(1); // below the headings
    const long cases = long(rows.size());

    // The widest text of each text column decides its storage.
    QList<qsizetype> textBytes(columns.size(), 0);
    QList<int> textChars(columns.size(), 0);
    for (const TableRow& row : rows) {
        if (row.size() != columns.size())
            fail(format, QStringLiteral("%1 значений в строке из %2 столбцов")
                             .arg(row.size())
                             .arg(columns.size()));
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (columns[c].isNumber() || !row[c].isValid())
                continue;
            textBytes[c] = std::max(textBytes[c], cellText(row[c]).size());
            textChars[c] = std::max(textChars[c], int(row[c].toString().size()));
        }
    }

    QByteArray bytes;
    const std::unique_ptr<readstat_writer_t, WriterFree> owner(readstat_writer_init());
    readstat_writer_t* writer = owner.get();
    if (!writer)
        fail(format, QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
    check(format, readstat_set_data_writer(writer, appendBytes));
    const QString label = statisticsFileLabel(state.comparison, analysed.date());
    check(format, readstat_writer_set_file_label(writer, (format == StatisticsFormat::Spss
                                                              ? utf8Within(label, SpssLabelBytes)
                                                              : label.toUtf8())
                                                             .constData()));
    check(format, readstat_writer_set_file_timestamp(writer, time_t(analysed.toSecsSinceEpoch())));

    QList<readstat_variable_t*> variables;
    for (qsizetype c = 0; c < columns.size(); ++c)
        variables.append(addVariable(writer, format, columns[c], textBytes[c], textChars[c]));

    if (format == StatisticsFormat::Spss) {
        // Compressed as SPSS writes its own files.
        check(format, readstat_writer_set_compression(writer, READSTAT_COMPRESS_ROWS));
        check(format, readstat_begin_writing_sav(writer, &bytes, cases));
    } else {
        check(format, readstat_writer_set_file_format_version(writer, StataUnicodeVersion));
        check(format, readstat_begin_writing_dta(writer, &bytes, cases));
    }
    for (const TableRow& row : rows) {
        check(format, readstat_begin_row(writer));
        for (qsizetype c = 0; c < columns.size(); ++c)
            check(format, insertCell(writer, variables[c], columns[c], row[c]));
        check(format, readstat_end_row(writer));
    }
    check(format, readstat_end_writing(writer));

    const StatisticsFileSummary read = readStatisticsFile(bytes, format);
    QList<QByteArray> names;
    for (const ExamineeColumn& column : columns)
        names.append(column.variable);
    if (read.cases != cases || read.headerCases != cases || read.names != names ||
        read.values != qint64(cases) * columns.size())
        fail(format,
             QStringLiteral("прочитано обратно %1 наблюдений и %2 переменных вместо %3 и %4")
                 .arg(read.cases)
                 .arg(read.names.size())
                 .arg(cases)
                 .arg(columns.size()));
    return bytes;
}

StatisticsFileSummary readStatisticsFile(QByteArrayView bytes, StatisticsFormat format) {
    const std::unique_ptr<readstat_parser_t, ParserFree> owner(readstat_parser_init());
    readstat_parser_t* parser = owner.get();
    if (!parser)
        fail(format, QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
    MemoryInput input{bytes};
    readstat_set_open_handler(parser, openMemory);
    readstat_set_close_handler(parser, closeMemory);
    readstat_set_seek_handler(parser, seekMemory);
    readstat_set_read_handler(parser, readMemory);
    readstat_set_update_handler(parser, updateMemory);
    readstat_set_io_ctx(parser, &input);
    readstat_set_metadata_handler(parser, onMetadata);
    readstat_set_variable_handler(parser, onVariable);
    readstat_set_value_handler(parser, onValue);
    readstat_set_error_handler(parser, onError);

    ReadBack read;
    const readstat_error_t error = format == StatisticsFormat::Spss
                                       ? readstat_parse_sav(parser, "", &read)
                                       : readstat_parse_dta(parser, "", &read);
    if (error != READSTAT_OK)
        fail(format, QStringLiteral("файл не читается обратно: %1 %2")
                         .arg(QString::fromUtf8(readstat_error_message(error)), read.error)
                         .trimmed());
    return read.summary;
}

} // namespace ezr

namespace ezr {

QByteArray buildTableFile(const QList<ExamineeColumn>& columns, const QList<TableRow>& rows,
                          const QString& label, StatisticsFormat format,
                          const QDateTime& analysed) {
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
        fail(format, QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
    check(format, readstat_set_data_writer(writer, appendBytes));
    check(format, readstat_writer_set_file_label(writer, (format == StatisticsFormat::Spss
                                                              ? utf8Within(label, SpssLabelBytes)
                                                              : label.toUtf8())
                                                             .constData()));
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
        fail(format,
             QStringLiteral("прочитано обратно %1 наблюдений и %2 переменных вместо %3 и %4")
                 .arg(read.cases)
                 .arg(read.names.size())
                 .arg(cases)
                 .arg(columns.size()));
    return bytes;
}

} // namespace ezr
