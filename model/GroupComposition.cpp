#include "GroupComposition.h"

#include "Domain.h"
#include "MemberFilter.h"
#include "Regional.h"

#include <QStringList>

#include <algorithm>

namespace ezr {

namespace {

template <typename T> void widen(std::optional<T>& low, std::optional<T>& high, const T& value) {
    low = low ? std::min(*low, value) : value;
    high = high ? std::max(*high, value) : value;
}

} // namespace

void GroupComposition::add(const ResponseHeader& header) {
    ++members;
    const QString sex = header.sex.trimmed();
    women += sex == FemaleSex ? 1 : 0;
    men += sex == MaleSex ? 1 : 0;
    const QString education = header.education.trimmed();
    higher += education == HigherEducation ? 1 : 0;
    secondary += education == SecondaryEducation ? 1 : 0;
    if (const std::optional<int> age = ageInYears(header))
        widen(youngest, oldest, *age);
    if (const std::optional<QDate> date = shortDateOf(header.testDate); date && date->isValid())
        widen(firstTest, lastTest, *date);
}

QString compositionText(const GroupComposition& c) {
    const bool singular = c.members % 10 == 1 && c.members % 100 != 11;
    QString text =
        QStringLiteral("Группа: %1 %2")
            .arg(c.members)
            .arg(singular ? QStringLiteral("обследуемый") : QStringLiteral("обследуемых"));
    QStringList parts;
    if (c.women + c.men > 0)
        parts << QStringLiteral("женщин %1, мужчин %2").arg(c.women).arg(c.men);
    if (c.higher + c.secondary > 0)
        parts << QStringLiteral("высшее %1, среднее %2").arg(c.higher).arg(c.secondary);
    if (c.youngest && c.oldest)
        parts << (*c.youngest == *c.oldest
                      ? QStringLiteral("возраст %1").arg(*c.youngest)
                      : QStringLiteral("возраст %1–%2").arg(*c.youngest).arg(*c.oldest));
    if (!parts.isEmpty())
        text += QStringLiteral(" (") + parts.join(QStringLiteral("; ")) + QLatin1Char(')');
    return text;
}

QString testPeriodText(const GroupComposition& c) {
    if (!c.firstTest || !c.lastTest)
        return {};
    const QString first = formatShortDate(*c.firstTest);
    if (*c.firstTest == *c.lastTest)
        return QStringLiteral("Обследования: ") + first;
    return QStringLiteral("Обследования: %1–%2").arg(first, formatShortDate(*c.lastTest));
}

QString normLineText(const Norm& norm) {
    return QStringLiteral("Норма: ") + normGroupName(norm);
}

} // namespace ezr
