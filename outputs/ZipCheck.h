#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace ezr {

// What is wrong with a zip archive (a workbook): the part that is missing or damaged, or the
// archive's own directory when `part` is empty.
struct ArchiveDamage {
    QString part;
    bool missing = false;
};

// Reads the archive back as a spreadsheet program would: its directory must be whole, every
// part must inflate to the size and CRC the directory records, every XML part must be well
// formed, and the parts in `required` and those that [Content_Types].xml names must be there.
std::optional<ArchiveDamage> archiveDamage(QByteArrayView archive, const QStringList& required);

} // namespace ezr
