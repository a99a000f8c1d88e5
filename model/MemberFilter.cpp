#include "MemberFilter.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "Regional.h"

#include <QRegularExpression>
#include <QStringList>

namespace ezr {

namespace {

[[noreturn]] void throwBadPart(const QString& part, const QString& expected) {
    throw AnalysisError(
        QStringLiteral("Неверное условие отбора «%1»: %2").arg(quotedInMessage(part), expected));
}

// "MIN-MAX": whole years, MIN not above MAX.
std::pair<int, int> parseAgeRange(const QString& part, const QString& value) {
    static const QRegularExpression range(QStringLiteral("^(\\d{1,3})-(\\d{1,3})$"));
    const QRegularExpressionMatch m = range.match(value);
    const QString expected = QStringLiteral("ожидается age=MIN-MAX, целые годы, MIN не больше MAX");
    if (!m.hasMatch())
        throwBadPart(part, expected);
    const int low = m.captured(1).toInt();
    const int high = m.captured(2).toInt();
    if (low > high)
        throwBadPart(part, expected);
    return {low, high};
}

// "YYYY-MM-DD..YYYY-MM-DD": real dates, the first not after the second.
std::pair<QDate, QDate> parseDateRange(const QString& part, const QString& value) {
    static const QRegularExpression range(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})\\.\\.(\\d{4}-\\d{2}-\\d{2})$"));
    const QRegularExpressionMatch m = range.match(value);
    const QString expected =
        QStringLiteral("ожидается date=ГГГГ-ММ-ДД..ГГГГ-ММ-ДД, первая дата не позже второй");
    if (!m.hasMatch())
        throwBadPart(part, expected);
    const QDate from = QDate::fromString(m.captured(1), Qt::ISODate);
    const QDate to = QDate::fromString(m.captured(2), Qt::ISODate);
    if (!from.isValid() || !to.isValid() || from > to)
        throwBadPart(part, expected);
    return {from, to};
}

} // namespace

bool MemberFilter::choosesAll() const {
    return !sex && !education && !minAge && !maxAge && !fromDate && !toDate && text.isEmpty() &&
           !codes;
}

std::optional<int> ageInYears(const ResponseHeader& header) {
    const std::optional<QDate> test = shortDateOf(header.testDate);
    const std::optional<QDate> birth = shortDateOf(header.birthDate);
    if (!test || !birth || *birth > *test)
        return std::nullopt;
    int years = test->year() - birth->year();
    if (test->month() < birth->month() ||
        (test->month() == birth->month() && test->day() < birth->day()))
        --years;
    return years;
}

bool matches(const MemberFilter& filter, const ResponseHeader& header, std::optional<int> age) {
    if (filter.sex && header.sex.trimmed() != *filter.sex)
        return false;
    if (filter.education && header.education.trimmed() != *filter.education)
        return false;
    if (filter.minAge && (!age || *age < *filter.minAge))
        return false;
    if (filter.maxAge && (!age || *age > *filter.maxAge))
        return false;
    if (filter.fromDate || filter.toDate) {
        const std::optional<QDate> date = shortDateOf(header.testDate);
        if (!date || (filter.fromDate && *date < *filter.fromDate) ||
            (filter.toDate && *date > *filter.toDate))
            return false;
    }
    if (!filter.text.isEmpty() && !header.code.contains(filter.text, Qt::CaseInsensitive) &&
        !header.name.contains(filter.text, Qt::CaseInsensitive))
        return false;
    if (filter.codes && !filter.codes->contains(header.code.trimmed()))
        return false;
    return true;
}

MemberFilter parseWhere(const QString& text) {
    MemberFilter filter;
    if (text.trimmed().isEmpty())
        throw AnalysisError(QStringLiteral("Пустое условие отбора: ожидается, например, "
                                           "sex=female,age=30-45"));
    QStringList seen;
    for (const QString& rawPart : text.split(QLatin1Char(','))) {
        const QString part = rawPart.trimmed();
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throwBadPart(part, QStringLiteral("ожидается ИМЯ=ЗНАЧЕНИЕ, где ИМЯ - sex, "
                                              "education, age или date"));
        const QString key = part.left(equals).trimmed().toLower();
        const QString value = part.mid(equals + 1).trimmed();
        if (seen.contains(key))
            throwBadPart(part, QStringLiteral("условие %1 задано дважды").arg(key));
        seen << key;
        if (key == u"sex") {
            if (value.compare(u"male", Qt::CaseInsensitive) == 0)
                filter.sex = MaleSex;
            else if (value.compare(u"female", Qt::CaseInsensitive) == 0)
                filter.sex = FemaleSex;
            else
                throwBadPart(part, QStringLiteral("ожидается sex=male или sex=female"));
        } else if (key == u"education") {
            if (value.compare(u"higher", Qt::CaseInsensitive) == 0)
                filter.education = HigherEducation;
            else if (value.compare(u"secondary", Qt::CaseInsensitive) == 0)
                filter.education = SecondaryEducation;
            else
                throwBadPart(part,
                             QStringLiteral("ожидается education=higher или education=secondary"));
        } else if (key == u"age") {
            const auto [low, high] = parseAgeRange(part, value);
            filter.minAge = low;
            filter.maxAge = high;
        } else if (key == u"date") {
            const auto [from, to] = parseDateRange(part, value);
            filter.fromDate = from;
            filter.toDate = to;
        } else {
            throwBadPart(part, QStringLiteral("известны только sex, education, age и date"));
        }
    }
    return filter;
}

QSet<QString> parseCodes(QByteArrayView bytes) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QSet<QString> codes;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView code = line.trimmed();
        if (!code.isEmpty())
            codes.insert(code.toString());
    }
    return codes;
}

QString describeFilter(const MemberFilter& filter) {
    QStringList parts;
    if (filter.sex)
        parts << QStringLiteral("пол: ") + *filter.sex;
    if (filter.education)
        parts << QStringLiteral("образование: ") + *filter.education;
    if (filter.minAge || filter.maxAge)
        parts << QStringLiteral("возраст: %1-%2")
                     .arg(filter.minAge ? QString::number(*filter.minAge) : QString(),
                          filter.maxAge ? QString::number(*filter.maxAge) : QString());
    if (filter.fromDate || filter.toDate)
        parts << QStringLiteral("дата обследования: %1..%2")
                     .arg(filter.fromDate ? filter.fromDate->toString(Qt::ISODate) : QString(),
                          filter.toDate ? filter.toDate->toString(Qt::ISODate) : QString());
    if (!filter.text.isEmpty())
        parts << QStringLiteral("текст: «%1»").arg(filter.text);
    if (filter.codes)
        parts << QStringLiteral("по списку кодов (%1)").arg(filter.codes->size());
    return parts.join(QStringLiteral(", "));
}

} // namespace ezr
