#pragma once

// An SPSS or Stata file read from disk with ReadStat's own file reader, independent of the
// program's read-back from memory: the header, every variable and every value.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <readstat.h>

struct StatisticsData {
    bool parsed = false;
    QString label;
    long headerCases = -1;
    QList<QByteArray> names;
    QStringList labels;
    QList<QByteArray> formats;
    QList<bool> numeric;
    // [case][variable]: a number as double, a text as QString, a missing number invalid.
    QList<QList<QVariant>> cases;
};

namespace statistics_reader {

inline int metadata(readstat_metadata_t* metadata, void* context) {
    auto* data = static_cast<StatisticsData*>(context);
    data->label = QString::fromUtf8(readstat_get_file_label(metadata));
    data->headerCases = readstat_get_row_count(metadata);
    return READSTAT_HANDLER_OK;
}

inline int variable(int, readstat_variable_t* variable, const char*, void* context) {
    auto* data = static_cast<StatisticsData*>(context);
    data->names.append(readstat_variable_get_name(variable));
    data->labels.append(QString::fromUtf8(readstat_variable_get_label(variable)));
    data->formats.append(readstat_variable_get_format(variable));
    data->numeric.append(readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_NUMERIC);
    return READSTAT_HANDLER_OK;
}

inline int value(int observation, readstat_variable_t* variable, readstat_value_t value,
                 void* context) {
    auto* data = static_cast<StatisticsData*>(context);
    while (data->cases.size() <= observation)
        data->cases.append(QList<QVariant>(data->names.size()));
    QVariant& cell = data->cases[observation][readstat_variable_get_index(variable)];
    if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING)
        cell = QString::fromUtf8(readstat_string_value(value));
    else if (!readstat_value_is_system_missing(value))
        cell = readstat_double_value(value);
    return READSTAT_HANDLER_OK;
}

} // namespace statistics_reader

inline StatisticsData readStatisticsData(const QString& path, bool spss) {
    StatisticsData data;
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, statistics_reader::metadata);
    readstat_set_variable_handler(parser, statistics_reader::variable);
    readstat_set_value_handler(parser, statistics_reader::value);
    const QByteArray name = QFile::encodeName(path);
    const readstat_error_t error = spss ? readstat_parse_sav(parser, name.constData(), &data)
                                        : readstat_parse_dta(parser, name.constData(), &data);
    readstat_parser_free(parser);
    data.parsed = error == READSTAT_OK;
    return data;
}
