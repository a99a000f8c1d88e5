#include "AnalysisError.h"

#include <QDir>

namespace ezr {

AnalysisError AnalysisError::forMember(const QString& path) const {
    AnalysisError error(unnamed_.isEmpty() ? message_ : unnamed_);
    error.memberPath_ = QDir::toNativeSeparators(path);
    return error;
}

void throwCannotOpen(const QString& path) {
    throw AnalysisError(QStringLiteral("Cannot open file %1").arg(path),
                        QStringLiteral("Cannot open file"));
}

void throwFileTooLarge(const QString& path) {
    throw AnalysisError(
        QStringLiteral("Файл %1 слишком велик для файла данных (больше 1 МБ)").arg(path),
        QStringLiteral("Файл слишком велик для файла данных (больше 1 МБ)"));
}

void throwInvalidDate(QStringView text) {
    throw AnalysisError(QStringLiteral("'%1' is not a valid date").arg(quotedInMessage(text)));
}

void throwInvalidInteger(QStringView text) {
    throw AnalysisError(
        QStringLiteral("'%1' is not a valid integer value").arg(quotedInMessage(text)));
}

void throwInvalidFloat(QStringView text) {
    throw AnalysisError(
        QStringLiteral("'%1' is not a valid floating point value").arg(quotedInMessage(text)));
}

namespace {

QString shownInMessage(QChar c) {
    const char16_t u = c.unicode();
    if (u == 0)
        return QStringLiteral("\\0");
    if (u < 0x20 || (u >= 0x7F && u < 0xA0))
        return QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, u'0');
    return QString(c);
}

} // namespace

QString quotedInMessage(QStringView text) {
    constexpr qsizetype MaxLength = 80;
    QString quoted;
    qsizetype cut = -1; // where "…" goes if the text turns out too long
    for (const QChar c : text) {
        const QString piece = shownInMessage(c);
        if (cut < 0 && quoted.size() + piece.size() > MaxLength - 1)
            cut = quoted.size();
        quoted += piece;
        if (quoted.size() > MaxLength) {
            quoted.truncate(cut);
            return quoted + QChar(0x2026);
        }
    }
    return quoted;
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString errorBoxText(const AnalysisError& error) {
    QString text = errorBoxText(error.message());
    if (!error.memberPath().isEmpty())
        text += QLatin1Char('\n') + error.memberPath();
    return text;
}

} // namespace ezr
