#pragma once

#include "NormComparison.h"
#include "ResponseFile.h"

#include <QDate>
#include <QString>

#include <optional>

// Who a group is made of, as the members' response files say: how many women and men, with
// higher and secondary education, the ages and the days of their tests. A group's report
// heads with this, not with the norm's traits or the day of the analysis.
namespace ezr {

struct GroupComposition {
    int members = 0;
    int women = 0;
    int men = 0;
    int higher = 0;
    int secondary = 0;
    std::optional<int> youngest, oldest;      // whole years on the test day, when known
    std::optional<QDate> firstTest, lastTest; // the members' test dates, when they read
    void add(const ResponseHeader& header);
    friend bool operator==(const GroupComposition&, const GroupComposition&) = default;
};

// "Группа: 12 обследуемых (женщин 5, мужчин 7; высшее 8, среднее 4; возраст 24–58)"; a
// part nobody's file tells is left out.
QString compositionText(const GroupComposition& composition);
// "Обследования: 12.03.2024–17.05.2024" (one date when all are the same day); empty when no
// date reads.
QString testPeriodText(const GroupComposition& composition);
// "Норма: высшее образование"
QString normLineText(const Norm& norm);

} // namespace ezr
