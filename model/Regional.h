#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

// Numbers and dates follow the user's regional settings, read through QLocale() so that
// tests can choose them with QLocale::setDefault. The response files are written under the
// same settings.
namespace ezr {

// When the platform has no locale at all (C/POSIX), the program behaves as under Russian
// settings. Otherwise nothing is set, which keeps Linux's separate LC_NUMERIC/LC_TIME.
void installRegionalDefaults();

QChar decimalSeparator();

// Strict integer: leading blanks, an optional sign, digits and nothing else.
std::int32_t parseInteger(QStringView text);
// Floating point: blanks around, a sign, the regional decimal separator, an exponent;
// no thousands separators.
double parseFloat(QStringView text);
// Same as parseFloat with the separator given (hot path of the response-file reader).
bool tryParseFloat(QStringView text, QChar decimalPoint, double& value);
bool tryParseInteger(QStringView text, std::int32_t& value);
// A number of a response file, written under the data-entry machine's settings: the regional
// separator, else the other of comma and point. The file's numbers have no thousands
// separators, so either reading is unambiguous.
bool tryParseStoredFloat(QStringView text, QChar decimalPoint, double& value);

// A date in the regional short-date order and separator, else as day.month.year (what the
// data-entry program writes under Russian settings); a 2-digit year is windowed.
QDate parseShortDate(QStringView text);
// The same, or nothing when the text is no such date.
std::optional<QDate> shortDateOf(QStringView text);
QString formatShortDate(const QDate& date);

// printf-like "%W.Pf" with the regional decimal separator; halves round away from zero
// on the shortest decimal form of the value, as a reader of the numbers expects.
QString formatFixed(double value, int width, int decimals);
// The number formatFixed shows with `decimals` decimals, as a number.
double roundedFixed(double value, int decimals);
// Fixed notation with 2 decimals after rounding to 5 significant digits.
QString formatSignificant5(double value);
// printf-like "%Wd".
QString formatInt(long long value, int width);

} // namespace ezr
