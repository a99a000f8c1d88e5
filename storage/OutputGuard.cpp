#include "OutputGuard.h"

#include "OutputError.h"
#include "VerifiedWrite.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <sys/stat.h>

namespace ezr {

namespace {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t links = 0;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino, info.st_nlink};
}

} // namespace

void refuseOutputAmongInputs(const QString& output, const AnalysisState& state) {
    if (state.source.isEmpty())
        return;
    const QString target = resolvedOutputPath(output);
    const auto refuse = [&output](OutputError::Kind why) { throw OutputError(why, output, 0); };
    const std::optional<FileIdentity> written = identityOf(target);
    if (state.kind != AnalysisKind::Group) {
        if (written && written == identityOf(state.source))
            refuse(OutputError::Kind::AnalysedFile);
        return;
    }
    const std::optional<FileIdentity> folder = identityOf(state.source);
    if (folder && folder == identityOf(QFileInfo(target).absolutePath()))
        refuse(OutputError::Kind::GroupFolder);
    if (!written)
        return;
    // A file with a single link outside the folder can be a member only through a member
    // that is a symbolic link: otherwise no member needs a look, which for a large group
    // would cost a second pass over the folder.
    if (written->links < 2 && !state.roster.linkedMembers)
        return;
    const PackedStrings& members = state.roster.fileNames;
    for (qsizetype m = 0; m < members.size(); ++m)
        if (identityOf(state.source + QLatin1Char('/') + members.at(m).toString()) == written)
            refuse(OutputError::Kind::GroupMember);
}

void writeOutput(const QString& output, const AnalysisState& state, QByteArrayView bytes) {
    refuseOutputAmongInputs(output, state);
    writeFileVerified(output, bytes);
}

void writeOutput(const QString& output, const AnalysisState& state,
                 const std::function<void(ByteSink&)>& produce) {
    refuseOutputAmongInputs(output, state);
    writeFileVerified(output, produce);
}

} // namespace ezr
