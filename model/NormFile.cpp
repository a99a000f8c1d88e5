#include "NormFile.h"

#include "PlainText.h"

#include "AnalysisError.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <optional>

namespace ezr {

namespace {

const QString FormatName = QStringLiteral("ezr-norm");
// Version 2 adds the members' spread over each cell ("distribution"); version 1 files, which
// have none, still read.
constexpr int FormatVersion = 2;
constexpr int FirstFormatVersion = 1;
// The most a profile's percentages can add up to. Every one of the 108 answers counts once in
// each profile when the examinee marks one statement of an item; an item whose two marks are
// both 1 counts twice, and one left unanswered not at all. So a member's profile holds from 0
// to 216 answers, 0 to 200 per cent, and a group's means and a norm from them as well. A
// stored norm adds up to 100; a saved one may hold any sum a real group can reach, plus what
// rounding its cells to a tenth can add (0.05 a cell).
constexpr double MaxProfileSum = 200.0;
template <std::size_t N> constexpr double sumTolerance() {
    return N * 0.05 + 1e-9;
}

const char* const ProfileKeys[3] = {"profile1", "profile2", "profile3"};

double toHundredths(double value) {
    return std::round(value * 100.0) / 100.0;
}

template <std::size_t N> QJsonArray jsonCells(const std::array<double, N>& cells) {
    QJsonArray array;
    for (const double v : cells)
        array.append(v);
    return array;
}

// What is wrong with one profile's percentages, or nothing.
template <std::size_t N>
std::optional<QString> profileProblem(int number, const std::array<double, N>& cells) {
    double sum = 0.0;
    for (std::size_t i = 0; i < N; ++i) {
        const double v = cells[i];
        if (!std::isfinite(v))
            return QStringLiteral("профиль %1, ячейка %2: значение не является числом")
                .arg(number)
                .arg(i + 1);
        if (v <= 0.0 || v >= 100.0)
            return QStringLiteral("профиль %1, ячейка %2: процент %3 должен быть больше 0 и "
                                  "меньше 100")
                .arg(number)
                .arg(i + 1)
                .arg(v);
        sum += v;
    }
    if (sum > MaxProfileSum + sumTolerance<N>())
        return QStringLiteral("профиль %1: сумма процентов %2 больше возможных %3 (все пункты "
                              "с двумя отметками)")
            .arg(number)
            .arg(sum, 0, 'f', 2)
            .arg(MaxProfileSum, 0, 'f', 0);
    return std::nullopt;
}

std::optional<QString> normProblem(const Profiles& percent) {
    if (auto p = profileProblem(1, percent.profile1))
        return p;
    if (auto p = profileProblem(2, percent.profile2))
        return p;
    return profileProblem(3, percent.profile3);
}

[[noreturn]] void refuse(const QString& fileName, const QString& problem) {
    throw AnalysisError(QStringLiteral("Файл %1 не является файлом нормы: %2")
                            .arg(pathInMessage(fileName), problem));
}

template <std::size_t N>
void readCells(const QJsonObject& object, int number, std::array<double, N>& cells,
               const QString& fileName) {
    const QString key = QString::fromLatin1(ProfileKeys[number - 1]);
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        refuse(fileName, QStringLiteral("нет массива \"%1\"").arg(key));
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(N))
        refuse(fileName, QStringLiteral("в массиве \"%1\" %2 значений вместо %3")
                             .arg(key)
                             .arg(array.size())
                             .arg(N));
    for (std::size_t i = 0; i < N; ++i) {
        const QJsonValue cell = array.at(qsizetype(i));
        if (!cell.isDouble())
            refuse(fileName,
                   QStringLiteral("профиль %1, ячейка %2: нет числа").arg(number).arg(i + 1));
        cells[i] = cell.toDouble();
    }
}

// One profile of a single examinee as expected percentages. The chi-square divides by the
// expected count, so an empty cell cannot stand as zero: it gets half an answer, the usual
// correction for empty cells, and the answers of the other cells are scaled by the same
// factor so that the profile still holds 108 answers (100 per cent). A profile without an
// empty cell is the examinee's own percentages unchanged, so that the same file compared
// with itself gives chi-squares of zero.
template <std::size_t N>
void examineePercents(const std::array<double, N>& raw, std::array<double, N>& cells) {
    constexpr double EmptyCellAnswers = 0.5;
    double filled = 0.0;
    int empty = 0;
    for (const double v : raw) {
        if (v > 0.0)
            filled += v;
        else
            ++empty;
    }
    const double scale =
        empty == 0 || filled <= 0.0 ? 1.0 : (filled - EmptyCellAnswers * empty) / filled;
    for (std::size_t i = 0; i < N; ++i)
        cells[i] = percentOfAnswers(raw[i] > 0.0 ? raw[i] * scale : EmptyCellAnswers);
}

} // namespace

Norm normFromExaminee(const AnalysisState& earlier) {
    Norm norm;
    norm.kind = NormKind::Own;
    norm.row = -1;
    norm.name = QStringLiteral("Обследование %1").arg(earlier.header.testDate);
    QString fileName = QFileInfo(earlier.source).fileName();
    if (fileName.isEmpty() && !earlier.members.isEmpty())
        fileName = earlier.members.first().fileName;
    norm.description = QStringLiteral("Прежнее обследование, файл %1").arg(fileName);
    norm.memberCount = 1;
    const Profiles& raw = earlier.record.scores.raw;
    examineePercents(raw.profile1, norm.percent.profile1);
    examineePercents(raw.profile2, norm.percent.profile2);
    examineePercents(raw.profile3, norm.percent.profile3);
    if (const auto problem = normProblem(norm.percent))
        throw AnalysisError(
            QStringLiteral("Из ответов этого обследования норма не получается: %1").arg(*problem));
    return norm;
}

Norm normFromGroup(const AnalysisState& group, const QString& name, const QString& description) {
    if (hasControlCharacters(name) || hasControlCharacters(description))
        throw AnalysisError(QStringLiteral(
            "В названии или описании нормы есть управляющие символы (перевод строки, ESC и "
            "подобные): норма не сохраняется"));
    Norm norm;
    norm.kind = NormKind::Own;
    norm.row = -1;
    norm.name = name;
    norm.description = description;
    norm.memberCount = int(group.roster.lines.size());
    if (group.moments.members == norm.memberCount)
        norm.distribution = distributionOf(group.moments);
    const Profiles& raw = group.record.scores.raw;
    const auto percents = [](const auto& means, auto& cells) {
        for (std::size_t i = 0; i < means.size(); ++i)
            cells[i] = toHundredths(percentOfAnswers(means[i]));
    };
    percents(raw.profile1, norm.percent.profile1);
    percents(raw.profile2, norm.percent.profile2);
    percents(raw.profile3, norm.percent.profile3);
    if (const auto problem = normProblem(norm.percent))
        throw AnalysisError(
            QStringLiteral("Из ответов этой группы норма не получается: %1").arg(*problem));
    return norm;
}

QByteArray normFileBytes(const Norm& norm) {
    QJsonObject object;
    object.insert(QStringLiteral("format"), FormatName);
    object.insert(QStringLiteral("version"),
                  norm.distribution ? FormatVersion : FirstFormatVersion);
    object.insert(QStringLiteral("name"), norm.name);
    object.insert(QStringLiteral("description"), norm.description);
    object.insert(QStringLiteral("memberCount"), norm.memberCount);
    object.insert(QString::fromLatin1(ProfileKeys[0]), jsonCells(norm.percent.profile1));
    object.insert(QString::fromLatin1(ProfileKeys[1]), jsonCells(norm.percent.profile2));
    object.insert(QString::fromLatin1(ProfileKeys[2]), jsonCells(norm.percent.profile3));
    if (norm.distribution)
        object.insert(QStringLiteral("distribution"), distributionJson(*norm.distribution));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

Norm readNormFile(QByteArrayView bytes, const QString& fileName) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        refuse(fileName, QStringLiteral("это не JSON (%1, позиция %2)")
                             .arg(error.errorString())
                             .arg(error.offset));
    if (!document.isObject())
        refuse(fileName, QStringLiteral("ожидается объект JSON"));
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toString() != FormatName)
        refuse(fileName, QStringLiteral("нет отметки \"format\": \"%1\"").arg(FormatName));
    const int version = object.value(QStringLiteral("version")).toInt();
    if (version != FormatVersion && version != FirstFormatVersion)
        refuse(fileName, QStringLiteral("неизвестная версия формата"));

    Norm norm;
    norm.kind = NormKind::Own;
    norm.row = -1;
    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!name.isString() || name.toString().trimmed().isEmpty())
        refuse(fileName, QStringLiteral("нет названия нормы (\"name\")"));
    // A norm file may come from anyone: its texts reach reports and the terminal.
    norm.name = oneLine(name.toString());
    norm.description = oneLine(object.value(QStringLiteral("description")).toString());
    const QJsonValue count = object.value(QStringLiteral("memberCount"));
    const double members = count.toDouble(-1.0);
    if (!count.isDouble() || members < 1.0 || members != std::floor(members) || members > 1e9)
        refuse(fileName, QStringLiteral("нет числа обследуемых (\"memberCount\")"));
    norm.memberCount = int(members);
    readCells(object, 1, norm.percent.profile1, fileName);
    readCells(object, 2, norm.percent.profile2, fileName);
    readCells(object, 3, norm.percent.profile3, fileName);
    if (const auto problem = normProblem(norm.percent))
        refuse(fileName, *problem);
    if (version == FormatVersion && object.contains(QStringLiteral("distribution")))
        norm.distribution = readDistribution(object.value(QStringLiteral("distribution")),
                                             norm.memberCount, fileName);
    return norm;
}

} // namespace ezr
