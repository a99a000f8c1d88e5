#include "ItemAnswerBox.h"

#include "AnswerSheet.h"
#include "DoubleEntry.h"

#include <QKeyEvent>
#include <QPainter>

using namespace ezr;

ItemAnswerBox::ItemAnswerBox(int item, QWidget* parent) : QFrame(parent), item_(item) {
    setObjectName(QStringLiteral("item%1").arg(item));
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAccessibleName(QStringLiteral("Пункт %1").arg(item));
}

void ItemAnswerBox::setMarks(MarkPair marks) {
    marks_ = marks;
    update();
}

void ItemAnswerBox::keyPressEvent(QKeyEvent* event) {
    // By the text the key types, so that both keyboard layouts work without switching.
    const QString key = event->text().toUpper();
    static const QString resultativeKeys = QStringLiteral("1РRH");
    static const QString proceduralKeys = QStringLiteral("2ПPG");
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QFrame::keyPressEvent(event);
        return;
    }
    if (key.size() == 1 && (resultativeKeys.contains(key) || proceduralKeys.contains(key))) {
        setMarks(marksFor(resultativeKeys.contains(key) ? ItemAnswer::Resultative
                                                        : ItemAnswer::Procedural));
        emit answered(item_);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        setMarks({});
        emit cleared(item_);
        if (event->key() == Qt::Key_Backspace)
            emit moveRequested(item_, -1);
        return;
    // The items run down the columns of the sheet, as on paper.
    case Qt::Key_Up:
        emit moveRequested(item_, -1);
        return;
    case Qt::Key_Down:
    case Qt::Key_Space:
        emit moveRequested(item_, 1);
        return;
    case Qt::Key_Left:
        emit moveRequested(item_, -ItemsPerColumn);
        return;
    case Qt::Key_Right:
        emit moveRequested(item_, ItemsPerColumn);
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

void ItemAnswerBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inside = contentsRect();
    if (hasFocus())
        painter.fillRect(inside, palette().highlight());
    else if (mismatch_)
        painter.fillRect(inside, QColor(255, 210, 160));
    if (mismatch_) {
        painter.setPen(QPen(QColor(200, 0, 0), 2));
        painter.drawRect(inside.adjusted(1, 1, -1, -1));
    }
    const ItemAnswer answer = itemAnswer(marks_);
    QString text = answer == ItemAnswer::None ? QString() : itemAnswerText(answer);
    // A file may hold marks no key gives (both 1, say): shown as they stand.
    if (answer == ItemAnswer::None && marks_ != MarkPair{})
        text = QStringLiteral("%1 %2").arg(marks_.resultative).arg(marks_.procedural);
    painter.setPen(hasFocus() ? palette().highlightedText().color() : palette().text().color());
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(inside, Qt::AlignCenter, text);
}

void ItemAnswerBox::setMismatch(bool mismatch) {
    if (mismatch_ == mismatch)
        return;
    mismatch_ = mismatch;
    setAccessibleDescription(mismatch ? QStringLiteral("вводы расходятся") : QString());
    update();
}

void ItemAnswerBox::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    update();
}

void ItemAnswerBox::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    update();
}

void ItemAnswerBox::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QFrame::mousePressEvent(event);
}
