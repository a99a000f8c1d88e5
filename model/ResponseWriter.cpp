#include "ResponseWriter.h"

#include "ResponseFile.h"
#include "SheetDates.h"

#include <QStringList>

#include <algorithm>
#include <charconv>

namespace ezr {

QString formatAnswerTime(double seconds, QChar decimalSeparator) {
    // The shortest fixed-point digits that read back as the same double: a time entered as
    // 12.35 is written as 12.35, never as 12.3499999.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer - 2, seconds, std::chars_format::fixed);
    char* end = result.ptr;
    char* point = std::find(buffer, end, '.');
    if (point == end) {
        *end++ = '.';
        *end++ = '0';
    }
    QString text = QString::fromLatin1(buffer, end - buffer);
    text[point - buffer] = decimalSeparator;
    return text;
}

namespace {

// A field right-aligned in `width` characters, as QString::arg(field, width) puts it.
template <class Text> void appendRightAligned(QString& line, const Text& text, qsizetype width) {
    for (qsizetype pad = width - text.size(); pad > 0; --pad)
        line.append(QLatin1Char(' '));
    line.append(text);
}

void appendRightAligned(QString& line, std::int32_t value, qsizetype width) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    appendRightAligned(line, QLatin1StringView(digits, result.ptr - digits), width);
}

} // namespace

// The two marks in five characters each and the time in eight, right-aligned.
QString itemLine(MarkPair marks, double seconds, QChar decimalSeparator) {
    const QString time = formatAnswerTime(seconds, decimalSeparator);
    QString line;
    line.reserve(10 + std::max<qsizetype>(8, time.size()));
    appendRightAligned(line, marks.resultative, 5);
    appendRightAligned(line, marks.procedural, 5);
    appendRightAligned(line, time, 8);
    return line;
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
