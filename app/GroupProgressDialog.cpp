#include "GroupProgressDialog.h"

#include "Domain.h"

#include <algorithm>

GroupProgressDialog::GroupProgressDialog(QWidget* window, int delayMs)
    : dialog_(QString(), QStringLiteral("Отмена"), 0, 1, window) {
    dialog_.setObjectName(QStringLiteral("groupProgress"));
    dialog_.setWindowTitle(ezr::ApplicationTitle);
    // Modal to the window: while the run reads, the dialog's events are served and the
    // window takes no command.
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(delayMs);
    dialog_.setAutoClose(true);
    dialog_.setAutoReset(true);
}

ezr::GroupProgress GroupProgressDialog::callback() {
    return [this](int read, int total) { return report(read, total); };
}

bool GroupProgressDialog::report(int read, int total) {
    if (dialog_.wasCanceled())
        return false;
    if (dialog_.maximum() != total)
        dialog_.setMaximum(total);
    // Each update serves the dialog's events; a few hundred steps keep "Отмена" prompt
    // without slowing a large group down.
    const int step = std::max(1, total / 500);
    if (read != 0 && read != total && read - shown_ < step)
        return true;
    shown_ = read;
    dialog_.setLabelText(QStringLiteral("Прочитано файлов группы: %1 из %2").arg(read).arg(total));
    dialog_.setValue(read);
    return !dialog_.wasCanceled();
}
