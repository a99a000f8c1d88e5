#pragma once

#include "ArchiveGroups.h"

#include "Analysis.h"
#include "ArchiveStore.h"

#include <QWidget>

#include <memory>

class ArchiveCounter;
class ArchiveListModel;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;
class QTimer;
class UserDialogs;

namespace ezr {
class PgConnection;
}

// "Обследуемые" on the department's archive: the server's list with its filter, an
// examinee opened from its stored bytes, "Анализ выбранных" on the chosen rows (or on all
// the filter finds) compared with a stored norm or one of the team's, the group's norm
// saved into the archive for the team, and a folder of response files imported into a unit.
class ArchiveListWindow : public QWidget {
    Q_OBJECT
public:
    // Connects to the archive; throws AnalysisError when it cannot. Its questions and
    // messages go through `dialogs` (outliving the window; null: the standard dialogs).
    explicit ArchiveListWindow(const QString& conninfo, UserDialogs* dialogs = nullptr,
                               QWidget* parent = nullptr);
    ~ArchiveListWindow() override;

    ArchiveListModel* table() const { return table_; }
    QTableView* view() const { return view_; }
    // Applies the filter fields now rather than after the typing pause.
    void applyFilter();

signals:
    // An examinee opened, or a group analysed with the tests it read: for the main window to
    // show.
    void analysisReady(const ezr::AnalysisState& state);
    void groupReady(const ArchiveGroup& group);
    // A norm was saved for the team: the other lists of norms read them again.
    void normsChanged();

private:
    void createControls();
    QHBoxLayout* createFilterLine();
    void createTable();
    QHBoxLayout* createActionLine();
    void connectFilters();
    ezr::ArchiveSelection selectionOfFields() const;
    void openRow(const QModelIndex& index);
    void analyseChosen();
    void saveNorm();
    void importFolder();
    void loadNorms();
    void showProblem(const QString& message);

    UserDialogs* dialogs_;
    std::unique_ptr<UserDialogs> ownDialogs_;
    QString conninfo_;
    std::shared_ptr<ezr::PgConnection> archive_;
    ArchiveListModel* table_ = nullptr;
    ArchiveCounter* counter_ = nullptr;
    QTableView* view_ = nullptr;
    QLineEdit* text_ = nullptr;
    QLineEdit* unit_ = nullptr;
    QComboBox* sex_ = nullptr;
    QComboBox* education_ = nullptr;
    QSpinBox* minAge_ = nullptr;
    QSpinBox* maxAge_ = nullptr;
    QComboBox* norm_ = nullptr;
    QLabel* count_ = nullptr;
    QTimer* typing_ = nullptr;
    QList<ezr::Norm> teamNorms_;
    // The last group analysed here and its tests, for "Сохранить норму в архиве…".
    ArchiveGroup group_;
};
