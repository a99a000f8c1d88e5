#pragma once

#include <QList>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace ezr {

// Shows `text` whole in the fixed box of `editor`: at the editor's own font size when it fits,
// otherwise a pixel smaller at a time down to `smallestPixelSize`; a text still too long then
// gets a scroll bar instead of losing its last lines.
void showFittedText(QPlainTextEdit* editor, const QString& text, int largestPixelSize,
                    int smallestPixelSize);

// Texts on one line read as one: every widget takes the smallest pixel size among them.
void shareSmallestFont(const QList<QWidget*>& widgets);

} // namespace ezr
