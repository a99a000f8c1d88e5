#pragma once

#include <QIODevice>
#include <QStringList>

namespace ezr {

// ezr-archive: the department's archive from the command line (init, import, export, list,
// delete, grant, revoke, norms, save-norm). `arguments` as QCoreApplication::arguments()
// gives them. Returns the exit code: 0 done, 1 failed (or some files were not imported),
// 2 wrong usage.
int runArchiveCommand(const QStringList& arguments, QIODevice& standardOutput,
                      QIODevice& standardError);

} // namespace ezr
