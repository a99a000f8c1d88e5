#include "StatisticsCommands.h"

#include "AnalysisError.h"
#include "ExamineeListWindow.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "StatisticsDialog.h"
#include "StatisticsTable.h"

#include <QAction>
#include <QMessageBox>
#include <QTableView>

using namespace ezr;

StatisticsCommands::StatisticsCommands(QWidget* window, std::function<const AnalysisState&()> shown,
                                       int progressDelay)
    : QObject(window), window_(window), shown_(std::move(shown)), progressDelay_(progressDelay) {}

void StatisticsCommands::showGroupStatistics() {
    // The group's run kept each cell's sums, so its members need not be read again.
    const AnalysisState& shown = shown_();
    if (const std::optional<StatisticsReport> report = groupStatisticsReport(shown))
        show(*report);
    else if (const std::optional<StatisticsReport> standing = examineeStandingReport(shown))
        show(*standing);
    else
        QMessageBox::information(window_, QStringLiteral("Статистика"),
                                 QStringLiteral("Обследуемого можно сравнить с распределением "
                                                "группы, когда норма сохранена из группы "
                                                "(«Сохранить как норму…») и выбрана в "
                                                "«Нормирование»."));
}

void StatisticsCommands::attachTo(ExamineeListWindow* list) {
    if (list_ == list)
        return;
    list_ = list;
    auto* remember =
        new QAction(QStringLiteral("Статистика: запомнить выбранных как группу 1"), list);
    remember->setObjectName(QStringLiteral("mmStatisticsRemember"));
    auto* compare = new QAction(QStringLiteral("Статистика: сравнить выбранных с группой 1"), list);
    compare->setObjectName(QStringLiteral("mmStatisticsCompare"));
    compare->setEnabled(false);
    list->view()->addAction(remember);
    list->view()->addAction(compare);
    connect(remember, &QAction::triggered, this, [this, compare] {
        rememberSelection();
        compare->setEnabled(!firstFiles_.isEmpty());
    });
    connect(compare, &QAction::triggered, this, &StatisticsCommands::compareSelection);
}

void StatisticsCommands::rememberSelection() {
    if (!list_)
        return;
    firstFolder_ = list_->folder();
    firstFiles_ = list_->chosenFileNames();
}

QList<CellValues> StatisticsCommands::membersOf(const QString& folder,
                                                const QSet<QString>& fileNames) {
    GroupChoice choice;
    choice.fileNames = fileNames;
    choice.skipDamaged = true;
    GroupProgressDialog progress(window_, progressDelay_);
    const AnalysisState group =
        runGroupOffTheWindow(window_, progress, [&](const GroupProgress& report) {
            return groupAnalysis(folder, NormKind::Satisfaction, QString(), nullptr, report,
                                 GroupKeeps::TableRows, choice);
        });
    return memberCounts(group.members);
}

void StatisticsCommands::compareSelection() {
    if (!list_ || firstFiles_.isEmpty())
        return;
    const QSet<QString> second = list_->chosenFileNames();
    try {
        const QList<CellValues> first = membersOf(firstFolder_, firstFiles_);
        const QList<CellValues> other = membersOf(list_->folder(), second);
        show(statisticsReport(compareGroups(first, other), QStringLiteral("группа 1"),
                              QStringLiteral("выбранные")));
    } catch (const AnalysisError& error) {
        fail(errorBoxText(error));
    } catch (const GroupCancelled&) {
    }
}

void StatisticsCommands::show(const StatisticsReport& report) {
    if (dialog_)
        dialog_->close();
    dialog_ = new StatisticsDialog(report, window_);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->show();
}

void StatisticsCommands::fail(const QString& message) {
    QMessageBox::warning(window_, QStringLiteral("Статистика"), message);
}
