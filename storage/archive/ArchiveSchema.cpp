#include "ArchiveSchema.h"

#include "AnalysisError.h"
#include "ArchiveMigrations.h"
#include "PgConnection.h"

namespace ezr {

int archiveSchemaVersion() {
    return int(archiveMigrations().size());
}

namespace {

int appliedVersion(PgConnection& connection) {
    const PgResult exists = connection.exec("SELECT to_regclass('ezr.migrations') IS NOT NULL");
    if (exists.text(0, 0) != QLatin1String("t"))
        return 0;
    return int(
        connection.exec("SELECT coalesce(max(version), 0) FROM ezr.migrations").number(0, 0));
}

} // namespace

int migrateArchive(PgConnection& connection) {
    int applied = 0;
    const QList<const char*> migrations = archiveMigrations();
    for (int version = 1; version <= migrations.size(); ++version) {
        PgTransaction transaction(connection);
        // One init at a time per database; the second finds the work done.
        connection.exec("SELECT pg_advisory_xact_lock(7033001)");
        if (appliedVersion(connection) >= version)
            continue;
        connection.execScript(migrations.at(version - 1));
        connection.exec("RESET ROLE");
        connection.exec("INSERT INTO ezr.migrations (version) VALUES ($1)",
                        {PgParam::number(version)});
        transaction.commit();
        ++applied;
    }
    return applied;
}

void checkArchiveVersion(PgConnection& connection) {
    const int version = appliedVersion(connection);
    if (version == 0)
        throw AnalysisError(QStringLiteral(
            "В базе нет архива: его создаёт «ezr-archive init» от имени администратора"));
    if (version > archiveSchemaVersion())
        throw AnalysisError(
            QStringLiteral("Архив версии %1 новее этой программы (она знает версии до %2)")
                .arg(version)
                .arg(archiveSchemaVersion()));
}

} // namespace ezr
