#include "Folders.h"

#include "Domain.h"
#include "FolderEntries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace ezr {

namespace {

const QString& DataName = DataFolderName;
const QString& ResultsName = ResultsFolderName;
const QString NormsName = QStringLiteral("Norms");
const QString DataFolderKey = QStringLiteral("folders/data");

// One settings file for the window and every later run: ~/.config/ezr/ezr.conf.
QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ezr"),
                     QStringLiteral("ezr"));
}

QString withoutTrailingSeparator(const QString& path) {
    return QDir::cleanPath(path);
}

QString ensured(const Folder& folder) {
    // Only the program's own folders are made; a folder the user named must exist already.
    if (folder.origin == FolderOrigin::UserFolder)
        makePrivateFolder(folder.path);
    return folder.path;
}

} // namespace

Folders decideFolders(const FolderInputs& in) {
    Folders folders;
    if (!in.dataOption.isEmpty())
        folders.data = {withoutTrailingSeparator(in.dataOption), FolderOrigin::CommandLine};
    else if (!in.rememberedData.isEmpty())
        folders.data = {withoutTrailingSeparator(in.rememberedData), FolderOrigin::Remembered};
    else if (in.dataBesideProgram)
        folders.data = {in.exeDir + DataName, FolderOrigin::BesideProgram};
    else
        folders.data = {in.userRoot + QLatin1Char('/') + DataName, FolderOrigin::UserFolder};

    // A copy with its own Data keeps its results beside it too.
    if (!in.resultsOption.isEmpty())
        folders.results = {withoutTrailingSeparator(in.resultsOption), FolderOrigin::CommandLine};
    else if (in.resultsBesideProgram || in.dataBesideProgram)
        folders.results = {in.exeDir + ResultsName, FolderOrigin::BesideProgram};
    else
        folders.results = {in.userRoot + QLatin1Char('/') + ResultsName, FolderOrigin::UserFolder};

    // Norms follow the program's copy, not the folder of one run: no option, no remembered
    // choice.
    if (in.normsBesideProgram || in.dataBesideProgram)
        folders.norms = {in.exeDir + NormsName, FolderOrigin::BesideProgram};
    else
        folders.norms = {in.userRoot + QLatin1Char('/') + NormsName, FolderOrigin::UserFolder};
    return folders;
}

QString executableFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

namespace {
QString absoluteOrEmpty(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}
} // namespace

FolderConfig::FolderConfig(QString exeDir, const QString& dataOption, const QString& resultsOption)
    : exeDir_(std::move(exeDir)), dataOption_(absoluteOrEmpty(dataOption)),
      resultsOption_(absoluteOrEmpty(resultsOption)) {}

QString FolderConfig::userFolderRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ezr");
}

FolderInputs FolderConfig::inputs() const {
    FolderInputs in;
    in.exeDir = exeDir_;
    in.dataBesideProgram = QFileInfo(exeDir_ + DataName).isDir();
    in.resultsBesideProgram = QFileInfo(exeDir_ + ResultsName).isDir();
    in.normsBesideProgram = QFileInfo(exeDir_ + NormsName).isDir();
    in.rememberedData = settings().value(DataFolderKey).toString();
    if (!in.rememberedData.isEmpty() && !QFileInfo(in.rememberedData).isDir()) {
        // Deleted, renamed or on a drive not attached: the folder the program would choose
        // without it serves until it is back.
        in.missingRememberedData = in.rememberedData;
        in.rememberedData.clear();
    }
    in.dataOption = dataOption_;
    in.resultsOption = resultsOption_;
    in.userRoot = userFolderRoot();
    return in;
}

QString FolderConfig::dataFolder() const {
    return ensured(decideFolders(inputs()).data);
}

QString FolderConfig::resultsFolder() const {
    return ensured(decideFolders(inputs()).results);
}

QString FolderConfig::normsFolder() const {
    // Made by the first norm saved, not by looking for norms.
    return decideFolders(inputs()).norms.path;
}

void FolderConfig::rememberDataFolder(const QString& path) {
    QSettings s = settings();
    s.setValue(DataFolderKey, withoutTrailingSeparator(path));
    s.sync();
    // The choice made now replaces the folder given on the command line.
    dataOption_.clear();
}

} // namespace ezr
