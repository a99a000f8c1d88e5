#pragma once

#include <QList>

namespace ezr {

// The archive's migrations, version 1 first; a new version appends one, never edits one
// that a department may have applied.
QList<const char*> archiveMigrations();

// Version 3: the text field's search through trigram indexes.
const char* textSearchMigration();

} // namespace ezr
