#include "GroupProgressDialog.h"

#include "Domain.h"

#include <limits>

GroupProgressDialog::GroupProgressDialog(QWidget* window, int delayMs)
    : dialog_(QString(), QStringLiteral("Отмена"), 0, 1, window), delayMs_(delayMs) {
    dialog_.setObjectName(QStringLiteral("groupProgress"));
    dialog_.setWindowTitle(ezr::ApplicationTitle);
    // Modal to the window: while the run reads, the dialog's events are served and the
    // window takes no command.
    dialog_.setWindowModality(Qt::WindowModal);
    // The dialog shows itself only from a report: its own timer would show it empty, before
    // the run has counted its members, as soon as the window serves its events.
    dialog_.setMinimumDuration(std::numeric_limits<int>::max());
    dialog_.reset();
    started_.start();
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
    dialog_.setLabelText(QStringLiteral("Прочитано файлов группы: %1 из %2").arg(read).arg(total));
    dialog_.setValue(read);
    if (!dialog_.isVisible() && read > 0 && read < total && started_.elapsed() >= delayMs_)
        dialog_.show();
    return !dialog_.wasCanceled();
}
