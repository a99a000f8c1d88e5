// The list of examinees and its groups, the group's own norms, and what group outputs may show
// of their members.

#include "MainWindow.h"

#include "AnalysisError.h"
#include "ExamineeListWindow.h"
#include "Export.h"
#include "NormFile.h"
#include "OutputSettings.h"
#include "StatisticsCommands.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace ezr;

namespace {

// The norm's file name: its name with what a file name should not hold replaced.
QString normFileName(const QString& name) {
    static const QRegularExpression unsafe(QStringLiteral("[^\\w\\- ]+"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QString base = name;
    base.replace(unsafe, QStringLiteral("_"));
    base = base.simplified().left(100);
    if (base.isEmpty() || base.startsWith(QLatin1Char('.')))
        base.prepend(QStringLiteral("norm"));
    return base + QStringLiteral(".json");
}

} // namespace

void MainWindow::showExamineeList() {
    if (!examineeList_) {
        examineeList_ = new ExamineeListWindow(this);
        connect(examineeList_, &ExamineeListWindow::openRequested, this,
                [this](const QString& path) {
                    openResponseFile(path);
                    raise();
                    activateWindow();
                });
        connect(examineeList_, &ExamineeListWindow::groupRequested, this,
                &MainWindow::runChosenGroup);
        connect(examineeList_, &ExamineeListWindow::retestRequested, this,
                &MainWindow::compareWithEarlierTest);
        examineeList_->setOwnNorms(ownNorms_);
        statistics_->attachTo(examineeList_);
    }
    examineeList_->listFolder(dataFolder());
    examineeList_->show();
    examineeList_->raise();
    examineeList_->activateWindow();
}

void MainWindow::runChosenGroup(const QString& folder, const GroupChoice& members,
                                const GroupNormChoice& norm) {
    // Nothing else starts from the list while its group is read.
    examineeList_->setEnabled(false);
    runGroup(norm.kind, norm.criterion, members, folder, norm.own);
    if (examineeList_)
        examineeList_->setEnabled(true);
    if (analysis_.kind == AnalysisKind::Group) {
        raise();
        activateWindow();
    }
}

void MainWindow::offerExamineeList(const AnalysisError& error, const QString& folder) {
    if (!dialogs_->showErrorOffering(this, errorBoxText(error),
                                     QStringLiteral("Открыть список обследуемых")))
        return;
    const QString fileName = QFileInfo(error.memberPath()).fileName();
    if (!examineeList_ || examineeList_->folder() != folder || !examineeList_->isVisible()) {
        showExamineeList();
        if (examineeList_->folder() != folder)
            examineeList_->listFolder(folder);
    } else {
        examineeList_->raise();
        examineeList_->activateWindow();
    }
    examineeList_->markFile(fileName);
}

// ---------------------------------------------------------------------------------------
// Norms of one's own

void MainWindow::saveAsNorm() {
    // A norm of a few members tells their answers as a report would.
    if (analysis_.kind != AnalysisKind::Group || groupOutputRefused())
        return;
    const QStringList texts =
        dialogs_->askTexts(this, QStringLiteral("Сохранить как норму"),
                           {{QStringLiteral("Название"), QString()},
                            {QStringLiteral("Описание"), analysis_.choiceDescription, true}});
    if (texts.size() < 2)
        return;
    const QString name = texts[0].simplified();
    if (name.isEmpty()) {
        dialogs_->showError(this, errorBoxText(QStringLiteral("Норме нужно название")));
        return;
    }
    runCommand([&] {
        const QString folder = folders_.normsFolder();
        QDir().mkpath(folder);
        const QString path = folder + QLatin1Char('/') + normFileName(name);
        if (QFileInfo::exists(path) &&
            !dialogs_->askQuestion(this, QStringLiteral("Файл нормы %1 уже есть. Заменить его?")
                                             .arg(QDir::toNativeSeparators(path))))
            return;
        writeFileVerified(path, normFileBytes(normFromGroup(analysis_, name, texts[1].trimmed())));
        loadOwnNorms();
    });
}

void MainWindow::loadOwnNorms() {
    ownNorms_.clear();
    QStringList titles;
    QStringList refused;
    const QDir folder(folders_.normsFolder());
    const QStringList files =
        folder.entryList({QStringLiteral("*.json")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString path = folder.filePath(file);
        try {
            const Norm norm = readNormFile(readFileBytes(path, MaxNormFileSize), file);
            ownNorms_.append(norm);
            titles.append(normGroupName(norm));
        } catch (const AnalysisError& error) {
            // Told once a run: the menu is rebuilt after every save.
            if (!reportedNormFiles_.contains(path)) {
                reportedNormFiles_.insert(path);
                refused.append(errorBoxText(error));
            }
        }
    }
    menu_->showOwnNorms(titles);
    if (examineeList_)
        examineeList_->setOwnNorms(ownNorms_);
    if (!refused.isEmpty())
        dialogs_->showError(this, QStringLiteral("Не все файлы норм в папке %1 читаются:\n\n%2")
                                      .arg(QDir::toNativeSeparators(folder.path()),
                                           refused.join(QLatin1Char('\n'))));
}

void MainWindow::chooseOwnNorm(int index) {
    if (index < 0 || index >= ownNorms_.size() || !menuState_.analysisShown)
        return;
    runCommand([&] { showAnalysis(withNorm(analysis_, ownNorms_[index])); });
}

void MainWindow::runGroupWithOwnNorm(int index) {
    if (index < 0 || index >= ownNorms_.size())
        return;
    // The kind only fills the group's header; the saved norm replaces its row.
    runGroup(NormKind::Satisfaction, QString(), {}, {}, ownNorms_[index]);
}

// ---------------------------------------------------------------------------------------
// What group outputs show

void MainWindow::toggleAnonymous() {
    menuState_.anonymous = !menuState_.anonymous;
    setAnonymousOutputs(menuState_.anonymous);
    menu_->update(menuState_);
}

void MainWindow::askMinimumGroupSize() {
    const std::optional<int> minimum = dialogs_->askNumber(
        this,
        QStringLiteral("Наименьшее число обследуемых в группе, отчёт, таблица или рисунок "
                       "которой сохраняются (0 — без ограничения):"),
        minimumGroupSize().value_or(0), 0, 100000);
    if (minimum)
        setMinimumGroupSize(*minimum);
}

bool MainWindow::groupOutputRefused() {
    const std::optional<int> minimum = minimumGroupSize();
    if (!minimum || analysis_.kind != AnalysisKind::Group)
        return false;
    const QString refusal = groupSizeRefusal(analysis_, *minimum);
    if (refusal.isEmpty())
        return false;
    dialogs_->showError(this, errorBoxText(refusal));
    return true;
}
