#include "ResponseWriter.h"

#include "ResponseFile.h"
#include "SheetDates.h"

#include <QStringList>

#include <charconv>

namespace ezr {

QString formatAnswerTime(double seconds, QChar decimalSeparator) {
    // The shortest fixed-point digits that read back as the same double: a time entered as
    // 12.35 is written as 12.35, never as 12.3499999.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        text += decimalSeparator + QStringLiteral("0");
    else
        text[point] = decimalSeparator;
    return text;
}

QString itemLine(MarkPair marks, double seconds, QChar decimalSeparator) {
    return QStringLiteral("%1%2%3")
        .arg(marks.resultative, 5)
        .arg(marks.procedural, 5)
        .arg(formatAnswerTime(seconds, decimalSeparator), 8);
}

QString responsePlainText(const AnswerSheet& sheet, QChar decimalSeparator) {
    QStringList lines;
    lines.reserve(11 + ItemCount);
    lines << sheet.testDate << sheet.birthDate << sheet.code << sheet.name << sheet.sex
          << sheet.education;
    for (const QString& timing : sheet.timingLines)
        lines << timing;
    lines << sheet.line10;
    for (std::size_t i = 0; i < ItemCount; ++i)
        lines << itemLine(sheet.marks[i], sheet.answerTimes[i], decimalSeparator);
    return lines.join(QStringLiteral("\r\n"));
}

QByteArray scramblePlainText(QStringView plain) {
    // Scrambling is its own inverse.
    return unscrambleText(encodeWindows1251(plain));
}

QByteArray responseFileBytes(const AnswerSheet& sheet, QChar decimalSeparator) {
    return scramblePlainText(responsePlainText(sheet, decimalSeparator));
}

AnswerSheet canonicalSheet(const AnswerSheet& sheet) {
    AnswerSheet canonical = sheet;
    QString ignored;
    const std::optional<QDate> test = readTestDate(sheet.testDate, QDate::currentDate(), &ignored);
    if (test)
        canonical.testDate = canonicalDateText(*test);
    if (const std::optional<QDate> birth = readBirthDate(sheet.birthDate, test, &ignored))
        canonical.birthDate = canonicalDateText(*birth);
    return canonical;
}

QByteArray canonicalResponseBytes(const AnswerSheet& sheet) {
    return responseFileBytes(canonicalSheet(sheet), CanonicalDecimalSeparator);
}

QString responseFileNameFor(const QString& code) {
    return code + QStringLiteral(".cry");
}

} // namespace ezr
