#pragma once

#include "ImportTable.h"

#include <QIODevice>

// CSV tables as HR people have them: UTF-8 with or without byte order mark, Windows-1251, or
// UTF-16 (little or big endian, told by its byte order mark or by its zero bytes); cells
// separated by ";", "," or tab (whichever the heading uses most, outside quotes), quoted as
// spreadsheets quote them, records ending at LF, CR LF or CR.
namespace ezr {

// The records of the CSV table on `device` (open for reading, seekable: the encoding is
// decided by a first pass over the bytes). Read in blocks: memory stays small for any size.
std::unique_ptr<TableRecords> csvRecords(std::unique_ptr<QIODevice> device);

} // namespace ezr
