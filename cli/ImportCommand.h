#pragma once

#include <QIODevice>
#include <QStringList>

namespace ezr {

// ezr-import TABLE [--data DIR] [--replace] [--all-or-nothing]: one response file per good
// row of the table into the data folder. The first 100 refused rows give one line on
// `standardError` per problem (row, column, reason), then one line counts the rest; the
// summary goes to `standardOutput`. Returns 0 when
// every row was written, 1 when any row was refused or a file could not be written, 2 on
// wrong usage.
int runImportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError);

} // namespace ezr
