#include "DoubleEntry.h"

namespace ezr {

QString itemAnswerText(ItemAnswer answer) {
    switch (answer) {
    case ItemAnswer::Resultative:
        return QStringLiteral("РО");
    case ItemAnswer::Procedural:
        return QStringLiteral("ПО");
    case ItemAnswer::None:
        break;
    }
    return QStringLiteral("—");
}

QList<EntryDifference> compareEntries(const AnswerSheet& first, const AnswerSheet& second) {
    QList<EntryDifference> differences;
    const auto compare = [&](const QString& column, const QString& a, const QString& b) {
        if (a != b)
            differences.append({column, a, b});
    };
    compare(TestDateColumn, first.testDate, second.testDate);
    compare(BirthDateColumn, first.birthDate, second.birthDate);
    compare(CodeColumn, first.code, second.code);
    compare(NameColumn, first.name, second.name);
    compare(SexColumn, first.sex, second.sex);
    compare(EducationColumn, first.education, second.education);
    for (int item = 1; item <= ItemCount; ++item) {
        const auto i = static_cast<std::size_t>(item - 1);
        compare(itemColumn(item), itemAnswerText(itemAnswer(first.marks[i])),
                itemAnswerText(itemAnswer(second.marks[i])));
    }
    return differences;
}

} // namespace ezr
