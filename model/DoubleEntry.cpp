#include "DoubleEntry.h"

#include <stdexcept>

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
    const auto compare = [&](const QString& column, const QString& a, const QString& b,
                             int item = 0) {
        if (a != b)
            differences.append({column, a, b, item});
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
                itemAnswerText(itemAnswer(second.marks[i])), item);
    }
    return differences;
}

QStringList itemAnswerTexts() {
    return {itemAnswerText(ItemAnswer::Resultative), itemAnswerText(ItemAnswer::Procedural),
            itemAnswerText(ItemAnswer::None)};
}

AnswerSheet decidedSheet(AnswerSheet second, const QList<EntryDifference>& differences,
                         const QStringList& decided) {
    if (decided.size() != differences.size())
        throw std::invalid_argument("one decided value is needed for each difference");
    QString* fields[] = {&second.testDate, &second.birthDate, &second.code,
                         &second.name,     &second.sex,       &second.education};
    const QString columns[] = {TestDateColumn, BirthDateColumn, CodeColumn,
                               NameColumn,     SexColumn,       EducationColumn};
    for (qsizetype i = 0; i < differences.size(); ++i) {
        const QString& column = differences[i].column;
        const QString& value = decided[i];
        const int item = differences[i].item;
        if (item >= 1 && item <= ItemCount) {
            const ItemAnswer answers[] = {ItemAnswer::Resultative, ItemAnswer::Procedural,
                                          ItemAnswer::None};
            const qsizetype at = itemAnswerTexts().indexOf(value);
            if (at < 0)
                throw std::invalid_argument("an item is decided to РО, ПО or nothing");
            second.marks[static_cast<std::size_t>(item - 1)] =
                marksFor(answers[static_cast<std::size_t>(at)]);
            continue;
        }
        for (std::size_t field = 0; field < std::size(columns); ++field)
            if (columns[field] == column)
                *fields[field] = value;
    }
    return second;
}

} // namespace ezr
