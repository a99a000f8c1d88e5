#include "Retest.h"

#include "AnalysisError.h"
#include "NormFile.h"
#include "Regional.h"

#include <QDir>
#include <QFileInfo>

namespace ezr {

namespace {

TestKey keyOf(const AnalysisState& state) {
    return {state.header.code, shortDateOf(state.header.testDate).value_or(QDate())};
}

} // namespace

bool isEarlierTestOf(const TestKey& candidate, const TestKey& later) {
    const QString code = later.code.trimmed();
    return !code.isEmpty() && candidate.code.trimmed() == code && candidate.date.isValid() &&
           later.date.isValid() && candidate.date < later.date;
}

QString mostRecentEarlierTestIn(const QString& folder, const AnalysisState& later) {
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    QList<TestKey> keys;
    keys.reserve(files.size());
    for (const QFileInfo& file : files) {
        // Only a test an analysis reads can be compared with; any other entry is passed over.
        try {
            keys.append(keyOf(individualAnalysis(file.filePath())));
        } catch (const AnalysisError&) {
            keys.append(TestKey{});
        }
    }
    const int chosen =
        mostRecentEarlierTest(int(keys.size()), keyOf(later), [&](int i) { return keys[i]; });
    return chosen < 0 ? QString() : files[chosen].filePath();
}

AnalysisState retestAnalysis(AnalysisState later, const AnalysisState& earlier) {
    if (earlier.header.code.trimmed() != later.header.code.trimmed())
        throw AnalysisError(
            QStringLiteral("Файлы %1 и %2 относятся к разным обследуемым: код «%3» и код «%4»")
                .arg(pathInMessage(later.source), pathInMessage(earlier.source), later.header.code,
                     earlier.header.code));
    Norm norm = normFromExaminee(earlier);
    return withNorm(std::move(later), norm);
}

} // namespace ezr
