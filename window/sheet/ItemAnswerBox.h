#pragma once

#include "AnalysisData.h"

#include <QFrame>

// One item of the answer sheet: shows "РО", "ПО" or nothing, and takes its answer from one
// key, so that a sheet is typed without the mouse: 1, Р (or R, or H, the key Р lies on in the
// Latin layout) for the resultative statement, 2, П (P, G) for the procedural one. Backspace
// and Delete clear it; the arrows move between items.
class ItemAnswerBox : public QFrame {
    Q_OBJECT
public:
    // The sheet shows each block of 36 items in three columns of twelve.
    static constexpr int ItemsPerColumn = 12;

    ItemAnswerBox(int item, QWidget* parent);

    int item() const { return item_; }
    ezr::MarkPair marks() const { return marks_; }
    void setMarks(ezr::MarkPair marks);
    // Marked when the two entries of a double entry differ here.
    void setMismatch(bool mismatch);
    bool mismatch() const { return mismatch_; }

    QSize sizeHint() const override { return {40, 22}; }

signals:
    // The user has answered the item by a key: the form moves on to the next one.
    void answered(int item);
    void cleared(int item);
    // An arrow key: go to the item `step` places away.
    void moveRequested(int item, int step);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int item_;
    ezr::MarkPair marks_;
    bool mismatch_ = false;
};
