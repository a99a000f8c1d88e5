// The list of examinees and its groups, the group's own norms, and what group outputs may show
// of their members.

#include "GroupCommands.h"

#include "AnalysisError.h"
#include "ArchiveCommands.h"
#include "CommandHost.h"
#include "DoubtfulExclusion.h"
#include "ExamineeListWindow.h"
#include "Export.h"
#include "FolderEntries.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "NormFile.h"
#include "OutputSettings.h"
#include "Retest.h"
#include "UserDialogs.h"
#include "VerifiedWrite.h"
#include "WaitCursor.h"

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

GroupCommands::GroupCommands(CommandHost& host, const DoubtfulExclusion& doubtful, QObject* parent)
    : QObject(parent), host_(host), doubtfulExclusion_(doubtful) {}

bool GroupCommands::run(Command command) {
    switch (command) {
    case Command::GroupMale:
        runGroup(NormKind::Sex, MaleSex);
        return true;
    case Command::GroupFemale:
        runGroup(NormKind::Sex, FemaleSex);
        return true;
    case Command::GroupHigherEducation:
        runGroup(NormKind::Education, HigherEducation);
        return true;
    case Command::GroupSecondaryEducation:
        runGroup(NormKind::Education, SecondaryEducation);
        return true;
    case Command::GroupSatisfaction:
        runGroup(NormKind::Satisfaction, QString());
        return true;
    case Command::ExamineeList:
        showExamineeList();
        return true;
    case Command::SaveAsNorm:
        saveAsNorm();
        return true;
    case Command::AnonymousOutputs:
        toggleAnonymous();
        return true;
    case Command::MinimumGroupSize:
        askMinimumGroupSize();
        return true;
    default:
        return false;
    }
}

void GroupCommands::runGroup(NormKind kind, const QString& criterion, const GroupChoice& choice,
                             QString folder, const std::optional<Norm>& own) {
    if (!host_.mayDropComment(CommandHost::NewAnalysisQuestion))
        return;
    // The list of a folder's examinees names its folder; the menu's groups read the archive
    // while one is connected.
    const bool fromArchive = folder.isEmpty() && archive_ && archive_->connected();
    if (folder.isEmpty() && !fromArchive)
        folder = host_.dataFolder();
    const GroupChoice taken = doubtfulExclusion_.applied(choice);
    std::optional<AnalysisError> stoppedAt;
    std::optional<ArchiveGroup> archiveGroup;
    host_.runCommand([&] {
        const WaitCursor wait;
        GroupProgressDialog progress(host_.dialogParent(), host_.progressDelay());
        try {
            // The window keeps only the roster: a table of the group reads the folder again.
            // What the window shows is made off the window too: the member list of a large
            // group is long text, and its line ends are the tooltip's already.
            AnalysisState next;
            ResultSheet sheet;
            runOffTheWindow(host_.dialogParent(), progress, [&](const GroupProgress& report) {
                if (fromArchive) {
                    archiveGroup = archive_->runGroup({kind, criterion, own}, taken, report);
                    next = archiveGroup->state;
                } else {
                    next = groupAnalysis(folder, kind, criterion, nullptr, report,
                                         GroupKeeps::Roster, taken);
                    if (own)
                        next = withNorm(std::move(next), *own);
                }
                sheet = formatSheet(next);
                sheet.infoHint.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            });
            if (archiveGroup)
                archive_->rememberShown(std::move(*archiveGroup));
            host_.showNewAnalysis(std::move(next), &sheet);
            groupChoice_ = taken;
        } catch (const AnalysisError& error) {
            // A test of the archive has no folder whose list could show it.
            if (error.memberPath().isEmpty() || fromArchive)
                throw;
            stoppedAt = error; // told once the wait cursor is gone
        }
    });
    if (stoppedAt)
        offerExamineeList(*stoppedAt, folder);
}

void GroupCommands::compareWithEarlierTest(const QString& laterPath, const QString& earlierPath) {
    if (!host_.mayDropComment(CommandHost::NewAnalysisQuestion))
        return;
    host_.runCommand([&] {
        const WaitCursor wait;
        const AnalysisState earlier = individualAnalysis(earlierPath);
        host_.showNewAnalysis(retestAnalysis(individualAnalysis(laterPath), earlier));
    });
    if (host_.analysis().kind == AnalysisKind::Individual && host_.analysis().source == laterPath) {
        host_.dialogParent()->raise();
        host_.dialogParent()->activateWindow();
    }
}

// While the window works on the archive, its examinees are the archive's.
void GroupCommands::showExamineeList() {
    if (archive_ && archive_->connected())
        archive_->showList();
    else
        showFolderList();
}

void GroupCommands::showFolderList() {
    if (!examineeList_) {
        examineeList_ = new ExamineeListWindow(host_.dialogParent());
        connect(examineeList_, &ExamineeListWindow::openRequested, this,
                [this](const QString& path) {
                    host_.openResponseFile(path);
                    host_.dialogParent()->raise();
                    host_.dialogParent()->activateWindow();
                });
        connect(examineeList_, &ExamineeListWindow::groupRequested, this,
                &GroupCommands::runChosenGroup);
        connect(examineeList_, &ExamineeListWindow::retestRequested, this,
                &GroupCommands::compareWithEarlierTest);
        examineeList_->setOwnNorms(ownNorms_);
        emit examineeListCreated(examineeList_);
    }
    examineeList_->listFolder(host_.dataFolder());
    examineeList_->show();
    examineeList_->raise();
    examineeList_->activateWindow();
}

void GroupCommands::runChosenGroup(const QString& folder, const GroupChoice& members,
                                   const GroupNormChoice& norm) {
    // Nothing else starts from the list while its group is read.
    examineeList_->setEnabled(false);
    runGroup(norm.kind, norm.criterion, members, folder, norm.own);
    if (examineeList_)
        examineeList_->setEnabled(true);
    if (host_.analysis().kind == AnalysisKind::Group) {
        host_.dialogParent()->raise();
        host_.dialogParent()->activateWindow();
    }
}

void GroupCommands::offerExamineeList(const AnalysisError& error, const QString& folder) {
    if (!host_.dialogs().showErrorOffering(host_.dialogParent(), errorBoxText(error),
                                           QStringLiteral("Открыть список обследуемых")))
        return;
    const QString fileName = QFileInfo(error.memberPath()).fileName();
    if (!examineeList_ || examineeList_->folder() != folder || !examineeList_->isVisible()) {
        showFolderList();
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

void GroupCommands::saveAsNorm() {
    // A norm of a few members tells their answers as a report would.
    if (host_.analysis().kind != AnalysisKind::Group || groupOutputRefused())
        return;
    const QStringList texts = host_.dialogs().askTexts(
        host_.dialogParent(), QStringLiteral("Сохранить как норму"),
        {{QStringLiteral("Название"), QString()},
         {QStringLiteral("Описание"), host_.analysis().choiceDescription, true}});
    if (texts.size() < 2)
        return;
    const QString name = texts[0].simplified();
    if (name.isEmpty()) {
        host_.dialogs().showError(host_.dialogParent(),
                                  errorBoxText(QStringLiteral("Норме нужно название")));
        return;
    }
    if (savedInArchive(name, texts[1].trimmed()))
        return;
    host_.runCommand([&] {
        const QString folder = host_.folders().normsFolder();
        makePrivateFolder(folder);
        const QString path = folder + QLatin1Char('/') + normFileName(name);
        if (QFileInfo::exists(path) &&
            !host_.dialogs().askQuestion(host_.dialogParent(),
                                         QStringLiteral("Файл нормы %1 уже есть. Заменить его?")
                                             .arg(QDir::toNativeSeparators(path))))
            return;
        writeFileVerified(path,
                          normFileBytes(normFromGroup(host_.analysis(), name, texts[1].trimmed())));
        loadOwnNorms();
    });
}

bool GroupCommands::savedInArchive(const QString& name, const QString& description) {
    if (!archive_ || !archive_->connected() ||
        !host_.dialogs().askQuestion(
            host_.dialogParent(),
            QStringLiteral("Сохранить норму «%1» в архиве отдела, чтобы она была у всех "
                           "психологов? «Нет» - сохранить её в файле на этом компьютере.")
                .arg(name)))
        return false;
    const AnalysisState& group = host_.analysis();
    // The tests the norm is made of, when the group on screen is the archive's group read
    // last; a group from a folder has none in the archive.
    host_.runCommand([&] {
        archive_->saveNorm(group, name, description, archive_->testsOf(group));
        loadOwnNorms();
    });
    return true;
}

AnalysisState GroupCommands::readGroupAgain(const AnalysisState& shown,
                                            const GroupProgress& progress,
                                            const GroupMemberSink& eachMember) const {
    if (shown.source == ArchiveGroupLabel && archive_)
        return archive_->readAgain(shown, progress, eachMember);
    return groupAnalysis(shown.source, NormKind::Satisfaction, QString(), nullptr, progress,
                         GroupKeeps::Names, groupChoice_, eachMember);
}

void GroupCommands::appendArchiveNorms(QStringList& titles) {
    if (!archive_ || !archive_->connected())
        return;
    try {
        for (const Norm& norm : archive_->norms()) {
            ownNorms_.append(norm);
            titles.append(archiveNormTitle(norm));
        }
    } catch (const AnalysisError& error) {
        host_.dialogs().showError(
            host_.dialogParent(),
            errorBoxText(
                QStringLiteral("Нормы архива отдела не прочитаны: %1").arg(error.message())));
    }
}

void GroupCommands::loadOwnNorms() {
    ownNorms_.clear();
    QStringList titles;
    QStringList refused;
    const QDir folder(host_.folders().normsFolder());
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
    appendArchiveNorms(titles);
    host_.showOwnNorms(titles);
    if (examineeList_)
        examineeList_->setOwnNorms(ownNorms_);
    if (!refused.isEmpty())
        host_.dialogs().showError(
            host_.dialogParent(),
            QStringLiteral("Не все файлы норм в папке %1 читаются:\n\n%2")
                .arg(QDir::toNativeSeparators(folder.path()), refused.join(QLatin1Char('\n'))));
}

void GroupCommands::chooseOwnNorm(int index) {
    if (index < 0 || index >= ownNorms_.size() || !host_.menuState().analysisShown)
        return;
    host_.runCommand([&] { host_.showAnalysis(withNorm(host_.analysis(), ownNorms_[index])); });
}

void GroupCommands::runGroupWithOwnNorm(int index) {
    if (index < 0 || index >= ownNorms_.size())
        return;
    // The kind only fills the group's header; the saved norm replaces its row.
    runGroup(NormKind::Satisfaction, QString(), {}, {}, ownNorms_[index]);
}

// ---------------------------------------------------------------------------------------
// What group outputs show

void GroupCommands::toggleAnonymous() {
    host_.menuState().anonymous = !host_.menuState().anonymous;
    setAnonymousOutputs(host_.menuState().anonymous);
    host_.updateMenu();
}

void GroupCommands::askMinimumGroupSize() {
    const std::optional<int> minimum = host_.dialogs().askNumber(
        host_.dialogParent(),
        QStringLiteral("Наименьшее число обследуемых в группе, отчёт, таблица или рисунок "
                       "которой сохраняются (0 — без ограничения):"),
        minimumGroupSize().value_or(0), 0, 100000);
    if (minimum)
        setMinimumGroupSize(*minimum);
}

bool GroupCommands::groupOutputRefused() {
    const std::optional<int> minimum = minimumGroupSize();
    if (!minimum || host_.analysis().kind != AnalysisKind::Group)
        return false;
    const QString refusal = groupSizeRefusal(host_.analysis(), *minimum);
    if (refusal.isEmpty())
        return false;
    host_.dialogs().showError(host_.dialogParent(), errorBoxText(refusal));
    return true;
}
