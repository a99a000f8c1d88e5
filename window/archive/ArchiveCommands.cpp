// The main window's commands on the department's archive: "Архив…", ezr --db, and what the
// group commands ask of the archive while it is connected.

#include "ArchiveCommands.h"

#include "AnalysisError.h"
#include "ArchiveSchema.h"
#include "CommandHost.h"
#include "PgConnection.h"
#include "UserDialogs.h"

#include <QRegularExpression>
#include <QSettings>

using namespace ezr;

namespace {

// Only the connection string is remembered; passwords stay in ~/.pgpass.
QSettings archiveSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ezr"),
                     QStringLiteral("ezr"));
}

const QString ConninfoKey = QStringLiteral("archive/conninfo");
const QString ArchiveTitle = QStringLiteral("Архив");

bool holdsPassword(const QString& conninfo) {
    return conninfo.contains(QStringLiteral("password"), Qt::CaseInsensitive) ||
           conninfo.contains(QRegularExpression(QStringLiteral("://[^/@]*:[^/@]*@")));
}

} // namespace

ArchiveCommands::ArchiveCommands(CommandHost& host, QObject* parent)
    : QObject(parent), host_(host) {}

void ArchiveCommands::chooseArchive() {
    QSettings settings = archiveSettings();
    const QString proposed =
        connected() ? conninfo_
                    : settings.value(ConninfoKey, QStringLiteral("service=ezr")).toString();
    const QStringList answer = host_.dialogs().askTexts(
        host_.dialogParent(), ArchiveTitle,
        {{QStringLiteral("Архив отдела (строка соединения PostgreSQL, например service=ezr; "
                         "пароль - в ~/.pgpass; пустая строка - работа с папкой данных)"),
          proposed}});
    if (answer.isEmpty())
        return;
    const QString conninfo = answer.first().trimmed();
    if (conninfo.isEmpty()) {
        disconnectArchive();
        return;
    }
    if (holdsPassword(conninfo)) {
        host_.dialogs().showError(host_.dialogParent(),
                                  QStringLiteral("Пароль не хранится в настройках программы: "
                                                 "запишите его в ~/.pgpass"));
        return;
    }
    if (openArchive(conninfo))
        settings.setValue(ConninfoKey, conninfo);
}

bool ArchiveCommands::openArchive(const QString& conninfo) {
    if (archiveList_)
        archiveList_->close();
    try {
        archiveList_ = new ArchiveListWindow(conninfo, &host_.dialogs(), host_.dialogParent());
    } catch (const AnalysisError& error) {
        host_.dialogs().showError(host_.dialogParent(), error.message());
        return false;
    }
    archiveList_->setAttribute(Qt::WA_DeleteOnClose);
    connect(archiveList_, &ArchiveListWindow::analysisReady, this,
            [this](const AnalysisState& state) { host_.showNewAnalysis(state); });
    connect(archiveList_, &ArchiveListWindow::groupReady, this, [this](const ArchiveGroup& group) {
        rememberShown(group);
        host_.showNewAnalysis(group.state);
    });
    connect(archiveList_, &ArchiveListWindow::normsChanged, this, &ArchiveCommands::archiveChanged);
    archiveList_->show();
    conninfo_ = conninfo;
    emit archiveChanged();
    return true;
}

void ArchiveCommands::showList() {
    if (!archiveList_) {
        openArchive(conninfo_);
        return;
    }
    archiveList_->show();
    archiveList_->raise();
    archiveList_->activateWindow();
}

void ArchiveCommands::disconnectArchive() {
    if (archiveList_)
        archiveList_->close();
    if (!connected())
        return;
    conninfo_.clear();
    shown_.reset();
    emit archiveChanged();
}

ArchiveGroup ArchiveCommands::runGroup(const ArchiveGroupNorm& norm, const GroupChoice& choice,
                                       const GroupProgress& progress) const {
    const auto archive = std::make_shared<PgConnection>(conninfo_);
    return analyseArchiveGroup(archive, ArchiveSelection{choice.filter, {}}, norm, choice,
                               progress);
}

void ArchiveCommands::rememberShown(ArchiveGroup group) {
    // The roster is the window's to keep, not this copy's, which only tells the group by its
    // header and scores.
    group.state.roster = {};
    shown_ = std::move(group);
}

bool ArchiveCommands::isShownGroup(const AnalysisState& shown) const {
    return shown_ && shown.kind == AnalysisKind::Group && shown.source == ArchiveGroupLabel &&
           shown.header.code == shown_->state.header.code &&
           shown.record.scores == shown_->state.record.scores;
}

QList<qint64> ArchiveCommands::testsOf(const AnalysisState& shown) const {
    return isShownGroup(shown) ? shown_->members : QList<qint64>();
}

AnalysisState ArchiveCommands::readAgain(const AnalysisState& shown, const GroupProgress& progress,
                                         const GroupMemberSink& eachMember) const {
    if (!isShownGroup(shown))
        throw AnalysisError(QStringLiteral("Группа архива больше не доступна: выполните её снова"));
    return readArchiveGroupAgain(std::make_shared<PgConnection>(conninfo_), *shown_, progress,
                                 eachMember);
}

QList<Norm> ArchiveCommands::norms() const {
    PgConnection archive(conninfo_);
    return archiveNorms(archive);
}

void ArchiveCommands::saveNorm(const AnalysisState& group, const QString& name,
                               const QString& description, const QList<qint64>& members) const {
    PgConnection archive(conninfo_);
    saveGroupNormInArchive(archive, group, name, description, members);
}
