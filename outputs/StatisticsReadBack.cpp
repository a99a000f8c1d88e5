#include "StatisticsFile.h"
#include "StatisticsFileParts.h"

#include "AnalysisError.h"
#include "CNumericLocale.h"

#include <readstat.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

// ReadStat's reader, for the read-back of every file written: from the temporary file the
// writer fills, or from bytes in memory.
namespace ezr {

namespace {

QString formatName(StatisticsFormat format) {
    return format == StatisticsFormat::Spss ? QStringLiteral("SPSS") : QStringLiteral("Stata");
}

struct ParserFree {
    void operator()(readstat_parser_t* parser) const { readstat_parser_free(parser); }
};

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

// ReadStat's reader on the file at `path` (ReadStat's own file access), or wherever `setUp`
// points it.
StatisticsFileSummary parseStatistics(StatisticsFormat format, const QByteArray& path,
                                      const std::function<void(readstat_parser_t*)>& setUp) {
    const CNumericLocale point;
    const std::unique_ptr<readstat_parser_t, ParserFree> owner(readstat_parser_init());
    readstat_parser_t* parser = owner.get();
    if (!parser)
        failStatisticsFile(format,
                           QString::fromUtf8(readstat_error_message(READSTAT_ERROR_MALLOC)));
    if (setUp)
        setUp(parser);
    readstat_set_metadata_handler(parser, onMetadata);
    readstat_set_variable_handler(parser, onVariable);
    readstat_set_value_handler(parser, onValue);
    readstat_set_error_handler(parser, onError);

    ReadBack read;
    const readstat_error_t error = format == StatisticsFormat::Spss
                                       ? readstat_parse_sav(parser, path.constData(), &read)
                                       : readstat_parse_dta(parser, path.constData(), &read);
    if (error != READSTAT_OK)
        failStatisticsFile(format,
                           QStringLiteral("файл не читается обратно: %1 %2")
                               .arg(QString::fromUtf8(readstat_error_message(error)), read.error)
                               .trimmed());
    return read.summary;
}

} // namespace

void failStatisticsFile(StatisticsFormat format, const QString& reason) {
    throw AnalysisError(
        QStringLiteral("Не удалось создать файл %1: %2").arg(formatName(format), reason));
}

StatisticsFileSummary parseStatisticsFile(StatisticsFormat format, const QByteArray& path) {
    return parseStatistics(format, path, {});
}

StatisticsFileSummary readStatisticsFile(QByteArrayView bytes, StatisticsFormat format) {
    MemoryInput input{bytes};
    return parseStatistics(format, "", [&](readstat_parser_t* parser) {
        readstat_set_open_handler(parser, openMemory);
        readstat_set_close_handler(parser, closeMemory);
        readstat_set_seek_handler(parser, seekMemory);
        readstat_set_read_handler(parser, readMemory);
        readstat_set_update_handler(parser, updateMemory);
        readstat_set_io_ctx(parser, &input);
    });
}

} // namespace ezr
