// The whole road of one examinee, from the plain text of a response file to the text report:
// reading, scoring, the sex-norm comparison of a fresh load, optionally a second comparison
// with another norm, and the report, as the batch command runs them. The input is the plain
// text; it is scrambled here, so that a byte the fuzzer inserts or erases changes only itself
// and not the key of everything after it.
//
// A text may be refused by the analysis with an AnalysisError. Once the analysis has accepted
// it, nothing may fail any more: the norm comparisons and the report only format the numbers
// the analysis computed, so an exception there escapes and counts as a fault, like a crash
// or a sanitizer report.

#include "Analysis.h"
#include "AnalysisError.h"
#include "NormComparison.h"
#include "ResponseFile.h"
#include "TextReport.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

void buildReport(const ezr::AnalysisState& state) {
    // A new analysis empties the comment.
    (void)ezr::buildTextReport(ezr::ReportSnapshot{state, {}});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The response files are written under Russian settings: decimal comma, dd.MM.yyyy.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView plain(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ezr::AnalysisState state;
    try {
        // Scrambling is its own inverse.
        state = ezr::individualAnalysisFromBytes(ezr::unscrambleText(plain),
                                                 QStringLiteral("fuzz.cry"));
    } catch (const ezr::AnalysisError&) {
        // A refused file is one of the two regular outcomes.
        return 0;
    }
    buildReport(state);

    // The first character, a digit of the test date in a readable file, also chooses a norm
    // for a second comparison, as "Нормирование" would after the load.
    const auto kind = static_cast<ezr::NormKind>(1 + (size > 0 ? data[0] % 3 : 0));
    if (kind != ezr::NormKind::Sex)
        buildReport(ezr::withNorm(std::move(state), kind));
    return 0;
}
