// Every sequence of bytes must come out of the response-file reader either as a result or as
// an AnalysisError. Anything else (a crash, another exception, a sanitizer report, a hang)
// is a fault.

#include "AnalysisError.h"
#include "ResponseFile.h"
#include "Scoring.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The response files are written under Russian settings: decimal comma, dd.MM.yyyy.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        ezr::ResponseFile file = ezr::parseResponseFile(
            QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
        ezr::scoreAnswers(file.record);
    } catch (const ezr::AnalysisError&) {
        // A refused file is one of the two regular outcomes.
    }
    return 0;
}
