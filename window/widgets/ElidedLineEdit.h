#pragma once

#include <QLineEdit>

// A field of the result panel whose text may be longer than the field (an own norm's name,
// a long Ф.И.О.): while it is not being edited, a text that does not fit ends in "…" instead
// of being cut anywhere, and the whole text shows as its tooltip. The text itself is kept.
class ElidedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // The text as the field shows it now: whole, or cut with "…".
    QString shownText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};
