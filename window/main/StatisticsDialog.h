#pragma once

#include "StatisticsTable.h"

#include <QDialog>

class QTableWidget;

// The group statistics on screen: a table that sorts by any column (by the numbers, not their
// text), the cells that differ after Holm's correction marked, the notes below.
class StatisticsDialog : public QDialog {
    Q_OBJECT
public:
    StatisticsDialog(const ezr::StatisticsReport& report, QWidget* parent = nullptr);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};
