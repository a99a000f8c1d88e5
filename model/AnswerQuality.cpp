#include "AnswerQuality.h"

#include "Regional.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ezr {

ItemChoice itemChoice(const MarkPair& marks) {
    // The scoring counts a mark only when it is 1; so does this.
    const bool resultative = marks.resultative == 1;
    const bool procedural = marks.procedural == 1;
    if (resultative && procedural)
        return ItemChoice::Both;
    if (resultative)
        return ItemChoice::Resultative;
    if (procedural)
        return ItemChoice::Procedural;
    return ItemChoice::None;
}

namespace {

// The marks of the 108 items in file order.
std::array<ItemChoice, ItemCount> choicesOf(const AnalysisRecord& record) {
    std::array<ItemChoice, ItemCount> choices{};
    for (int item = 0; item < ItemCount; ++item)
        choices[std::size_t(item)] =
            itemChoice(record.answers[std::size_t(item / ItemsPerStimulus)]
                                     [std::size_t(item % ItemsPerStimulus)]);
    return choices;
}

// Only a run of one of the two statements counts: an empty or double-marked stretch is
// counted by its own figure.
int longestRunOf(const std::array<ItemChoice, ItemCount>& choices) {
    int longest = 0;
    int run = 0;
    ItemChoice previous = ItemChoice::None;
    for (const ItemChoice choice : choices) {
        const bool single = choice == ItemChoice::Resultative || choice == ItemChoice::Procedural;
        run = !single ? 0 : choice == previous ? run + 1 : 1;
        previous = choice;
        longest = std::max(longest, run);
    }
    return longest;
}

void addTimes(AnswerQuality& quality, const std::array<double, ItemCount>& times) {
    std::array<double, ItemCount> sorted = times;
    double total = 0.0;
    for (const double t : times) {
        total += t;
        if (t < FastAnswerSeconds)
            ++quality.fastAnswers;
    }
    std::partial_sort(sorted.begin(), sorted.begin() + FastQuarterItems, sorted.end());
    double fastest = 0.0;
    for (int k = 0; k < FastQuarterItems; ++k)
        fastest += sorted[std::size_t(k)];
    quality.fastQuarterShare = total > 0.0 ? fastest / total : 0.0;
}

} // namespace

AnswerQuality answerQuality(const AnalysisRecord& record) {
    AnswerQuality quality;
    const std::array<ItemChoice, ItemCount> choices = choicesOf(record);
    for (const ItemChoice choice : choices) {
        quality.unanswered += choice == ItemChoice::None ? 1 : 0;
        quality.doubleMarked += choice == ItemChoice::Both ? 1 : 0;
    }
    quality.longestRun = longestRunOf(choices);
    // A sheet typed from paper has every time 0: nothing was measured, nothing was fast.
    quality.timed = std::any_of(record.answerTimes.begin(), record.answerTimes.end(),
                                [](double t) { return t > 0.0; });
    if (quality.timed)
        addTimes(quality, record.answerTimes);

    const auto doubt = [&](bool passed, QualityDoubt flag) {
        if (passed)
            quality.doubts |= std::uint8_t(flag);
    };
    doubt(quality.timed && quality.fastAnswers >= FastAnswersDoubtful, QualityDoubt::FastAnswers);
    doubt(quality.longestRun >= LongRunDoubtful, QualityDoubt::LongRun);
    doubt(quality.unanswered >= UnansweredDoubtful, QualityDoubt::Unanswered);
    doubt(quality.doubleMarked >= DoubleMarkedDoubtful, QualityDoubt::DoubleMarked);
    doubt(quality.timed && quality.fastQuarterShare < FastQuarterShareDoubtful,
          QualityDoubt::FastQuarter);
    return quality;
}

QString countWithNoun(int count, const QString& one, const QString& few, const QString& many) {
    const int lastTwo = count % 100;
    const int last = count % 10;
    const QString& noun = lastTwo >= 11 && lastTwo <= 14 ? many
                          : last == 1                    ? one
                          : last >= 2 && last <= 4       ? few
                                                         : many;
    return QStringLiteral("%1 %2").arg(count).arg(noun);
}

namespace {

QString answers(int count) {
    return countWithNoun(count, QStringLiteral("ответ"), QStringLiteral("ответа"),
                         QStringLiteral("ответов"));
}

QString items(int count) {
    return countWithNoun(count, QStringLiteral("пункт"), QStringLiteral("пункта"),
                         QStringLiteral("пунктов"));
}

QString seconds(double value) {
    return formatFixed(value, 0, value == std::floor(value) ? 0 : 1) + QStringLiteral(" с");
}

QString percent(double share) {
    return formatFixed(share * 100.0, 0, 1) + QStringLiteral(" %");
}

} // namespace

QStringList doubtReasons(const AnswerQuality& q) {
    QStringList reasons;
    if (q.has(QualityDoubt::FastAnswers))
        reasons << answers(q.fastAnswers) + QStringLiteral(" быстрее ") +
                       seconds(FastAnswerSeconds);
    if (q.has(QualityDoubt::LongRun))
        reasons << countWithNoun(q.longestRun, QStringLiteral("одинаковый выбор"),
                                 QStringLiteral("одинаковых выбора"),
                                 QStringLiteral("одинаковых выборов")) +
                       QStringLiteral(" подряд");
    if (q.has(QualityDoubt::Unanswered))
        reasons << QStringLiteral("без ответа: ") + items(q.unanswered);
    if (q.has(QualityDoubt::DoubleMarked))
        reasons << QStringLiteral("обе отметки: ") + items(q.doubleMarked);
    if (q.has(QualityDoubt::FastQuarter))
        reasons << QStringLiteral("на самую быструю четверть пунктов ушло %1 времени")
                       .arg(percent(q.fastQuarterShare));
    return reasons;
}

QString qualityVerdict(const AnswerQuality& quality) {
    if (!quality.doubtful())
        return {};
    return DoubtfulVerdict + QStringLiteral(": ") +
           doubtReasons(quality).join(QStringLiteral("; "));
}

QString answerTimeSummary(const AnalysisRecord& record, const AnswerQuality& quality) {
    if (!quality.timed)
        return QStringLiteral("Время ответа не измерялось");
    QString text = QStringLiteral("Среднее время ответа %1 с, разброс %2 с")
                       .arg(formatFixed(record.meanTime, 0, 1), formatFixed(record.sdTime, 0, 1));
    if (quality.fastAnswers == 0)
        return text + QStringLiteral("; ни одного ответа быстрее ") + seconds(FastAnswerSeconds);
    return text + QStringLiteral("; ") + answers(quality.fastAnswers) +
           QStringLiteral(" быстрее ") + seconds(FastAnswerSeconds) +
           (quality.has(QualityDoubt::FastAnswers)
                ? QStringLiteral(" — слишком много, чтобы вопросы были прочитаны")
                : QStringLiteral(" — возможно, случайные нажатия"));
}

QStringList qualityLines(const AnswerQuality& q) {
    const QString fast = q.timed ? answers(q.fastAnswers) : NotMeasured;
    const QString share = q.timed ? percent(q.fastQuarterShare) : NotMeasured;
    return {
        QStringLiteral("Ответов быстрее %1: %2 (под сомнением от %3)")
            .arg(seconds(FastAnswerSeconds), fast)
            .arg(FastAnswersDoubtful),
        QStringLiteral("Самая длинная серия одинаковых выборов: %1 (под сомнением от %2)")
            .arg(q.longestRun)
            .arg(LongRunDoubtful),
        QStringLiteral("Пунктов без ответа: %1, с двумя отметками: %2")
            .arg(q.unanswered)
            .arg(q.doubleMarked),
        QStringLiteral("Доля времени на самую быструю четверть пунктов: %1 (под сомнением "
                       "ниже %2)")
            .arg(share, percent(FastQuarterShareDoubtful)),
        QStringLiteral("Достоверность ответов: ") +
            (q.doubtful() ? qualityVerdict(q) : QStringLiteral("сомнений нет")),
    };
}

} // namespace ezr
