#pragma once

#include <QList>

namespace ezr {

// The archive's migrations, version 1 first; a new version appends one, never edits one
// that a department may have applied.
QList<const char*> archiveMigrations();

} // namespace ezr
