#pragma once

#include "AnalysisError.h"

#include <QString>

namespace ezr {

// A failure to put an output on the disk. The message it carries as an AnalysisError is the
// batch command's English one; the window shows windowText(), in Russian. Either names the
// path as the user gave it, escaped and capped, and gives the system's reason where there is
// one.
class OutputError : public AnalysisError {
public:
    enum class Kind {
        CannotCreate,  // the file (or its temporary file) could not be made
        CannotWrite,   // writing, syncing, closing or renaming failed
        Workbook,      // the workbook library failed, or its archive is damaged (no path)
        AnalysedFile,  // refused: the response file being analysed
        GroupFolder,   // refused: a new file in the group folder
        GroupMember,   // refused: a member of the group
        LinkedTarget,  // refused: a symbolic link where a data file would go
        SpecialTarget, // refused: a FIFO, device or folder where a data file would go
    };

    // `systemError` is the errno value of the failure, or 0. For a workbook, `detail` and
    // `russianDetail` say what failed when there is no system reason.
    OutputError(Kind kind, const QString& path, int systemError, const QString& detail = {},
                QString russianDetail = {});

    Kind kind() const { return kind_; }
    int systemError() const { return systemError_; }
    // The message for the window's error box: Russian, with the system's reason as the
    // session's translation of it gives it.
    QString windowText() const;

private:
    Kind kind_;
    QString path_; // escaped for messages
    int systemError_;
    QString russianDetail_;
};

} // namespace ezr
