// A group of the archive's tests as the window analyses it, and its norm saved for the team.

#include "ArchiveGroups.h"

#include "NormFile.h"
#include "PgConnection.h"

using namespace ezr;

ArchiveGroup analyseArchiveGroup(const std::shared_ptr<PgConnection>& archive,
                                 const QList<ArchiveEntry>& entries, const ArchiveGroupNorm& norm,
                                 const GroupChoice& choice, const GroupProgress& progress) {
    ArchiveGroup group;
    group.members.reserve(entries.size());
    for (const ArchiveEntry& entry : entries)
        group.members.append(entry.id);
    GroupListing listing = archiveListing(archive, entries, ArchiveGroupLabel);
    group.fileNames = listing.roster.fileNames;
    group.choice = choice;
    group.state = groupAnalysis(std::move(listing), norm.kind, norm.criterion, nullptr, progress,
                                GroupKeeps::Roster, choice);
    if (norm.own)
        group.state = withNorm(std::move(group.state), *norm.own);
    return group;
}

ArchiveGroup analyseArchiveGroup(const std::shared_ptr<PgConnection>& archive,
                                 const ArchiveSelection& selection, const ArchiveGroupNorm& norm,
                                 const GroupChoice& choice, const GroupProgress& progress) {
    return analyseArchiveGroup(archive, listTests(*archive, selection, ArchivePage{}), norm, choice,
                               progress);
}

AnalysisState readArchiveGroupAgain(const std::shared_ptr<PgConnection>& archive,
                                    const ArchiveGroup& group, const GroupProgress& progress,
                                    const GroupMemberSink& eachMember) {
    return groupAnalysis(archiveListing(archive, group.members, group.fileNames, ArchiveGroupLabel),
                         NormKind::Satisfaction, QString(), nullptr, progress, GroupKeeps::Names,
                         group.choice, eachMember);
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
