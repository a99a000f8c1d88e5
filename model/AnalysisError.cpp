#include "AnalysisError.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <locale.h>

namespace ezr {

AnalysisError AnalysisError::forMember(const QString& path) const {
    AnalysisError error(unnamed_.isEmpty() ? message_ : unnamed_);
    error.memberPath_ = pathInMessage(path);
    error.line_ = line_;
    error.field_ = field_;
    error.fileName_ = QFileInfo(path).fileName();
    return error;
}

AnalysisError AnalysisError::atLine(int line, const QString& field) const {
    AnalysisError error = *this;
    error.line_ = line;
    error.field_ = field;
    return error;
}

AnalysisError AnalysisError::inFile(const QString& fileName) const {
    AnalysisError error = *this;
    error.fileName_ = fileName;
    return error;
}

QString AnalysisError::placeText() const {
    if (line_ <= 0)
        return QString();
    const QString at = QStringLiteral("строка %1: %2").arg(line_).arg(field_);
    if (fileName_.isEmpty())
        return at.front().toUpper() + at.mid(1);
    return QStringLiteral("Файл %1, %2").arg(pathInMessage(fileName_), at);
}

void throwCannotOpen(const QString& path, int error) {
    const QString reason = systemReason(error);
    throw AnalysisError(QStringLiteral("Cannot open file %1. %2").arg(pathInMessage(path), reason),
                        QStringLiteral("Cannot open file. %1").arg(reason));
}

void throwFileTooLarge(const QString& path, qint64 maxSize) {
    // The limit as it is: response files, tables, norms and code lists each have their own.
    constexpr qint64 MiB = qint64{1024} * 1024;
    const QString limit = maxSize % MiB == 0    ? QStringLiteral("%1 МБ").arg(maxSize / MiB)
                          : maxSize % 1024 == 0 ? QStringLiteral("%1 КБ").arg(maxSize / 1024)
                                                : QStringLiteral("%1 байт").arg(maxSize);
    throw AnalysisError(
        QStringLiteral("Файл %1 слишком велик (больше %2)").arg(pathInMessage(path), limit),
        QStringLiteral("Файл слишком велик (больше %1)").arg(limit));
}

AnalysisError invalidDateError(QStringView text) {
    return AnalysisError(QStringLiteral("'%1' is not a valid date").arg(quotedInMessage(text)));
}

AnalysisError invalidIntegerError(QStringView text) {
    return AnalysisError(
        QStringLiteral("'%1' is not a valid integer value").arg(quotedInMessage(text)));
}

AnalysisError invalidFloatError(QStringView text) {
    return AnalysisError(
        QStringLiteral("'%1' is not a valid floating point value").arg(quotedInMessage(text)));
}

void throwInvalidDate(QStringView text) {
    throw invalidDateError(text);
}

void throwInvalidInteger(QStringView text) {
    throw invalidIntegerError(text);
}

void throwInvalidFloat(QStringView text) {
    throw invalidFloatError(text);
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

QString quotedInMessage(QStringView text, qsizetype maxLength) {
    const qsizetype limit = std::max<qsizetype>(maxLength, 1);
    QString quoted;
    qsizetype cut = -1; // where "…" goes if the text turns out too long
    for (const QChar c : text) {
        const QString piece = shownInMessage(c);
        if (cut < 0 && quoted.size() + piece.size() > limit - 1)
            cut = quoted.size();
        quoted += piece;
        if (quoted.size() > limit) {
            quoted.truncate(cut);
            return quoted + QChar(0x2026);
        }
    }
    return quoted;
}

QString pathInMessage(const QString& path) {
    constexpr qsizetype MaxLength = 120;
    constexpr qsizetype Head = 40;
    QString shown;
    for (const QChar c : QDir::toNativeSeparators(path))
        shown += shownInMessage(c);
    if (shown.size() <= MaxLength)
        return shown;
    // A cut through an escape such as \x1B leaves plain characters, never a control one.
    return shown.left(Head) + QChar(0x2026) + shown.right(MaxLength - Head - 1);
}

QString systemReason(int error) {
    // The C locale's texts: the command's messages are English, and a localised reason would
    // mix two languages in one line.
    static const locale_t english = newlocale(LC_ALL_MASK, "C", locale_t(0));
    if (english)
        return QString::fromLocal8Bit(strerror_l(error, english));
    return QString::fromLocal8Bit(std::strerror(error));
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString errorBoxText(const AnalysisError& error) {
    QString text = errorBoxText(error.message());
    const QString place = error.placeText();
    if (!place.isEmpty())
        text += QLatin1Char('\n') + place;
    if (!error.memberPath().isEmpty())
        text += QLatin1Char('\n') + error.memberPath();
    return text;
}

} // namespace ezr
