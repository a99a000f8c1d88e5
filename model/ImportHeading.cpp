#include "ImportHeading.h"

#include "Domain.h"

namespace ezr {

namespace {

// More missing columns than this are told in one line.
constexpr int MissingNamedOneByOne = 5;

// "«Код», «Пол», «1»–«108»": runs of item or time columns as ranges.
QString columnList(const QStringList& columns) {
    QStringList parts;
    for (qsizetype i = 0; i < columns.size();) {
        qsizetype j = i;
        const auto numberOf = [&](qsizetype k) {
            QStringView text = columns[k];
            const bool time = text.startsWith(QLatin1Char('t'));
            bool ok = false;
            const int n = (time ? text.mid(1) : text).toInt(&ok);
            return ok ? (time ? 1000 + n : n) : -1;
        };
        while (j + 1 < columns.size() && numberOf(j) >= 0 && numberOf(j + 1) == numberOf(j) + 1)
            ++j;
        parts << (j > i + 1 ? QStringLiteral("«%1»–«%2»").arg(columns[i], columns[j])
                            : QStringLiteral("«%1»").arg(columns[i]));
        if (j == i + 1)
            parts << QStringLiteral("«%1»").arg(columns[j]);
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

const QStringList& importHeaderColumns() {
    static const QStringList columns = {TestDateColumn, BirthDateColumn, CodeColumn,
                                        NameColumn,     SexColumn,       EducationColumn};
    return columns;
}

ImportColumns readImportHeading(const QStringList& heading, QList<SheetProblem>& problems) {
    QHash<QString, QString> known; // the heading as written, folded, to the column's name
    for (const QString& column : importHeaderColumns())
        known.insert(column.toCaseFolded(), column);
    for (int item = 1; item <= ItemCount; ++item) {
        known.insert(itemColumn(item), itemColumn(item));
        known.insert(timeColumn(item).toCaseFolded(), timeColumn(item));
    }
    ImportColumns columns;
    for (int i = 0; i < heading.size(); ++i) {
        const auto found = known.constFind(heading[i].trimmed().toCaseFolded());
        if (found == known.constEnd())
            continue;
        if (columns.index.contains(*found))
            problems.append({*found, QStringLiteral("столбец повторяется")});
        else
            columns.index.insert(*found, i);
    }
    for (int item = 1; item <= ItemCount; ++item) {
        columns.items[std::size_t(item - 1)] = columns.index.value(itemColumn(item), -1);
        columns.times[std::size_t(item - 1)] = columns.index.value(timeColumn(item), -1);
    }
    if (columns.index.isEmpty()) {
        problems.append({QString(), QStringLiteral("в первой строке нет ни одного из нужных "
                                                   "столбцов («Дата обследования», «Код», "
                                                   "«1»–«108»…): это не таблица обследуемых или "
                                                   "она не в UTF-8, Windows-1251 или UTF-16")});
        return columns;
    }
    QStringList missing;
    for (const QString& column : importHeaderColumns())
        if (!columns.index.contains(column))
            missing << column;
    for (int item = 1; item <= ItemCount; ++item)
        if (!columns.index.contains(itemColumn(item)))
            missing << itemColumn(item);
    int times = 0;
    for (int item = 1; item <= ItemCount; ++item)
        times += columns.index.contains(timeColumn(item)) ? 1 : 0;
    columns.timesGiven = times > 0;
    QStringList missingTimes;
    if (times > 0 && times < ItemCount)
        for (int item = 1; item <= ItemCount; ++item)
            if (!columns.index.contains(timeColumn(item)))
                missingTimes << timeColumn(item);
    if (missing.size() + missingTimes.size() > MissingNamedOneByOne) {
        problems.append(
            {QString(),
             QStringLiteral("нет столбцов: %1").arg(columnList(missing + missingTimes))});
        return columns;
    }
    for (const QString& column : missing)
        problems.append({column, QStringLiteral("нет такого столбца")});
    for (const QString& column : missingTimes)
        problems.append({column, QStringLiteral("нет такого столбца (время даётся для всех 108 "
                                                "пунктов или ни для одного)")});
    return columns;
}

} // namespace ezr
