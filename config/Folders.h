#pragma once

#include <QString>

// Where the program reads response files and proposes its output.
//
// A copy of the program that has `Data` beside its executable (the build tree, a portable
// copy) keeps working there, `Results` beside it as well. An installed program has no such
// folder: it uses the user's own folders under the user's data directory, made when first
// needed and never filled with examples. A data folder chosen in the window is remembered
// and wins over both; the command line wins over everything for one run.
namespace ezr {

enum class FolderOrigin { CommandLine, Remembered, BesideProgram, UserFolder };

// Everything the choice depends on, gathered by currentFolderInputs().
struct FolderInputs {
    QString exeDir; // with a trailing separator
    bool dataBesideProgram = false;
    bool resultsBesideProgram = false;
    bool normsBesideProgram = false;
    QString rememberedData; // the data folder chosen in the window; empty when none
    // A remembered data folder that no longer exists: not used, but named to the user.
    QString missingRememberedData;
    QString dataOption;    // --data, empty when not given
    QString resultsOption; // --results, empty when not given
    QString userRoot;      // the program's folder in the user's data directory
};

struct Folder {
    QString path; // no trailing separator
    FolderOrigin origin = FolderOrigin::UserFolder;
    friend bool operator==(const Folder&, const Folder&) = default;
};

struct Folders {
    Folder data;
    Folder results;
    Folder norms;
};

Folders decideFolders(const FolderInputs& inputs);

// The executable's directory, with a trailing separator.
QString executableFolder();

// The folders of one run of the window: built in main from the executable's place and the
// command line, and asked by the commands that open and save files.
class FolderConfig {
public:
    // `dataOption` and `resultsOption`: the folders given on the command line for this run
    // (empty: not given).
    explicit FolderConfig(QString exeDir = executableFolder(), const QString& dataOption = {},
                          const QString& resultsOption = {});

    // The program's folder in the user's data directory (XDG: ~/.local/share/ezr).
    static QString userFolderRoot();

    // The inputs as they stand now: the executable's place, the file system, the settings,
    // the command line.
    FolderInputs inputs() const;

    // The folders for the next command. A user folder is made when it does not exist yet.
    QString dataFolder() const;
    QString resultsFolder() const;
    // Where "Сохранить как норму…" writes and "Нормирование" lists the user's norms; not made
    // here.
    QString normsFolder() const;

    // Remembers the data folder chosen in the window for this and later runs; for the rest of
    // this run it also replaces a --data folder.
    void rememberDataFolder(const QString& path);

private:
    QString exeDir_;
    QString dataOption_;
    QString resultsOption_;
};

} // namespace ezr
