#pragma once

#include <QString>

namespace ezr {

class PgConnection;

// The archive's schema version this program reads and writes.
int archiveSchemaVersion();

// Creates the group roles (ezr_owner, ezr_psychologist, ezr_head, ezr_admin), then applies
// each numbered migration the database lacks, in order, each in its own transaction under
// a lock, so that two runs of "ezr-archive init" at once apply each migration once. Needs a
// role that may create roles and schemas (the cluster's superuser). Returns how many
// migrations it applied. Throws AnalysisError.
int migrateArchive(PgConnection& connection);

// Throws AnalysisError when the database holds no archive or one newer than this program.
void checkArchiveVersion(PgConnection& connection);

} // namespace ezr
