#pragma once

#include "Analysis.h"
#include "VerifiedWrite.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

// An output must never take the place of what the analysis was made from: the examinee's
// response file, a member of the group folder, or a new file in that folder, which would
// join the next group run. The window and ezr-report both write through writeOutput.
namespace ezr {

// Throws OutputError when `output`, followed through its symbolic links, is the response file
// of `state`, lies in its group folder or is one of its members (compared by device and inode
// against the members the run listed, so hard links and other spellings are caught too).
// A chain of links that loops fails with the system's reason.
void refuseOutputAmongInputs(const QString& output, const AnalysisState& state);

// The guard, then the verified write.
void writeOutput(const QString& output, const AnalysisState& state, QByteArrayView bytes);
// The same for an output written as it is made: `produce` writes it into the sink.
void writeOutput(const QString& output, const AnalysisState& state,
                 const std::function<void(ByteSink&)>& produce);

} // namespace ezr
