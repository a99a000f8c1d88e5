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
    group.state = groupAnalysis(archiveListing(archive, entries, ArchiveGroupLabel), norm.kind,
                                norm.criterion, nullptr, progress, GroupKeeps::TableRows, choice);
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
