#pragma once

#include <QIODevice>
#include <QStringList>

namespace ezr {

// ezr-import TABLE [--data DIR] [--replace] [--all-or-nothing]: one response file per good
// row of the table into the data folder. Each refused row gives one line on `standardError`
// per problem (row, column, reason); the summary goes to `standardOutput`. Returns 0 when
// every row was written, 1 when any row was refused or a file could not be written, 2 on
// wrong usage.
int runImportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError);

} // namespace ezr
