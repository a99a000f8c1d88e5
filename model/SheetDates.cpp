#include "SheetDates.h"

#include "AnalysisError.h"
#include "Regional.h"

#include <QLocale>

namespace ezr {

namespace {

// A date's parts as typed; `year` is as written, `yearDigits` says whether it needs a century.
struct DateParts {
    int day = 0;
    int month = 0;
    int year = 0;
    int yearDigits = 0;
};

// Up to three groups of ASCII digits split by one separator character, nothing else.
bool splitParts(QStringView text, QChar separator, int values[3], int digits[3]) {
    int part = 0;
    for (int k = 0; k < 3; ++k)
        values[k] = digits[k] = 0;
    for (const QChar c : text) {
        if (c == separator) {
            if (++part > 2)
                return false;
        } else if (c.unicode() >= u'0' && c.unicode() <= u'9' && digits[part] < 4) {
            values[part] = values[part] * 10 + (c.unicode() - u'0');
            ++digits[part];
        } else {
            return false;
        }
    }
    return part == 2 && digits[0] > 0 && digits[1] > 0 && digits[2] > 0;
}

// The regional short form's order ("dMy", "Mdy", "yMd") and separator.
std::optional<DateParts> regionalParts(QStringView text) {
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    QString order;
    QChar separator;
    for (const QChar c : format) {
        const char letter = c.toLatin1();
        if (letter == 'd' || letter == 'M' || letter == 'y') {
            if (order.isEmpty() || order.back() != c)
                order += c;
        } else if (separator.isNull() && !order.isEmpty() && c != QLatin1Char(' ')) {
            separator = c;
        }
    }
    int values[3], digits[3];
    if (order.size() != 3 || separator.isNull() || !splitParts(text, separator, values, digits))
        return std::nullopt;
    DateParts parts;
    for (int k = 0; k < 3; ++k) {
        const char letter = order[k].toLatin1();
        if (letter == 'd' && digits[k] <= 2)
            parts.day = values[k];
        else if (letter == 'M' && digits[k] <= 2)
            parts.month = values[k];
        else if (letter == 'y' && (digits[k] == 2 || digits[k] == 4))
            parts.year = values[k], parts.yearDigits = digits[k];
        else
            return std::nullopt;
    }
    return parts;
}

// dd.mm.yyyy, dd.mm.yy, yyyy-mm-dd, then the regional short form.
std::optional<DateParts> partsOf(QStringView text) {
    int values[3], digits[3];
    if (splitParts(text, QLatin1Char('.'), values, digits) && digits[0] <= 2 && digits[1] <= 2 &&
        (digits[2] == 2 || digits[2] == 4))
        return DateParts{values[0], values[1], values[2], digits[2]};
    if (splitParts(text, QLatin1Char('-'), values, digits) && digits[0] == 4 && digits[1] == 2 &&
        digits[2] == 2)
        return DateParts{values[2], values[1], values[0], 4};
    return regionalParts(text);
}

QString notADate(QStringView text) {
    return QStringLiteral("«%1» — не дата (нужно как 06.06.2006, 06.06.06 или 2006-06-06)")
        .arg(quotedInMessage(text));
}

// The parts of a non-empty date, or the problem.
std::optional<DateParts> readParts(QStringView text, QString* problem) {
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *problem = QStringLiteral("дата не заполнена");
        return std::nullopt;
    }
    std::optional<DateParts> parts = partsOf(trimmed);
    if (!parts)
        *problem = notADate(trimmed);
    return parts;
}

std::optional<QDate> realDate(const DateParts& parts, int year, QStringView text,
                              QString* problem) {
    const QDate date(year, parts.month, parts.day);
    if (!date.isValid()) {
        *problem = QStringLiteral("«%1» — такого дня нет").arg(quotedInMessage(text.trimmed()));
        return std::nullopt;
    }
    return date;
}

} // namespace

int ageInYears(const QDate& birth, const QDate& testDate) {
    int age = testDate.year() - birth.year();
    if (testDate.month() < birth.month() ||
        (testDate.month() == birth.month() && testDate.day() < birth.day()))
        --age;
    return age;
}

std::optional<QDate> readTestDate(QStringView text, const QDate& today, QString* problem) {
    const std::optional<DateParts> parts = readParts(text, problem);
    if (!parts)
        return std::nullopt;
    const int year = parts->yearDigits == 2 ? 2000 + parts->year : parts->year;
    const std::optional<QDate> date = realDate(*parts, year, text, problem);
    if (!date)
        return std::nullopt;
    if (parts->yearDigits == 2 && *date > today) {
        *problem = QStringLiteral("«%1» — дата %2 ещё не наступила (укажите год полностью)")
                       .arg(quotedInMessage(text.trimmed()), canonicalDateText(*date));
        return std::nullopt;
    }
    if (*date > today.addDays(1) || date->year() < EarliestTestYear) {
        *problem = QStringLiteral("дата обследования %1 — нужно от 01.01.%2 до сегодняшнего дня")
                       .arg(canonicalDateText(*date))
                       .arg(EarliestTestYear);
        return std::nullopt;
    }
    return date;
}

std::optional<QDate> readBirthDate(QStringView text, const std::optional<QDate>& testDate,
                                   QString* problem) {
    const std::optional<DateParts> parts = readParts(text, problem);
    if (!parts)
        return std::nullopt;
    if (parts->yearDigits == 2) {
        if (!testDate) {
            *problem = QStringLiteral("«%1» — год из двух цифр: век не определить без даты "
                                      "обследования")
                           .arg(quotedInMessage(text.trimmed()));
            return std::nullopt;
        }
        // Ages 14-100 span less than a century: at most one century fits.
        for (int century = testDate->year() / 100 * 100;
             century >= testDate->year() / 100 * 100 - 200; century -= 100) {
            const QDate date(century + parts->year, parts->month, parts->day);
            if (date.isValid() && ageInYears(date, *testDate) >= YoungestAge &&
                ageInYears(date, *testDate) <= OldestAge)
                return date;
        }
        if (!realDate(*parts, 1900 + parts->year, text, problem))
            return std::nullopt;
        *problem = QStringLiteral("«%1» — ни в каком веке не даёт возраст от %2 до %3 лет "
                                  "(укажите год полностью)")
                       .arg(quotedInMessage(text.trimmed()))
                       .arg(YoungestAge)
                       .arg(OldestAge);
        return std::nullopt;
    }
    const std::optional<QDate> date = realDate(*parts, parts->year, text, problem);
    if (!date || !testDate)
        return date;
    const int age = ageInYears(*date, *testDate);
    if (*date >= *testDate) {
        *problem = QStringLiteral("дата рождения не раньше даты обследования");
        return std::nullopt;
    }
    if (age < YoungestAge || age > OldestAge) {
        *problem = QStringLiteral("возраст на дату обследования %1 — нужно от %2 до %3 лет")
                       .arg(age)
                       .arg(YoungestAge)
                       .arg(OldestAge);
        return std::nullopt;
    }
    return date;
}

QString canonicalDateText(const QDate& date) {
    // Digits formatted by hand: QDate::toString would follow no locale, but the year of a
    // date before 1000 must still carry four digits.
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace ezr
