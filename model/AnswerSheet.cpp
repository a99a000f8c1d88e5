#include "AnswerSheet.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "ResponseWriter.h"
#include "SheetDates.h"

#include <cmath>
#include <optional>

namespace ezr {

QString itemColumn(int item) {
    return QString::number(item);
}

QString timeColumn(int item) {
    return QStringLiteral("t%1").arg(item);
}

std::array<QString, 4> handEnteredTimingLines() {
    return {QStringLiteral("Бланк введён вручную"), TimesNotMeasuredText, QString(), QString()};
}

std::array<QString, 4> importedTimingLines(bool timesMeasured) {
    return {QStringLiteral("Ответы перенесены из таблицы"),
            timesMeasured ? QStringLiteral("Время ответа взято из таблицы") : TimesNotMeasuredText,
            QString(), QString()};
}

ItemAnswer itemAnswer(MarkPair marks) {
    if (marks.resultative == 1 && marks.procedural == 0)
        return ItemAnswer::Resultative;
    if (marks.resultative == 0 && marks.procedural == 1)
        return ItemAnswer::Procedural;
    return ItemAnswer::None;
}

MarkPair marksFor(ItemAnswer answer) {
    switch (answer) {
    case ItemAnswer::Resultative:
        return {1, 0};
    case ItemAnswer::Procedural:
        return {0, 1};
    case ItemAnswer::None:
        break;
    }
    return {0, 0};
}

std::optional<ItemAnswer> answerFromText(QStringView text) {
    const QString folded = text.trimmed().toString().toCaseFolded();
    if (folded.isEmpty())
        return ItemAnswer::None;
    // The keys of the entry form too: R/P in the Latin layout, H/G where a Russian keyboard
    // has Р and П, typed without switching the layout.
    static const QStringList resultative = {QStringLiteral("ро"), QStringLiteral("1"),
                                            QStringLiteral("р"), QStringLiteral("r"),
                                            QStringLiteral("h")};
    static const QStringList procedural = {QStringLiteral("по"), QStringLiteral("2"),
                                           QStringLiteral("п"), QStringLiteral("p"),
                                           QStringLiteral("g")};
    if (resultative.contains(folded))
        return ItemAnswer::Resultative;
    if (procedural.contains(folded))
        return ItemAnswer::Procedural;
    return std::nullopt;
}

bool answerTimesMeasured(const std::array<double, ItemCount>& times) {
    for (const double t : times)
        if (t != 0.0)
            return true;
    return false;
}

namespace {

// A header text becomes one line of a Windows-1251 file: a line break would shift every
// later line, a character outside the code page would come back as "?".
std::optional<QString> lineProblem(const QString& text) {
    if (text.size() > MaxSheetTextLength)
        return QStringLiteral("текст длиннее %1 знаков").arg(MaxSheetTextLength);
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("управляющий символ в тексте");
    if (decodeWindows1251(encodeWindows1251(text)) != text)
        return QStringLiteral("символ, которого нет в кодировке Windows-1251");
    return std::nullopt;
}

std::optional<QString> codeProblem(const QString& code) {
    if (code.trimmed().isEmpty())
        return QStringLiteral("код не заполнен");
    if (code != code.trimmed())
        return QStringLiteral("пробел в начале или в конце кода");
    if (code == QStringLiteral(".") || code == QStringLiteral(".."))
        return QStringLiteral("код не годится для имени файла");
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : code)
        if (forbidden.contains(c))
            return QStringLiteral("знак «%1» в коде: код становится именем файла").arg(c);
    if (code.size() > 64)
        return QStringLiteral("код длиннее 64 знаков");
    return lineProblem(code);
}

} // namespace

QList<SheetProblem> checkSheet(const AnswerSheet& sheet) {
    QList<SheetProblem> problems;
    const auto add = [&problems](const QString& column, const QString& reason) {
        problems.append({column, reason});
    };
    QString problem;
    const std::optional<QDate> test = readTestDate(sheet.testDate, QDate::currentDate(), &problem);
    if (!test)
        add(TestDateColumn, problem);
    if (!readBirthDate(sheet.birthDate, test, &problem))
        add(BirthDateColumn, problem);
    if (const auto problem = codeProblem(sheet.code))
        add(CodeColumn, *problem);
    if (const auto problem = lineProblem(sheet.name))
        add(NameColumn, *problem);
    if (sheet.sex != MaleSex && sheet.sex != FemaleSex)
        add(SexColumn, QStringLiteral("нужно «%1» или «%2»").arg(MaleSex, FemaleSex));
    if (sheet.education != HigherEducation && sheet.education != SecondaryEducation)
        add(EducationColumn,
            QStringLiteral("нужно «%1» или «%2»").arg(HigherEducation, SecondaryEducation));
    for (const QString& line : sheet.timingLines)
        if (const auto problem = lineProblem(line))
            add(QStringLiteral("Время теста"), *problem);
    for (int item = 1; item <= ItemCount; ++item) {
        const auto i = static_cast<std::size_t>(item - 1);
        if (itemAnswer(sheet.marks[i]) == ItemAnswer::None)
            problems.append(
                {itemColumn(item), QStringLiteral("нет ответа (нужно РО или ПО)"), item});
    }
    for (int item = 1; item <= ItemCount; ++item) {
        const double t = sheet.answerTimes[static_cast<std::size_t>(item - 1)];
        if (!std::isfinite(t) || t < 0.0)
            add(timeColumn(item), QStringLiteral("время ответа не может быть отрицательным"));
        else if (formatAnswerTime(t, QLatin1Char('.')).size() > 8)
            add(timeColumn(item), QStringLiteral("время ответа не помещается в 8 знаков"));
    }
    return problems;
}

AnswerSheet readAnswerSheet(QByteArrayView stored) {
    const QString text = decodeWindows1251(unscrambleText(stored));
    const QList<QStringView> lines = splitLines(text);
    const ResponseHeader header = readHeader(lines);
    AnswerSheet sheet;
    sheet.testDate = header.testDate;
    sheet.birthDate = header.birthDate;
    sheet.code = header.code;
    sheet.name = header.name;
    sheet.sex = header.sex;
    sheet.education = header.education;
    sheet.timingLines = header.timingLines;
    sheet.line10 = lineAt(lines, 10).toString();
    AnalysisRecord record;
    readItemLines(lines, record);
    for (std::size_t i = 0; i < ItemCount; ++i)
        sheet.marks[i] = record.answers[i / ItemsPerStimulus][i % ItemsPerStimulus];
    sheet.answerTimes = record.answerTimes;
    return sheet;
}

} // namespace ezr
