#pragma once

#include <QString>
#include <QStringView>

// Text that comes from a file or a norm is shown and written as one line of plain text: a
// carriage return, line feed, escape or any other control character in it could forge a line
// of a report or drive the terminal it is printed on.
namespace ezr {

// Whether `text` holds a control character: C0 (U+0000-U+001F), DEL, C1 (U+0080-U+009F), or
// a line or paragraph separator.
bool hasControlCharacters(QStringView text);

// `text` with each such character replaced by "?".
QString oneLine(QStringView text);

} // namespace ezr
