#pragma once

#include "Analysis.h"
#include "ArchiveStore.h"
#include "NormComparison.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>

namespace ezr {
class PgConnection;
}

// A group of the archive's tests as the window analyses it, whether chosen in the archive's
// list or by a "Группа" command while the window works on the archive, and the group's norm
// saved for the team: one rule for both places.

// Stands for the folder in a group read from the archive.
inline const QString ArchiveGroupLabel = QStringLiteral("архив");

struct ArchiveGroup {
    ezr::AnalysisState state;
    // The tests listed, by number and file name in listing order: the norm's member records,
    // and what a table of the group reads again.
    QList<qint64> members;
    ezr::PackedStrings fileNames;
    ezr::GroupChoice choice; // the members the run took of them
};

Q_DECLARE_METATYPE(ArchiveGroup)

// How the group is compared: a stored norm row (its kind and the group menu's criterion) or,
// when given, a norm of one's own or of the team's.
struct ArchiveGroupNorm {
    ezr::NormKind kind = ezr::NormKind::Satisfaction;
    QString criterion;
    std::optional<ezr::Norm> own = std::nullopt;
};

// The tests listed (rows chosen in the list), read from the archive and analysed as the same
// files in a folder are; as a folder's group, the state keeps the roster and no table rows
// (see readArchiveGroupAgain). Throws AnalysisError, GroupCancelled.
ArchiveGroup analyseArchiveGroup(const std::shared_ptr<ezr::PgConnection>& archive,
                                 const QList<ezr::ArchiveEntry>& entries,
                                 const ArchiveGroupNorm& norm, const ezr::GroupChoice& choice = {},
                                 const ezr::GroupProgress& progress = {});
// Every test the selection finds that `choice` takes.
ArchiveGroup analyseArchiveGroup(const std::shared_ptr<ezr::PgConnection>& archive,
                                 const ezr::ArchiveSelection& selection,
                                 const ArchiveGroupNorm& norm, const ezr::GroupChoice& choice = {},
                                 const ezr::GroupProgress& progress = {});

// The group's tests read again, each member handed to `eachMember` and none kept, for a table
// written member by member. Throws AnalysisError, GroupCancelled.
ezr::AnalysisState readArchiveGroupAgain(const std::shared_ptr<ezr::PgConnection>& archive,
                                         const ArchiveGroup& group,
                                         const ezr::GroupProgress& progress,
                                         const ezr::GroupMemberSink& eachMember);

// The group's norm saved into the archive for the whole team, with the tests it was made of
// (empty when the group was not read from the archive). An empty description says where the
// group came from. Throws AnalysisError.
void saveGroupNormInArchive(ezr::PgConnection& archive, const ezr::AnalysisState& group,
                            const QString& name, const QString& description,
                            const QList<qint64>& members);

// How the window names a team norm among its other norms.
QString archiveNormTitle(const ezr::Norm& norm);
