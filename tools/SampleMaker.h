#pragma once

#include "AnalysisData.h"
#include "ResponseWriter.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <random>

// Makes response files the way the data-entry program lays them out, for the bundled
// sample, for tests and for benchmarks. Everything here is deterministic: the same examinee
// gives the same bytes on every build and every platform.
namespace ezr {

// One examinee as the data-entry program writes it.
struct SampleExaminee {
    QString testDate;                            // line 0, dd.MM.yyyy
    QString birthDate;                           // line 1
    QString code;                                // line 2
    QString name;                                // line 3
    QString sex;                                 // line 4, "Мужской" or "Женский"
    QString education;                           // line 5, "Высшее" or "Среднее"
    std::array<QString, 4> timingLines;          // lines 6-9
    QString line10;                              // present in the file, never read
    std::array<MarkPair, ItemCount> marks{};     // item order 1..108
    std::array<double, ItemCount> answerTimes{}; // seconds, written with one decimal
};

// The sheet the examinee's response file holds.
AnswerSheet answerSheetOf(const SampleExaminee& examinee);

// The plain text: lines 0-118 joined by CR LF. The real data-entry program writes the answer
// times with the separator of the Russian settings; a reader under a decimal-point locale
// refuses them, as the original program does.
QString makePlainText(const SampleExaminee& examinee, QChar decimalSeparator = QLatin1Char(','));

// The stored bytes of the examinee's response file.
QByteArray makeResponseFile(const SampleExaminee& examinee,
                            QChar decimalSeparator = QLatin1Char(','));

// The file name the data-entry program gives the examinee's file: code + ".cry".
QString responseFileName(const SampleExaminee& examinee);

// The bundled sample: twelve invented examinees with codes "101".."112".
QList<SampleExaminee> bundledSample();
inline constexpr int BundledSampleSize = 12;

// Examinee number `index` (0-based) of a generated group; code and file name derive from
// the index, everything else from `seed` and the index.
SampleExaminee generatedExaminee(std::uint32_t seed, int index);

// Items marked as hand-filled sheets have them: `doubled` items with both statements marked
// (such an item scores twice) and `unanswered` items with neither.
struct IrregularMarks {
    int doubled = 0;
    int unanswered = 0;
};

// The examinee with marks.doubled items marked twice and marks.unanswered items left open,
// distinct items chosen by `seed`; at most 108 in all.
SampleExaminee withIrregularMarks(SampleExaminee examinee, IrregularMarks marks,
                                  std::uint32_t seed);

// How a file is stored: scrambled, as the data-entry program writes it, or as the plain
// Windows-1251 text named code + ".txt" (the seeds of the fuzz target on the plain text).
enum class ResponseForm { Scrambled, Plain };

// Writes each examinee to `dir` (created when missing) as responseFileName(). Returns false
// and sets `error` on the first file that cannot be written.
bool writeResponseFiles(const QString& dir, const QList<SampleExaminee>& examinees,
                        QString* error = nullptr, ResponseForm form = ResponseForm::Scrambled);
bool writeGeneratedFiles(const QString& dir, int count, std::uint32_t seed,
                         QString* error = nullptr, ResponseForm form = ResponseForm::Scrambled,
                         IrregularMarks marks = {});

// Random numbers whose sequence is the same with every standard library: std::mt19937 is
// fully specified, its distributions are not, so these are implemented here with integer
// and IEEE arithmetic only (no transcendental functions).
class SampleRandom {
public:
    explicit SampleRandom(std::uint32_t seed) : engine_(seed) {}
    // Uniform on [0, 1) with 32-bit resolution.
    double uniform() { return static_cast<double>(engine_()) * (1.0 / 4294967296.0); }
    // Uniform integer on [low, high], without modulo bias.
    int uniformInt(int low, int high);
    // Approximately standard normal (sum of twelve uniforms minus six), bounded by +-6.
    double normal();
    bool chance(double probability) { return uniform() < probability; }

private:
    std::mt19937 engine_;
};

} // namespace ezr
