#include "AnalysisError.h"

namespace ezr {

void throwCannotOpen(const QString& path) {
    throw AnalysisError(QStringLiteral("Cannot open file %1").arg(path));
}

void throwFileTooLarge(const QString& path) {
    throw AnalysisError(
        QStringLiteral("Файл %1 слишком велик для файла данных (больше 1 МБ)").arg(path));
}

void throwInvalidDate(QStringView text) {
    throw AnalysisError(QStringLiteral("'%1' is not a valid date").arg(text));
}

void throwInvalidInteger(QStringView text) {
    throw AnalysisError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

void throwInvalidFloat(QStringView text) {
    throw AnalysisError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

} // namespace ezr
