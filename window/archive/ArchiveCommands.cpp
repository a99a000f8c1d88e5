// The main window's commands on the department's archive: "Группа", "Архив…" and ezr --db.

#include "ArchiveCommands.h"

#include "AnalysisError.h"
#include "CommandHost.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
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

bool holdsPassword(const QString& conninfo) {
    return conninfo.contains(QStringLiteral("password"), Qt::CaseInsensitive) ||
           conninfo.contains(QRegularExpression(QStringLiteral("://[^/@]*:[^/@]*@")));
}

} // namespace

ArchiveCommands::ArchiveCommands(CommandHost& host, QObject* parent)
    : QObject(parent), host_(host) {}

void ArchiveCommands::chooseArchive() {
    QSettings settings = archiveSettings();
    bool ok = false;
    const QString conninfo =
        QInputDialog::getText(host_.dialogParent(), QStringLiteral("Архив"),
                              QStringLiteral("Архив отдела (строка соединения PostgreSQL, "
                                             "например service=ezr; пароль - в ~/.pgpass):"),
                              QLineEdit::Normal,
                              settings.value(ConninfoKey, QStringLiteral("service=ezr")).toString(),
                              &ok)
            .trimmed();
    if (!ok)
        return;
    if (holdsPassword(conninfo)) {
        QMessageBox::warning(host_.dialogParent(), QStringLiteral("Архив"),
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
        archiveList_ = new ArchiveListWindow(conninfo, host_.dialogParent());
    } catch (const AnalysisError& error) {
        QMessageBox::warning(host_.dialogParent(), QStringLiteral("Архив"), error.message());
        return false;
    }
    archiveList_->setAttribute(Qt::WA_DeleteOnClose);
    connect(archiveList_, &ArchiveListWindow::analysisReady, this,
            [this](const AnalysisState& state) { host_.showNewAnalysis(state); });
    archiveList_->show();
    return true;
}
