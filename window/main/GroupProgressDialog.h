#pragma once

#include "Analysis.h"

#include <QElapsedTimer>
#include <QProgressDialog>

// The progress of a group run: members read of the total, with "Отмена". It appears only
// once the run has lasted `delayMs`; a shorter run never shows it.
class GroupProgressDialog {
public:
    GroupProgressDialog(QWidget* window, int delayMs);
    GroupProgressDialog(const GroupProgressDialog&) = delete;
    GroupProgressDialog& operator=(const GroupProgressDialog&) = delete;

    // For groupAnalysis: false once the user has cancelled.
    ezr::GroupProgress callback();
    // Shows `read` of `total`; false once the user has cancelled.
    bool report(int read, int total);

private:
    QProgressDialog dialog_;
    int delayMs_;
    QElapsedTimer started_;
};
