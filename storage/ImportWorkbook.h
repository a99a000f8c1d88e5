#pragma once

#include "ImportTable.h"
#include "ZipArchive.h"

// The first sheet of a spreadsheet table, read straight from the workbook as a spreadsheet
// program saved it: Excel's .xlsx (shared and inline strings, numbers, date cells as serial
// numbers told by their number format) and OpenDocument's .ods (strings, numbers,
// office:date-value, repeated columns and rows). Dates come as yyyy-mm-dd, numbers as the file
// stores them ("101", "12.5"), text cells exactly ("007" stays). The sheet is read as it
// unpacks, a row at a time.
namespace ezr {

enum class WorkbookKind { Xlsx, Ods };

// The records of the first sheet. `archive` must outlive them. `name` names the table in
// messages. Throws AnalysisError (in Russian) when the workbook has no sheet to read.
std::unique_ptr<TableRecords> workbookRecords(const ZipArchive& archive, WorkbookKind kind,
                                              const QString& name);

// A worksheet unpacks to at most this; its strings, held in memory, to at most the second.
inline constexpr qint64 MaxWorksheetSize = 4 * MaxImportTableSize;
inline constexpr qint64 MaxSharedStringsSize = qint64{32} * 1024 * 1024;

} // namespace ezr
