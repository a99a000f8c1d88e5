#pragma once

#include <QString>
#include <QTextDocument>

namespace ezr {

// A hint that shows its text as it is. Qt draws a tooltip as rich text when its first line
// looks like markup, so a name such as "<b>Иванов</b>" or "<img src=…>" from a response file,
// a norm or a folder name would be drawn, not shown; such a text is escaped. Only the first
// line is looked at, so a long group hint costs nothing.
inline QString plainToolTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

} // namespace ezr
