// A group of the archive's tests as the window analyses it, and its norm saved for the team.

#include "ArchiveGroups.h"

#include "NormFile.h"
#include "PgConnection.h"

using namespace ezr;

namespace {

ArchiveGroup analysed(const std::shared_ptr<PgConnection>& archive, ArchiveFiles files,
                      const ArchiveGroupNorm& norm, const GroupChoice& choice,
                      const GroupProgress& progress) {
    ArchiveGroup group;
    group.members = files.ids;
    group.fileNames = files.fileNames;
    group.choice = choice;
    group.state =
        groupAnalysis(archiveListing(archive, std::move(files), ArchiveGroupLabel), norm.kind,
                      norm.criterion, nullptr, progress, GroupKeeps::Roster, choice);
    if (norm.own)
        group.state = withNorm(std::move(group.state), *norm.own);
    return group;
}

} // namespace

ArchiveGroup analyseArchiveGroup(const std::shared_ptr<PgConnection>& archive,
                                 const QList<ArchiveEntry>& entries, const ArchiveGroupNorm& norm,
                                 const GroupChoice& choice, const GroupProgress& progress) {
    ArchiveFiles files;
    files.ids.reserve(entries.size());
    for (const ArchiveEntry& entry : entries) {
        files.ids.append(entry.id);
        files.fileNames.append({entry.fileName});
    }
    return analysed(archive, std::move(files), norm, choice, progress);
}

ArchiveGroup analyseArchiveGroup(const std::shared_ptr<PgConnection>& archive,
                                 const ArchiveSelection& selection, const ArchiveGroupNorm& norm,
                                 const GroupChoice& choice, const GroupProgress& progress) {
    return analysed(archive, listTestFiles(*archive, selection), norm, choice, progress);
}

AnalysisState readArchiveGroupAgain(const std::shared_ptr<PgConnection>& archive,
                                    const ArchiveGroup& group, const GroupProgress& progress,
                                    const GroupMemberSink& eachMember) {
    return groupAnalysis(
        archiveListing(archive, ArchiveFiles{group.members, group.fileNames}, ArchiveGroupLabel),
        NormKind::Satisfaction, QString(), nullptr, progress, GroupKeeps::Names, group.choice,
        eachMember);
}

void saveGroupNormInArchive(PgConnection& archive, const AnalysisState& group, const QString& name,
                            const QString& description, const QList<qint64>& members) {
    QString said = description.trimmed();
    if (said.isEmpty())
        said = group.choiceDescription.isEmpty() ? QStringLiteral("обследования архива")
                                                 : group.choiceDescription;
    saveArchiveNorm(archive, normFromGroup(group, name, said), members);
}

QString archiveNormTitle(const Norm& norm) {
    return QStringLiteral("Архив: ") + normGroupName(norm);
}
