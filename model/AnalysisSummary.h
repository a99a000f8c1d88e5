#pragma once

#include "Analysis.h"

#include <QString>
#include <QStringList>

// What a reader needs before the numbers: who a group is (its composition, the days of its
// tests, the norm it is compared with), and whether the answers can be trusted. The window's
// information text and the reports open with these lines.
namespace ezr {

// A group: "Группа: …", "Обследования: …", "Норма: …", then the members whose answers ask
// for a look. An examinee: the answer-quality figures (qualityLines).
QStringList informationSummary(const AnalysisState& state);

// A member as the lists name it: "code. name", or the code alone when the name is unknown
// (an anonymous output).
QString memberLabel(const DoubtfulMember& member);

// The members a run left out for doubtful answers, "Исключено из группы (ответы требуют
// проверки): N" and one line each with the reasons; empty when none was left out.
QStringList excludedLines(const AnalysisState& state);

// The members kept in the group although their answers ask for a look, "Ответы требуют
// проверки: N" and one line each; empty when there is none.
QStringList doubtfulKeptLines(const AnalysisState& state);

} // namespace ezr
