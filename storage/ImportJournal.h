#pragma once

#include "StagedFiles.h"

#include <QString>

// An import that puts all its files into the data folder or none, even across a kill or a
// power cut. The staged files are synced first; then a journal beside the data (written
// through the verified write) names every target, its staged file and a second name of the
// file it replaces. From the moment the journal is on the disk the import is decided: the
// files are renamed into place, the old ones' second names and the journal removed. A failure
// the program sees on the way turns the journal to "undo" and puts every old file back. The
// next import into the folder finds a journal left by a killed run and finishes what it says.
namespace ezr {

// What an import found in its folder before it began.
struct InterruptedImport {
    int completed = 0; // files an interrupted import had decided on and that are now in place
    int undone = 0;    // files of an interrupted import taken back
    int leftovers = 0; // temporary files of interrupted writes removed
    bool found() const { return completed + undone + leftovers > 0; }
};

// Finishes or undoes the import whose journal a killed run left in `dataDir`, and removes
// the temporary files of interrupted writes. Throws AnalysisError when the journal cannot be
// read or its steps fail: nothing else may be written into the folder before.
InterruptedImport recoverInterruptedImport(const QString& dataDir);

// Puts every staged file into place or, on any failure, none; the old files stay as they
// were. Throws OutputError naming the first failure.
void placeAllOrNothing(StagedFiles& staged);

// The sentence the import says of what it found.
QString interruptedImportText(const InterruptedImport& found);

} // namespace ezr
