#include "GroupRun.h"

#include "DisabledWhile.h"
#include "GroupProgressDialog.h"

#include <QAction>
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <exception>
#include <memory>
#include <optional>

using namespace ezr;

namespace {

// The window's commands stay off while the run lasts, their shortcuts and the context menu
// included, and come back as they were however it ends.
class CommandsOff {
public:
    explicit CommandsOff(QWidget* window)
        : actions_(window->findChildren<QAction*>()), bar_(window->findChild<QMenuBar*>()) {
        if (bar_)
            bar_->setEnabled(false);
    }
    ~CommandsOff() {
        if (bar_)
            bar_->setEnabled(true);
    }
    CommandsOff(const CommandsOff&) = delete;
    CommandsOff& operator=(const CommandsOff&) = delete;

private:
    DisabledWhile<QAction> actions_;
    QPointer<QMenuBar> bar_;
};

} // namespace

void runOffTheWindow(QWidget* window, GroupProgressDialog& progress,
                     const std::function<void(const GroupProgress&)>& run) {
    const CommandsOff off(window);
    // Each report waits for the dialog to take it, a few hundred times a run: the count
    // shown is the count read, and a cancel takes effect at the very next report.
    QObject receiver;
    const GroupProgress report = [&receiver, &progress](int read, int total) {
        bool goOn = false;
        QMetaObject::invokeMethod(
            &receiver, [&] { return progress.report(read, total); }, Qt::BlockingQueuedConnection,
            &goOn);
        return goOn;
    };

    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            run(report);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}

AnalysisState runGroupOffTheWindow(QWidget* window, GroupProgressDialog& progress,
                                   const std::function<AnalysisState(const GroupProgress&)>& run) {
    std::optional<AnalysisState> result;
    runOffTheWindow(window, progress, [&](const GroupProgress& report) { result = run(report); });
    return std::move(*result);
}

void discardOffTheWindow(AnalysisState state) {
    auto discarded = std::make_shared<AnalysisState>(std::move(state));
    QThread* thread =
        QThread::create([discarded = std::move(discarded)]() mutable { discarded.reset(); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}
