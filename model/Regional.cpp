#include "Regional.h"

#include "AnalysisError.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ezr {

void installRegionalDefaults() {
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

QChar decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

bool tryParseInteger(QStringView text, std::int32_t& value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        return false;
    long long magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > 2147483648LL)
            return false;
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

std::int32_t parseInteger(QStringView text) {
    std::int32_t value = 0;
    if (!tryParseInteger(text, value))
        throwInvalidInteger(text);
    return value;
}

namespace {

// A number's characters gathered for from_chars, its digits also as an integer for the
// common short case.
struct FloatDigits {
    char buffer[72];
    int length = 0;
    bool negative = false;
    bool exponent = false;
    std::uint64_t mantissa = 0;
    int mantissaDigits = 0;
    int fractionDigits = 0;
};

// The sign, the digits and the fraction from `i` (before `end`, which it is not); false when
// there is no digit.
bool readMantissa(QStringView text, qsizetype& i, qsizetype end, QChar decimalPoint,
                  FloatDigits& d) {
    const auto at = [&](qsizetype k) { return text[k].unicode(); };
    if (at(i) == u'+' || at(i) == u'-') {
        d.negative = at(i) == u'-';
        if (d.negative)
            d.buffer[d.length++] = '-';
        ++i;
    }
    for (; i < end && at(i) >= u'0' && at(i) <= u'9'; ++i, ++d.mantissaDigits) {
        d.buffer[d.length++] = static_cast<char>(at(i));
        d.mantissa = d.mantissa * 10 + (at(i) - u'0');
    }
    if (i < end && text[i] == decimalPoint) {
        d.buffer[d.length++] = '.';
        for (++i; i < end && at(i) >= u'0' && at(i) <= u'9'; ++i, ++d.mantissaDigits) {
            d.buffer[d.length++] = static_cast<char>(at(i));
            d.mantissa = d.mantissa * 10 + (at(i) - u'0');
            ++d.fractionDigits;
        }
    }
    return d.mantissaDigits != 0;
}

// The exponent from `i`, when one follows; false when it has no digits.
bool readExponent(QStringView text, qsizetype& i, qsizetype end, FloatDigits& d) {
    const auto at = [&](qsizetype k) { return text[k].unicode(); };
    if (i >= end || (at(i) != u'e' && at(i) != u'E'))
        return true;
    d.exponent = true;
    d.buffer[d.length++] = 'e';
    ++i;
    if (i < end && (at(i) == u'+' || at(i) == u'-'))
        d.buffer[d.length++] = static_cast<char>(at(i++));
    int exponentDigits = 0;
    for (; i < end && at(i) >= u'0' && at(i) <= u'9'; ++i, ++exponentDigits)
        d.buffer[d.length++] = static_cast<char>(at(i));
    return exponentDigits != 0;
}

// Up to 15 digits without an exponent the integer and the power of ten are exact doubles, and
// one IEEE division rounds correctly: the same value as from_chars, at a fraction of the cost.
double shortValue(const FloatDigits& d) {
    static constexpr double PowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double magnitude = static_cast<double>(d.mantissa) / PowersOfTen[d.fractionDigits];
    return d.negative ? -magnitude : magnitude;
}

} // namespace

bool tryParseFloat(QStringView text, QChar decimalPoint, double& value) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    if (end - begin > 64 || begin == end)
        return false;

    FloatDigits d;
    qsizetype i = begin;
    if (!readMantissa(text, i, end, decimalPoint, d) || !readExponent(text, i, end, d) || i != end)
        return false;
    if (!d.exponent && d.mantissaDigits <= 15) {
        value = shortValue(d);
        return true;
    }
    const auto result = std::from_chars(d.buffer, d.buffer + d.length, value);
    return result.ec == std::errc() && result.ptr == d.buffer + d.length && std::isfinite(value);
}

bool tryParseStoredFloat(QStringView text, QChar decimalPoint, double& value) {
    if (tryParseFloat(text, decimalPoint, value))
        return true;
    const QChar other = decimalPoint == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    return tryParseFloat(text, other, value);
}

double parseFloat(QStringView text) {
    double value = 0.0;
    if (!tryParseFloat(text, decimalSeparator(), value))
        throwInvalidFloat(text);
    return value;
}

namespace {

struct DateOrder {
    char parts[3] = {'d', 'M', 'y'};
    QChar separator = QLatin1Char('.');
};

DateOrder shortDateOrder() {
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    DateOrder order;
    int found = 0;
    bool separatorFound = false;
    for (const QChar c : format) {
        const char letter = c.toLatin1();
        if (letter == 'd' || letter == 'M' || letter == 'y') {
            if (found == 0 || order.parts[found - 1] != letter) {
                if (found < 3)
                    order.parts[found] = letter;
                ++found;
            }
        } else if (!separatorFound && found > 0 && c != QLatin1Char(' ')) {
            order.separator = c;
            separatorFound = true;
        }
    }
    if (found != 3)
        return DateOrder{};
    return order;
}

int windowYear(int twoDigitYear) {
    // Two-digit years fall in the century window around today.
    const int current = QDate::currentDate().year();
    int year = current / 100 * 100 + twoDigitYear;
    if (year > current + 50)
        year -= 100;
    else if (year <= current - 50)
        year += 100;
    return year;
}

} // namespace

namespace {

// The date in the given order, or an invalid date when the text is not one in that order.
QDate dateInOrder(QStringView trimmed, const DateOrder& order) {
    int values[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (const QChar c : trimmed) {
        if (c == order.separator) {
            if (++part > 2)
                return {};
        } else if (c.isDigit() && c.unicode() < 128 && digits[part] < 4) {
            values[part] = values[part] * 10 + (c.unicode() - u'0');
            ++digits[part];
        } else {
            return {};
        }
    }
    if (part != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0)
        return {};
    int day = 0, month = 0, year = 0;
    for (int k = 0; k < 3; ++k) {
        switch (order.parts[k]) {
        case 'd':
            day = values[k];
            break;
        case 'M':
            month = values[k];
            break;
        default:
            year = digits[k] <= 2 ? windowYear(values[k]) : values[k];
            break;
        }
    }
    const QDate date(year, month, day);
    return year >= 1 ? date : QDate();
}

} // namespace

QDate parseShortDate(QStringView text) {
    const QStringView trimmed = text.trimmed();
    QDate date = dateInOrder(trimmed, shortDateOrder());
    // The data-entry program writes day.month.year under Russian settings; such files are
    // read on a desktop with other settings too.
    if (!date.isValid())
        date = dateInOrder(trimmed, DateOrder{});
    if (!date.isValid())
        throwInvalidDate(text);
    return date;
}

std::optional<QDate> shortDateOf(QStringView text) {
    try {
        return parseShortDate(text);
    } catch (const AnalysisError&) {
        return std::nullopt;
    }
}

QString formatShortDate(const QDate& date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

namespace {

// The shortest decimal digits that read back as the value, with the position of the point.
struct DecimalDigits {
    std::string digits;    // no leading zeros unless the value is zero
    int pointPosition = 0; // digits before the decimal point (may be <= 0 or > size)
};

DecimalDigits shortestDigits(double magnitude) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    const std::string text(buffer, result.ptr);
    const auto e = text.find('e');
    DecimalDigits d;
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            d.digits.push_back(text[i]);
    d.pointPosition = std::stoi(text.substr(e + 1)) + 1;
    return d;
}

// Keeps `keep` digits, rounding a half away from zero.
void roundDigits(DecimalDigits& d, int keep) {
    if (keep < 0) {
        d.digits.assign(1, '0');
        d.pointPosition = 1;
        return;
    }
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
            d.digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPosition;
        }
    }
    if (d.digits.empty()) {
        d.digits.assign(1, '0');
        d.pointPosition = 1;
    }
}

QString fixedText(bool negative, const DecimalDigits& d, int decimals) {
    std::string out;
    if (d.pointPosition <= 0) {
        out.assign(1, '0');
    } else {
        for (int i = 0; i < d.pointPosition; ++i)
            out.push_back(i < static_cast<int>(d.digits.size())
                              ? d.digits[static_cast<std::size_t>(i)]
                              : '0');
    }
    std::string fraction;
    for (int i = 0; i < decimals; ++i) {
        const int index = d.pointPosition + i;
        fraction.push_back(index >= 0 && index < static_cast<int>(d.digits.size())
                               ? d.digits[static_cast<std::size_t>(index)]
                               : '0');
    }
    const bool zero = out.find_first_not_of('0') == std::string::npos &&
                      fraction.find_first_not_of('0') == std::string::npos;
    QString result;
    if (negative && !zero)
        result += QLatin1Char('-');
    result += QLatin1String(out.data(), static_cast<qsizetype>(out.size()));
    if (decimals > 0) {
        result += decimalSeparator();
        result += QLatin1String(fraction.data(), static_cast<qsizetype>(fraction.size()));
    }
    return result;
}

QString padLeft(QString text, int width) {
    if (text.size() < width)
        text.prepend(QString(width - text.size(), QLatin1Char(' ')));
    return text;
}

QString nonFinite(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

} // namespace

double roundedFixed(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    DecimalDigits d = shortestDigits(std::fabs(value));
    roundDigits(d, d.pointPosition + decimals);
    // The kept digits are the shown number exactly; the nearest double stands for it.
    const std::string scientific =
        d.digits + 'e' + std::to_string(d.pointPosition - static_cast<int>(d.digits.size()));
    double magnitude = 0.0;
    std::from_chars(scientific.data(), scientific.data() + scientific.size(), magnitude);
    return std::signbit(value) ? -magnitude : magnitude;
}

QString formatFixed(double value, int width, int decimals) {
    if (!std::isfinite(value))
        return padLeft(nonFinite(value), width);
    DecimalDigits d = shortestDigits(std::fabs(value));
    roundDigits(d, d.pointPosition + decimals);
    return padLeft(fixedText(std::signbit(value), d, decimals), width);
}

QString formatSignificant5(double value) {
    if (!std::isfinite(value))
        return nonFinite(value);
    DecimalDigits d = shortestDigits(std::fabs(value));
    roundDigits(d, 5);
    roundDigits(d, d.pointPosition + 2);
    return fixedText(std::signbit(value), d, 2);
}

QString formatInt(long long value, int width) {
    return padLeft(QString::number(value), width);
}

} // namespace ezr
