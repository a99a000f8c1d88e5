#pragma once

#include "Analysis.h"
#include "NormComparison.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class ExamineeFilterModel;
class ExamineeListing;
class ExamineeListModel;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

// The norm a group of chosen examinees is compared with: the choices of "Группа".
struct GroupNormChoice {
    ezr::NormKind kind = ezr::NormKind::Sex;
    QString criterion; // the sex or education text, empty for satisfaction
    std::optional<ezr::Norm> own = std::nullopt; // a saved norm instead of a stored row
};

// "Обследуемые": every entry of the data folder with its header, sorted and filtered by the
// user; the entries that cannot be read are listed with the reason. The folder is read on a
// worker thread, so that a folder of many thousands of files fills the list while the window
// stays usable.
class ExamineeListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExamineeListWindow(QWidget* parent = nullptr);
    ~ExamineeListWindow() override;

    // Reads `folder` anew.
    void listFolder(const QString& folder);
    const QString& folder() const { return folder_; }
    bool listing() const;

    // Marks and selects the entry a group run stopped at, once the listing has it.
    void markFile(const QString& fileName);

    // The saved norms, offered after the stored ones for "Анализ выбранных".
    void setOwnNorms(const QList<ezr::Norm>& norms);

    // The file names of the selected entries, or of every entry shown when none is selected;
    // entries that cannot be read are left out.
    QSet<QString> chosenFileNames() const;

    ExamineeListModel* table() const { return table_; }
    ExamineeFilterModel* rows() const { return rows_; }
    QTableView* view() const { return view_; }

signals:
    // Double-click or Return on an entry.
    void openRequested(const QString& path);
    // "Анализ выбранных": the chosen entries by name; when they are all the entries shown,
    // the filter too, so that the group says how its members were chosen.
    void groupRequested(const QString& folder, const ezr::GroupChoice& members,
                        const GroupNormChoice& norm);
    // "Сравнить с прежним обследованием": the current entry and the same examinee's test
    // before it.
    void retestRequested(const QString& laterPath, const QString& earlierPath);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createFilterFields();
    QHBoxLayout* createPersonLine();
    QHBoxLayout* createAgeAndDateLine();
    void addSortChooser(QHBoxLayout* line);
    void createTable();
    void createRetestAction();
    QHBoxLayout* createBottomLine();
    void connectFilters();
    void applyFilter();
    void showCounts();
    void selectMarked();
    void sortAfterListing();
    void openRow(const QModelIndex& index);
    void analyseChosen();
    // The model row of the current entry's earlier test, or -1.
    int earlierOfCurrent() const;
    void updateRetest();
    void compareWithEarlier();
    void createSortChoice();
    // Makes `row` of the shown rows current and selected, its file column in view.
    void goToRow(int row);
    // The selection and the current row kept on their entries through a new order.
    void keepSelectionThroughOrder();
    void takeSelectionOff();
    void putSelectionBack();
    // The shown rows selected whole, ascending: counted from the selection's ranges, where
    // QItemSelectionModel::selectedRows() looks through every range for every row.
    std::vector<int> selectedShownRows() const;

    QString folder_;
    ExamineeListModel* table_ = nullptr;
    ExamineeFilterModel* rows_ = nullptr;
    ExamineeListing* listing_ = nullptr;
    QTableView* view_ = nullptr;
    QLineEdit* text_ = nullptr;
    QComboBox* sex_ = nullptr;
    QComboBox* education_ = nullptr;
    QCheckBox* doubtful_ = nullptr; // only the answers that ask for a look
    QSpinBox* minAge_ = nullptr;
    QSpinBox* maxAge_ = nullptr;
    QDateEdit* fromDate_ = nullptr;
    QDateEdit* toDate_ = nullptr;
    QComboBox* norm_ = nullptr;
    QComboBox* sort_ = nullptr;
    QPushButton* analyse_ = nullptr;
    QPushButton* retest_ = nullptr;
    QAction* retestAction_ = nullptr;
    QList<ezr::Norm> ownNorms_;
    QLabel* counts_ = nullptr;
    QTimer* typing_ = nullptr;
    QString problem_; // why the folder could not be listed
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<int> keptRows_; // entries selected while the rows are reordered
    int keptCurrent_ = -1;      // the current entry then, and its column
    int keptColumn_ = 0;
};
