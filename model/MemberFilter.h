#pragma once

#include "ResponseFile.h"

#include <QByteArrayView>
#include <QDate>
#include <QSet>
#include <QString>

#include <optional>

// Which examinees of a folder a group takes: by the header of their response files, by a
// part of their code or name, or by a list of codes. Every field left unset chooses all.
namespace ezr {

struct MemberFilter {
    std::optional<QString> sex = std::nullopt;       // MaleSex or FemaleSex (model/Domain.h)
    std::optional<QString> education = std::nullopt; // HigherEducation or SecondaryEducation
    std::optional<int> minAge = std::nullopt, maxAge = std::nullopt;     // whole years, inclusive
    std::optional<QDate> fromDate = std::nullopt, toDate = std::nullopt; // test date, inclusive
    QString text = {};                                 // case-insensitive part of the code or name
    std::optional<QSet<QString>> codes = std::nullopt; // only these codes (trimmed)
    bool choosesAll() const;
    friend bool operator==(const MemberFilter&, const MemberFilter&) = default;
};

// The header as the response file gives it; age in whole years, nullopt when unknown
// (an unknown age or date fails any age or date bound).
bool matches(const MemberFilter& filter, const ResponseHeader& header, std::optional<int> age);

// The examinee's age in whole calendar years on the test date; nullopt when either date does
// not read or the birth date is after the test.
std::optional<int> ageInYears(const ResponseHeader& header);

// "sex=male,education=higher,age=30-45,date=2024-01-01..2024-12-31" (any subset);
// throws AnalysisError with a Russian message naming the bad part.
MemberFilter parseWhere(const QString& text);

// One code per line, blank lines and surrounding blanks ignored.
QSet<QString> parseCodes(QByteArrayView bytes);

// The filter in words for a norm's description and the report: "пол: Женский, возраст:
// 30-45"; empty when it chooses all.
QString describeFilter(const MemberFilter& filter);

} // namespace ezr
