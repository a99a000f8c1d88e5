#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

// The dates of an answer sheet as people type them and spreadsheets give them: day.month.year
// with a four- or two-digit year, ISO yyyy-mm-dd, and the regional short form. One rule for
// the entry form and the table import, so that a date the one takes the other takes too.
namespace ezr {

// The test date: a two-digit year is 2000-2099 and must not lie after `today`; any date must
// be plausible: not before 1990 and not after the day after `today` (a clock a time zone
// away). Without a date, `problem` says why in Russian.
std::optional<QDate> readTestDate(QStringView text, const QDate& today, QString* problem);

// The birth date: a two-digit year takes the century that gives an age from 14 to 100 on
// `testDate`; any date must give such an age. Without a test date to measure by, a four-digit
// date is read as it stands and a two-digit year is refused.
std::optional<QDate> readBirthDate(QStringView text, const std::optional<QDate>& testDate,
                                   QString* problem);

// Full years between the birth and the test date.
int ageInYears(const QDate& birth, const QDate& testDate);

// The one form a response file holds a date in, whatever the settings: dd.mm.yyyy.
QString canonicalDateText(const QDate& date);

inline constexpr int EarliestTestYear = 1990;
inline constexpr int YoungestAge = 14;
inline constexpr int OldestAge = 100;

} // namespace ezr
