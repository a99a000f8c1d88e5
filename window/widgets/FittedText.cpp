#include "FittedText.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

namespace ezr {

namespace {

// The plain-text editor lays its lines out one font height apart, inside the document margin.
bool fitsBox(const QString& text, const QFont& font, const QSize& box, qreal margin) {
    QTextDocument document;
    document.setDefaultFont(font);
    document.setDocumentMargin(margin);
    document.setPlainText(text);
    document.setTextWidth(box.width());
    // Half a line of slack: the editor and the document may round line heights differently.
    const qreal slack = QFontMetricsF(font).lineSpacing() / 2;
    return document.size().height() + slack <= box.height();
}

} // namespace

void showFittedText(QPlainTextEdit* editor, const QString& text, int largestPixelSize,
                    int smallestPixelSize) {
    QFont font = editor->font();
    const QSize box = editor->contentsRect().size();
    const qreal margin = editor->document()->documentMargin();
    int size = largestPixelSize;
    font.setPixelSize(size);
    while (size > smallestPixelSize && !fitsBox(text, font, box, margin)) {
        --size;
        font.setPixelSize(size);
    }
    editor->setFont(font);
    editor->setVerticalScrollBarPolicy(fitsBox(text, font, box, margin) ? Qt::ScrollBarAlwaysOff
                                                                        : Qt::ScrollBarAsNeeded);
    editor->setPlainText(text);
}

void shareSmallestFont(const QList<QWidget*>& widgets) {
    if (widgets.isEmpty())
        return;
    const auto smaller = [](const QWidget* a, const QWidget* b) {
        return a->font().pixelSize() < b->font().pixelSize();
    };
    const int size =
        (*std::min_element(widgets.begin(), widgets.end(), smaller))->font().pixelSize();
    for (QWidget* widget : widgets) {
        QFont font = widget->font();
        font.setPixelSize(size);
        widget->setFont(font);
        widget->adjustSize();
    }
}

} // namespace ezr
