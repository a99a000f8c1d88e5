#pragma once

#include "ImportTable.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QTableWidget;
class UserDialogs;

// "Импорт таблицы…": the rows of the table with what keeps them from being written (the first
// 1,000 rows and problems; all are counted), before anything is written; "Записать" then writes the
// good rows (or, asked to, all or nothing) into the data folder and never replaces a file unless
// "Заменять" is ticked.
class ImportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    ImportPreviewDialog(UserDialogs* dialogs, ezr::ImportTable table, const QString& tablePath,
                        const QString& dataDir, QWidget* parent);

    QTableWidget* rows() const { return rows_; }

    // The preview shows no more than these; every row is still checked and counted.
    static constexpr int MaxShownRows = 1000;
    static constexpr qsizetype MaxShownProblems = 1000;

public slots:
    // Writes and closes the dialog; returns the number of files written.
    int writeRows();

private:
    void showRows();
    void addRow(int row, const QString& code, const QString& name, const QStringList& notes);

    UserDialogs* dialogs_;
    ezr::ImportTable table_;
    QString dataDir_;
    QTableWidget* rows_ = nullptr;
    QLabel* summary_ = nullptr;
    QCheckBox* replace_ = nullptr;
    QCheckBox* allOrNothing_ = nullptr;
};
