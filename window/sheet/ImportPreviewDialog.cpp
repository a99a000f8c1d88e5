#include "ImportPreviewDialog.h"

#include "AnalysisError.h"
#include "SheetFiles.h"
#include "UserDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace ezr;

ImportPreviewDialog::ImportPreviewDialog(UserDialogs* dialogs, ImportTable table,
                                         const QString& tablePath, const QString& dataDir,
                                         QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), table_(std::move(table)), dataDir_(dataDir) {
    setObjectName(QStringLiteral("ImportPreview"));
    setWindowTitle(QStringLiteral("Импорт таблицы"));
    resize(900, 560);
    auto* layout = new QVBoxLayout(this);
    auto* caption =
        new QLabel(QStringLiteral("Таблица: %1\nПапка данных: %2")
                       .arg(QDir::toNativeSeparators(tablePath), QDir::toNativeSeparators(dataDir)),
                   this);
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    rows_ = new QTableWidget(0, 4, this);
    rows_->setObjectName(QStringLiteral("tbImportRows"));
    rows_->setHorizontalHeaderLabels({QStringLiteral("Строка"), QStringLiteral("Код"),
                                      QStringLiteral("Ф.И.О."), QStringLiteral("Замечания")});
    rows_->horizontalHeader()->setStretchLastSection(true);
    rows_->verticalHeader()->hide();
    rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows_->setWordWrap(true);
    layout->addWidget(rows_, 1);
    summary_ = new QLabel(this);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setObjectName(QStringLiteral("laImportSummary"));
    layout->addWidget(summary_);
    replace_ =
        new QCheckBox(QStringLiteral("Заменять файлы, которые уже есть в папке данных"), this);
    replace_->setObjectName(QStringLiteral("cbReplace"));
    allOrNothing_ = new QCheckBox(
        QStringLiteral("Ничего не записывать, если хоть одна строка не годится"), this);
    allOrNothing_->setObjectName(QStringLiteral("cbAllOrNothing"));
    layout->addWidget(replace_);
    layout->addWidget(allOrNothing_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* write =
        buttons->addButton(QStringLiteral("Записать"), QDialogButtonBox::AcceptRole);
    write->setObjectName(QStringLiteral("btWrite"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImportPreviewDialog::writeRows);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(replace_, &QCheckBox::toggled, this, &ImportPreviewDialog::showRows);
    showRows();
}

void ImportPreviewDialog::showRows() {
    const QList<RowProblem> problems = importProblems(table_, dataDir_, replace_->isChecked());
    QMap<int, QStringList> byRow;
    for (const RowProblem& problem : problems)
        byRow[problem.row]
            << (problem.column.isEmpty()
                    ? problem.reason
                    : QStringLiteral("«%1»: %2").arg(problem.column, problem.reason));
    rows_->setRowCount(0);
    const auto addRow = [this](int row, const QString& code, const QString& name,
                               const QStringList& notes) {
        const int r = rows_->rowCount();
        rows_->insertRow(r);
        const QStringList texts = {QString::number(row), code, name,
                                   notes.isEmpty() ? QStringLiteral("годится")
                                                   : notes.join(QStringLiteral("; "))};
        for (int c = 0; c < texts.size(); ++c) {
            auto* cell = new QTableWidgetItem(texts[c]);
            if (!notes.isEmpty())
                cell->setForeground(QColor(128, 0, 0));
            rows_->setItem(r, c, cell);
        }
    };
    if (byRow.contains(1))
        addRow(1, QString(), QStringLiteral("(заголовок)"), byRow.value(1));
    int good = 0;
    for (const ImportRow& row : table_.rows) {
        addRow(row.row, row.sheet.code, row.sheet.name, byRow.value(row.row));
        good += byRow.contains(row.row) ? 0 : 1;
    }
    rows_->resizeColumnsToContents();
    rows_->horizontalHeader()->setStretchLastSection(true);
    summary_->setText(QStringLiteral("Строк с обследуемыми: %1; годится: %2; не годится: %3")
                          .arg(table_.rows.size())
                          .arg(good)
                          .arg(table_.rows.size() - good));
}

int ImportPreviewDialog::writeRows() {
    ImportOutcome outcome;
    try {
        outcome = importRows(table_, dataDir_, replace_->isChecked(), allOrNothing_->isChecked());
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error));
        return 0;
    }
    QSet<int> refused;
    QStringList notes;
    if (!outcome.recovered.isEmpty())
        notes << outcome.recovered + QLatin1Char('.');
    if (!outcome.warning.isEmpty())
        notes << outcome.warning + QLatin1Char('.');
    for (const RowProblem& problem : outcome.refused) {
        if (problem.row != 0)
            refused.insert(problem.row);
        else // the import as a whole: with "всё или ничего" nothing was written
            notes << problem.reason;
    }
    notes << QStringLiteral("Записано файлов: %1 (заменено: %2).\nНе записано строк: %3.")
                 .arg(outcome.written.size())
                 .arg(outcome.replaced)
                 .arg(refused.size());
    dialogs_->showInformation(this, notes.join(QLatin1Char('\n')));
    accept();
    return int(outcome.written.size());
}
