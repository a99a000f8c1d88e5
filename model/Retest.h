#pragma once

#include "Analysis.h"

#include <QDate>
#include <QString>

// A retest: an examinee's later test compared with the same examinee's earlier test as its
// norm. The one home of the rule; the list of examinees, the main window and ezr-report call it.
namespace ezr {

// A test as the choice of the earlier one sees it: the examinee's code and the test date
// (invalid when the file or its date does not read).
struct TestKey {
    QString code;
    QDate date;
};

// Whether `candidate` can be the earlier test of `later`: both dates read, the same code
// (blanks around it ignored, never an empty one), taken before `later`.
bool isEarlierTestOf(const TestKey& candidate, const TestKey& later);

// The most recent earlier test of `later` among `count` tests, keyOf(i) giving test i's key:
// its index, or -1 when there is none. A later retest of the same examinee is never taken.
template <typename KeyOf> int mostRecentEarlierTest(int count, const TestKey& later, KeyOf keyOf) {
    int chosen = -1;
    QDate chosenDate;
    for (int i = 0; i < count; ++i) {
        const TestKey key = keyOf(i);
        if (isEarlierTestOf(key, later) && (chosen < 0 || chosenDate < key.date)) {
            chosen = i;
            chosenDate = key.date;
        }
    }
    return chosen;
}

// The file of the most recent readable earlier test of `later` in `folder`, or an empty
// string when the folder holds none.
QString mostRecentEarlierTestIn(const QString& folder, const AnalysisState& later);

// The later test compared with the earlier one as its norm (normFromExaminee). Throws
// AnalysisError naming both files when their codes differ.
AnalysisState retestAnalysis(AnalysisState later, const AnalysisState& earlier);

} // namespace ezr
