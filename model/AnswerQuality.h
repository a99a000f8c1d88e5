#pragma once

#include "AnalysisData.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// Whether an examinee's answers can be trusted: a few figures from the answers and their
// times, each with a threshold beyond which the answers ask for a look before the profiles
// are read. The thresholds and where they come from are described in the README ("Достоверность
// ответов"); they follow the careless-responding literature (Meade & Craig 2012; Huang et al.
// 2012; Curran 2016), adapted to a forced choice between two statements.
namespace ezr {

// An answer faster than this many seconds can hardly have been read (Huang et al. 2012 and
// Curran 2016: about 2 s per item).
inline constexpr double FastAnswerSeconds = 2.0;
// This many fast answers or more (a tenth of the 108 items) make the answers doubtful; fewer
// are reported as possible slips of the hand.
inline constexpr int FastAnswersDoubtful = 11;
// A run of this many identical choices or more (long-string index, Meade & Craig 2012):
// random choices between two statements make the longest run about 7 in 108 items, a run of
// 15 less than once in 200 examinees.
inline constexpr int LongRunDoubtful = 15;
// Every item takes exactly one mark; a single item left empty or marked twice already
// changes the profiles.
inline constexpr int UnansweredDoubtful = 1;
inline constexpr int DoubleMarkedDoubtful = 1;
// The fastest quarter of the items (27) taking less than this share of the whole test time:
// they were answered at about a sixth of the pace of the others, a stretch of the test
// passed over (a response-time index after Meade & Craig 2012).
inline constexpr double FastQuarterShareDoubtful = 0.05;
inline constexpr int FastQuarterItems = ItemCount / 4;

// What an item's two marks say.
enum class ItemChoice { None, Resultative, Procedural, Both };
ItemChoice itemChoice(const MarkPair& marks);

// The figures; a flag per threshold passed.
enum class QualityDoubt : std::uint8_t {
    FastAnswers = 1,
    LongRun = 2,
    Unanswered = 4,
    DoubleMarked = 8,
    FastQuarter = 16,
};

struct AnswerQuality {
    // False for a sheet typed from paper (every time 0): the time figures were not measured.
    bool timed = false;
    int fastAnswers = 0;           // answers faster than FastAnswerSeconds (timed only)
    int longestRun = 0;            // identical choices (РО or ПО) one after another
    int unanswered = 0;            // items with neither mark
    int doubleMarked = 0;          // items with both marks
    double fastQuarterShare = 0.0; // share of the test time on the fastest 27 items (timed only)
    std::uint8_t doubts = 0;       // QualityDoubt flags

    bool doubtful() const { return doubts != 0; }
    bool has(QualityDoubt doubt) const { return (doubts & std::uint8_t(doubt)) != 0; }
    friend bool operator==(const AnswerQuality&, const AnswerQuality&) = default;
};

AnswerQuality answerQuality(const AnalysisRecord& record);

// "ответы требуют проверки"
inline const QString DoubtfulVerdict = QStringLiteral("ответы требуют проверки");
// "не измерялось": what a time figure of a sheet typed from paper says.
inline const QString NotMeasured = QStringLiteral("не измерялось");

// Each threshold passed, in words with its figure: "14 ответов быстрее 2 с", ...
QStringList doubtReasons(const AnswerQuality& quality);
// The verdict with its reasons, "ответы требуют проверки: 14 ответов быстрее 2 с"; empty when
// nothing is doubtful.
QString qualityVerdict(const AnswerQuality& quality);
// Every figure in words, one a line, for the information text and the PDF.
QStringList qualityLines(const AnswerQuality& quality);

// The answer times in plain words: "Среднее время ответа 10,9 с, разброс 4,3 с; 3 ответа
// быстрее 2 с — возможно, случайные нажатия"; "Время ответа не измерялось" for a sheet typed
// from paper.
QString answerTimeSummary(const AnalysisRecord& record, const AnswerQuality& quality);

// "1 ответ", "3 ответа", "14 ответов" and the like: the number with the Russian form of
// the noun for it (one, few, many).
QString countWithNoun(int count, const QString& one, const QString& few, const QString& many);

} // namespace ezr
