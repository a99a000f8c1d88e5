#include "SampleMaker.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "ResponseFile.h"
#include "Scoring.h"
#include "VerifiedWrite.h"

#include <QDate>
#include <QDir>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace ezr {

int SampleRandom::uniformInt(int low, int high) {
    const std::uint32_t range = static_cast<std::uint32_t>(high - low) + 1u;
    if (range == 0u)
        return static_cast<int>(engine_());
    // Rejecting the top remainder keeps every value equally likely.
    const std::uint32_t limit = (0xFFFFFFFFu / range) * range;
    std::uint32_t value = 0;
    do {
        value = static_cast<std::uint32_t>(engine_());
    } while (value >= limit);
    return low + static_cast<int>(value % range);
}

double SampleRandom::normal() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i)
        sum += uniform();
    return sum - 6.0;
}

AnswerSheet answerSheetOf(const SampleExaminee& examinee) {
    AnswerSheet sheet;
    sheet.testDate = examinee.testDate;
    sheet.birthDate = examinee.birthDate;
    sheet.code = examinee.code;
    sheet.name = examinee.name;
    sheet.sex = examinee.sex;
    sheet.education = examinee.education;
    sheet.timingLines = examinee.timingLines;
    sheet.line10 = examinee.line10;
    sheet.marks = examinee.marks;
    sheet.answerTimes = examinee.answerTimes;
    return sheet;
}

QString makePlainText(const SampleExaminee& examinee, QChar decimalSeparator) {
    return responsePlainText(answerSheetOf(examinee), decimalSeparator);
}

QByteArray makeResponseFile(const SampleExaminee& examinee, QChar decimalSeparator) {
    return responseFileBytes(answerSheetOf(examinee), decimalSeparator);
}

QString responseFileName(const SampleExaminee& examinee) {
    return responseFileNameFor(examinee.code);
}

namespace {

const QString& Male = MaleSex;
const QString& Female = FemaleSex;
const QString& Higher = HigherEducation;
const QString& Secondary = SecondaryEducation;

// How an examinee answers: a weight per motive (in Motive order), how strongly the result
// of an activity appeals against the activity itself, and the usual answer time.
struct Disposition {
    std::array<double, MotiveCount> motiveWeights;
    double resultativeBias; // > 1 prefers the resultative statement
    double baseSeconds;
};

// Each stimulus word brings some motives to mind more readily than others.
constexpr std::array<std::array<double, MotiveCount>, StimulusCount> StimulusEmphasis = {{
    {1.0, 1.0, 1.4, 1.0, 1.1, 1.0},   // Money: utilitarian, a little competition
    {1.0, 1.3, 1.0, 1.3, 1.0, 1.0},   // Team: communication and cooperation
    {1.25, 1.0, 1.0, 1.0, 1.0, 1.25}, // Work: transformation and achievement
}};

void fillAnswers(SampleExaminee& examinee, const Disposition& d, SampleRandom& random) {
    for (int item = 1; item <= ItemCount; ++item) {
        const int stimulus = static_cast<int>(itemStimulus(item));
        const ScoringKeyRow& row = ScoringKey[static_cast<std::size_t>(itemPosition(item) - 1)];
        const auto weight = [&](Motive m) {
            const auto k = static_cast<std::size_t>(m);
            return d.motiveWeights[k] * StimulusEmphasis[static_cast<std::size_t>(stimulus)][k];
        };
        const double resultative = weight(row.resultative) * d.resultativeBias;
        const double procedural = weight(row.procedural);
        // One choice per item: exactly one of the two statements is marked.
        const bool choosesResultative = random.uniform() < resultative / (resultative + procedural);
        MarkPair& pair = examinee.marks[static_cast<std::size_t>(item - 1)];
        pair.resultative = choosesResultative ? 1 : 0;
        pair.procedural = choosesResultative ? 0 : 1;

        double t = d.baseSeconds * (1.0 + 0.35 * random.normal());
        if (item <= 3)
            t += 4.0 + 4.0 * random.uniform(); // still getting used to the questionnaire
        if (random.chance(0.05))
            t += 3.0 + 6.0 * random.uniform(); // a statement that needed thought
        if (t < 2.0)
            t = 2.0 + 1.5 * random.uniform();
        if (t > 20.0)
            t = 17.0 + 3.0 * random.uniform();
        if (random.chance(0.02))
            t = 0.8 + 0.5 * random.uniform(); // a press without reading
        examinee.answerTimes[static_cast<std::size_t>(item - 1)] =
            std::floor(t * 10.0 + 0.5) / 10.0;
    }
}

QString decimalTenths(long long tenths) {
    return QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10);
}

void fillTimingLines(SampleExaminee& examinee, QTime start) {
    long long totalTenths = 0;
    for (const double t : examinee.answerTimes)
        totalTenths += std::llround(t * 10.0);
    const int totalSeconds = static_cast<int>((totalTenths + 5) / 10);
    const QTime end = start.addSecs(totalSeconds);
    examinee.timingLines = {
        QStringLiteral("Начало теста: %1").arg(start.toString(QStringLiteral("HH:mm:ss"))),
        QStringLiteral("Окончание теста: %1").arg(end.toString(QStringLiteral("HH:mm:ss"))),
        QStringLiteral("Общее время: %1 мин %2 с").arg(totalSeconds / 60).arg(totalSeconds % 60),
        QStringLiteral("Среднее время ответа: %1 с")
            .arg(decimalTenths((totalTenths + ItemCount / 2) / ItemCount)),
    };
}

QString dateText(const QDate& date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

const QString& ColumnCaption = ItemColumnCaption;

struct BundledPerson {
    const char* code;
    const char* name;
    bool female;
    bool higher;
    const char* testDate;
    const char* birthDate;
    Disposition disposition;
};

// Invented people. Weights in Motive order: Transformation, Communication, Utilitarian,
// Cooperation, Competition, Achievement.
const BundledPerson BundledPeople[BundledSampleSize] = {
    {"101",
     "Воронцов Андрей Павлович",
     false,
     true,
     "14.10.2025",
     "03.04.1979",
     {{3.0, 1.0, 1.5, 1.0, 2.0, 4.0}, 1.3, 9.5}},
    {"102",
     "Белоусова Ирина Викторовна",
     true,
     true,
     "14.10.2025",
     "22.11.1988",
     {{1.5, 4.0, 1.0, 3.0, 0.8, 1.5}, 0.8, 12.0}},
    {"103",
     "Кравченко Денис Олегович",
     false,
     false,
     "15.10.2025",
     "17.07.1999",
     {{1.0, 1.5, 4.0, 0.8, 3.0, 1.5}, 1.5, 6.5}},
    {"104",
     "Зуева Татьяна Николаевна",
     true,
     false,
     "15.10.2025",
     "09.02.1971",
     {{0.8, 2.5, 2.0, 3.5, 0.7, 1.2}, 0.7, 14.0}},
    {"105",
     "Мельников Сергей Игоревич",
     false,
     true,
     "21.11.2025",
     "30.08.1985",
     {{4.0, 1.2, 0.8, 1.5, 1.5, 2.5}, 0.9, 11.0}},
    {"106",
     "Лаптева Екатерина Андреевна",
     true,
     true,
     "21.11.2025",
     "12.05.1994",
     {{2.0, 3.0, 1.2, 1.5, 2.5, 3.0}, 1.1, 8.0}},
    {"107",
     "Гусев Виктор Степанович",
     false,
     false,
     "02.12.2025",
     "25.01.1967",
     {{0.8, 1.0, 3.5, 2.0, 1.0, 1.5}, 1.2, 13.0}},
    {"108",
     "Сафонова Ольга Дмитриевна",
     true,
     false,
     "02.12.2025",
     "06.10.2003",
     {{1.5, 3.5, 2.5, 1.0, 2.0, 1.0}, 0.9, 7.0}},
    {"109",
     "Тарасов Илья Максимович",
     false,
     true,
     "20.01.2026",
     "14.03.1991",
     {{2.5, 1.0, 2.0, 0.8, 4.0, 3.0}, 1.6, 7.5}},
    {"110",
     "Комарова Наталья Юрьевна",
     true,
     false,
     "20.01.2026",
     "28.12.1982",
     {{1.0, 2.0, 1.5, 4.0, 0.8, 2.0}, 0.8, 10.5}},
    {"111",
     "Филиппов Роман Аркадьевич",
     false,
     false,
     "11.02.2026",
     "19.06.1976",
     {{1.2, 1.2, 2.5, 2.5, 2.0, 1.2}, 1.0, 12.5}},
    {"112",
     "Ершова Светлана Борисовна",
     true,
     true,
     "11.02.2026",
     "01.09.1997",
     {{3.0, 2.5, 0.8, 1.5, 1.0, 3.5}, 1.0, 9.0}},
};

std::uint32_t mixSeed(std::uint32_t seed, std::uint32_t index) {
    // splitmix-style mixing, so that neighbouring indices give unrelated sequences
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 | index) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>(z ^ (z >> 31));
}

// Surnames in the masculine form ending in -ов, -ев or -ин, which take -а in the feminine.
const char* const Surnames[] = {
    "Антонов", "Баранов", "Беляев",  "Васильев", "Гаврилов", "Григорьев", "Данилов",
    "Егоров",  "Жуков",   "Зайцев",  "Ильин",    "Исаев",    "Калинин",   "Киселев",
    "Ковалев", "Лебедев", "Макаров", "Медведев", "Никитин",  "Новиков",   "Орлов",
    "Павлов",  "Петухов", "Поляков", "Родионов", "Сорокин",  "Степанов",  "Титов",
    "Уваров",  "Федотов", "Фомин",   "Чернов",   "Шубин",    "Щукин",     "Яковлев",
};
const char* const MaleNames[] = {
    "Александр", "Алексей", "Борис",  "Вадим",  "Владимир", "Геннадий", "Дмитрий",
    "Евгений",   "Иван",    "Кирилл", "Максим", "Михаил",   "Николай",  "Олег",
    "Павел",     "Пётр",    "Сергей", "Тимур",  "Юрий",
};
const char* const FemaleNames[] = {
    "Алина",  "Анна",   "Валентина", "Вера",  "Галина",  "Дарья",  "Елена",  "Жанна",    "Ирина",
    "Ксения", "Лариса", "Людмила",   "Мария", "Надежда", "Оксана", "Полина", "Светлана", "Юлия",
};
struct Patronymic {
    const char* male;
    const char* female;
};
const Patronymic Patronymics[] = {
    {"Александрович", "Александровна"}, {"Андреевич", "Андреевна"},
    {"Викторович", "Викторовна"},       {"Геннадьевич", "Геннадьевна"},
    {"Иванович", "Ивановна"},           {"Константинович", "Константиновна"},
    {"Михайлович", "Михайловна"},       {"Николаевич", "Николаевна"},
    {"Петрович", "Петровна"},           {"Сергеевич", "Сергеевна"},
    {"Фёдорович", "Фёдоровна"},         {"Юрьевич", "Юрьевна"},
};

template <typename T, std::size_t N> const T& pick(const T (&list)[N], SampleRandom& random) {
    return list[random.uniformInt(0, static_cast<int>(N) - 1)];
}

} // namespace

QList<SampleExaminee> bundledSample() {
    QList<SampleExaminee> sample;
    sample.reserve(BundledSampleSize);
    for (int i = 0; i < BundledSampleSize; ++i) {
        const BundledPerson& person = BundledPeople[i];
        SampleRandom random(20251014u + static_cast<std::uint32_t>(i) * 7919u);
        SampleExaminee e;
        e.testDate = QString::fromLatin1(person.testDate);
        e.birthDate = QString::fromLatin1(person.birthDate);
        e.code = QString::fromLatin1(person.code);
        e.name = QString::fromUtf8(person.name);
        e.sex = person.female ? Female : Male;
        e.education = person.higher ? Higher : Secondary;
        e.line10 = ColumnCaption;
        fillAnswers(e, person.disposition, random);
        fillTimingLines(e, QTime(9, 0).addSecs(random.uniformInt(0, 7 * 3600)));
        sample.append(e);
    }
    return sample;
}

SampleExaminee generatedExaminee(std::uint32_t seed, int index) {
    SampleRandom random(mixSeed(seed, static_cast<std::uint32_t>(index)));
    SampleExaminee e;
    const bool female = random.chance(0.5);
    const bool higher = random.chance(0.5);
    const QDate test = QDate(2025, 1, 1).addDays(random.uniformInt(0, 729));
    const QDate birth =
        test.addYears(-random.uniformInt(20, 59)).addDays(-random.uniformInt(0, 364));
    e.testDate = dateText(test);
    e.birthDate = dateText(birth);
    e.code = QStringLiteral("%1").arg(index + 1, 5, 10, QLatin1Char('0'));
    QString surname = QString::fromUtf8(pick(Surnames, random));
    if (female)
        surname += QStringLiteral("а");
    const QString first =
        QString::fromUtf8(female ? pick(FemaleNames, random) : pick(MaleNames, random));
    const Patronymic& patronymic = pick(Patronymics, random);
    e.name =
        QStringLiteral("%1 %2 %3")
            .arg(surname, first, QString::fromUtf8(female ? patronymic.female : patronymic.male));
    e.sex = female ? Female : Male;
    e.education = higher ? Higher : Secondary;
    e.line10 = ColumnCaption;
    Disposition d{};
    for (double& w : d.motiveWeights) {
        const double u = random.uniform();
        w = 0.5 + 3.5 * u * u; // most motives middling, a few strongly preferred
    }
    d.resultativeBias = 0.6 + random.uniform();
    d.baseSeconds = 5.0 + 10.0 * random.uniform();
    fillAnswers(e, d, random);
    fillTimingLines(e, QTime(8, 30).addSecs(random.uniformInt(0, 8 * 3600)));
    return e;
}

namespace {

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    try {
        ezr::writeFileVerified(path, bytes);
        return true;
    } catch (const ezr::AnalysisError& failure) {
        if (error)
            *error = failure.message();
        return false;
    }
}

bool makeDirectory(const QString& dir, QString* error) {
    if (QDir().mkpath(dir))
        return true;
    if (error)
        *error = QStringLiteral("Cannot create directory %1").arg(dir);
    return false;
}

bool writeExaminee(const QDir& target, const SampleExaminee& e, ResponseForm form, QString* error) {
    if (form == ResponseForm::Plain)
        return writeFile(target.filePath(e.code + QStringLiteral(".txt")),
                         encodeWindows1251(makePlainText(e)), error);
    return writeFile(target.filePath(responseFileName(e)), makeResponseFile(e), error);
}

} // namespace

bool writeResponseFiles(const QString& dir, const QList<SampleExaminee>& examinees, QString* error,
                        ResponseForm form) {
    if (!makeDirectory(dir, error))
        return false;
    const QDir target(dir);
    for (const SampleExaminee& e : examinees)
        if (!writeExaminee(target, e, form, error))
            return false;
    return true;
}

SampleExaminee withIrregularMarks(SampleExaminee examinee, IrregularMarks marks,
                                  std::uint32_t seed) {
    // A shuffled order of the items; the first ones are marked twice, the next left open.
    std::array<int, ItemCount> items{};
    for (int i = 0; i < ItemCount; ++i)
        items[std::size_t(i)] = i;
    SampleRandom random(seed);
    for (int i = ItemCount - 1; i > 0; --i)
        std::swap(items[std::size_t(i)], items[std::size_t(random.uniformInt(0, i))]);
    const int doubled = std::clamp(marks.doubled, 0, ItemCount);
    const int open = std::clamp(marks.unanswered, 0, ItemCount - doubled);
    for (int k = 0; k < doubled + open; ++k) {
        MarkPair& pair = examinee.marks[std::size_t(items[std::size_t(k)])];
        pair.resultative = pair.procedural = k < doubled ? 1 : 0;
    }
    return examinee;
}

bool writeGeneratedFiles(const QString& dir, int count, std::uint32_t seed, QString* error,
                         ResponseForm form, IrregularMarks marks) {
    if (!makeDirectory(dir, error))
        return false;
    const QDir target(dir);
    for (int i = 0; i < count; ++i) {
        SampleExaminee examinee = generatedExaminee(seed, i);
        if (marks.doubled > 0 || marks.unanswered > 0)
            examinee = withIrregularMarks(std::move(examinee), marks, seed * 7919u + unsigned(i));
        if (!writeExaminee(target, examinee, form, error))
            return false;
    }
    return true;
}

} // namespace ezr
