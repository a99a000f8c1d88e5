#pragma once

#include "UserDialogs.h"

#include <map>

// The outputs of the window, each with a save dialog of its own.
enum class SavedOutput { TextReport, PdfReport, Table, ProfilePicture, AnswerTimePicture };

// What each output's save dialog remembers between uses: the folder it last saved in and the
// filter last chosen in it. One output's dialog never shows another's filters: a picture is
// only ever offered as GIF, a report as its one format.
class SaveDialogMemory {
public:
    // The dialog for `output`, proposing `proposedName` (a bare name with the first filter's
    // extension) in the remembered folder, or in `resultsFolder` before the first save or when
    // that folder is gone. The extension follows the remembered filter.
    SaveDialogRequest request(SavedOutput output, const QString& proposedName,
                              const QString& resultsFolder) const;
    // The user saved `output` as `path`.
    void remember(SavedOutput output, const QString& path);

private:
    struct Remembered {
        QString folder;
        QString filter;
    };
    std::map<SavedOutput, Remembered> remembered_;
};
