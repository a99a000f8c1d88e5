#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace ezr {

// What is wrong with a workbook's zip archive: the part that is missing or damaged, or the
// archive's own directory when `part` is empty. `number` is the text of a number the part
// writes out of the format's syntax ("1,52302"), when that is what is wrong.
struct ArchiveDamage {
    QString part;
    bool missing = false;
    std::optional<QString> number;
};

// Reads the workbook back as a spreadsheet program would, through libzip: its directory must
// be whole, every part must unpack to the size and CRC the directory records, every XML part
// must be well formed, the parts in `required` and those that [Content_Types].xml names must
// be there, and every number a worksheet or the styles write (a numeric cell's <v>, a column
// width, a row height, a margin) must be a number in the XML Schema's syntax: a decimal point,
// never a comma, whatever the C library's locale was.
std::optional<ArchiveDamage> archiveDamage(QByteArrayView archive, const QStringList& required);

// Whether `text` is an xsd:double as a workbook writes it: an optional sign, digits with
// at most one decimal point, an optional exponent; or INF, -INF, NaN.
bool isXmlNumber(QByteArrayView text);

} // namespace ezr
