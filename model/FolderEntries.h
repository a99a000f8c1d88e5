#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

// Names in a data folder that the program itself reserves. The write helper puts a file's new
// bytes into ".<name>.ezr-XXXXXX" beside it before renaming it over the old one, and an import
// keeps its journal beside the data; a run killed at the wrong moment leaves such a file behind.
// They are never data: every reader of a folder skips them by name.
namespace ezr {

// The part between the target's name and the six random characters of a temporary file.
inline constexpr QLatin1StringView TemporaryInfix(".ezr-");
inline constexpr qsizetype TemporaryRandomLength = 6;

// The journal of an import in progress, in the data folder it writes into.
inline constexpr QLatin1StringView ImportJournalName(".ezr-import-journal");

// Whether `name` (no folder) is the write helper's temporary file of some target.
bool isTemporaryFileName(QStringView name);

// Whether a directory entry named `name` may be a response file: anything but the program's
// reserved names above (whether it reads is for the reader to find out).
bool isResponseFileCandidate(QStringView name);

} // namespace ezr

namespace ezr {

// Makes `path` and any missing folder above it, each new one readable by the user alone
// (0700) whatever the umask: the data, results and norms are personal. An existing folder is
// left as it is. False when a folder cannot be made.
bool makePrivateFolder(const QString& path);

// A warning naming `path` when it is an existing folder that other users may read, once per
// folder and run; empty otherwise.
QString openFolderWarning(const QString& path);

} // namespace ezr
