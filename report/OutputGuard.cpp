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
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
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
    for (const ExamineeRecord& member : state.members)
        if (identityOf(state.source + QLatin1Char('/') + member.fileName) == written)
            refuse(OutputError::Kind::GroupMember);
}

void writeOutput(const QString& output, const AnalysisState& state, QByteArrayView bytes) {
    refuseOutputAmongInputs(output, state);
    writeFileVerified(output, bytes);
}

} // namespace ezr
