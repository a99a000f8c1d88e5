#pragma once

#include "ImportTable.h"

// A table of examinees from a file as HR people have it: CSV (see csvRecords), Excel .xlsx or
// OpenDocument .ods (the first sheet; see workbookRecords). The kind is told by the file's
// first bytes, not by its name. The file is read again for each pass over its rows and never
// held whole.
namespace ezr {

// Throws AnalysisError, in Russian, when the file cannot be opened, is larger than
// MaxImportTableSize, is a workbook of another kind (.xls) or an archive that is no table.
ImportTable openImportTable(const QString& path);

} // namespace ezr
