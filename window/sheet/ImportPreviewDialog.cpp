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
    // Not the box's accept button: the box would make that the default one, which Return
    // presses from anywhere in the preview.
    QPushButton* write =
        buttons->addButton(QStringLiteral("&Записать"), QDialogButtonBox::ActionRole);
    write->setObjectName(QStringLiteral("btWrite"));
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    // Files are written only on the button itself: Return in the preview writes nothing.
    for (QPushButton* button : {write, cancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    layout->addWidget(buttons);
    connect(write, &QPushButton::clicked, this, &ImportPreviewDialog::writeRows);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(replace_, &QCheckBox::toggled, this, &ImportPreviewDialog::showRows);
    showRows();
}

void ImportPreviewDialog::addRow(int row, const QString& code, const QString& name,
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
}

namespace {

QStringList notesOf(const QList<SheetProblem>& problems, qsizetype max) {
    QStringList notes;
    for (const SheetProblem& problem : problems) {
        if (notes.size() >= max)
            break;
        notes << (problem.column.isEmpty()
                      ? problem.reason
                      : QStringLiteral("«%1»: %2").arg(problem.column, problem.reason));
    }
    return notes;
}

} // namespace

// The table is read through once: every row counted, the first rows and the first
// MaxShownProblems problems shown, so that a table of any size opens quickly in little memory.
void ImportPreviewDialog::showRows() {
    rows_->setRowCount(0);
    qsizetype shownProblems = 0;
    int rowCount = 0;
    int refused = 0;
    const bool replace = replace_->isChecked();
    try {
        if (!table_.headingProblems().isEmpty()) {
            addRow(1, QString(), QStringLiteral("(заголовок)"),
                   notesOf(table_.headingProblems(), MaxShownProblems));
            shownProblems = table_.headingProblems().size();
        }
        for (const ImportRow& row : table_.rows()) {
            ++rowCount;
            const QList<SheetProblem> problems = importRowProblems(row, dataDir_, replace);
            refused += problems.isEmpty() ? 0 : 1;
            const qsizetype room = MaxShownProblems - shownProblems;
            if (rows_->rowCount() >= MaxShownRows || (!problems.isEmpty() && room <= 0))
                continue;
            const QStringList notes = notesOf(problems, room);
            shownProblems += notes.size();
            addRow(row.row, row.sheet.code, row.sheet.name, notes);
        }
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error));
    }
    rows_->resizeColumnsToContents();
    rows_->horizontalHeader()->setStretchLastSection(true);
    QString summary = QStringLiteral("Строк с обследуемыми: %1; годится: %2; не годится: %3")
                          .arg(rowCount)
                          .arg(rowCount - refused)
                          .arg(refused);
    if (shownProblems >= MaxShownProblems || rows_->rowCount() >= MaxShownRows)
        summary +=
            QStringLiteral("\nПоказаны первые %1 строк и не больше %2 замечаний; остальные строки "
                           "проверены и учтены в числах выше.")
                .arg(MaxShownRows)
                .arg(MaxShownProblems);
    summary_->setText(summary);
}

int ImportPreviewDialog::writeRows() {
    ImportOutcome outcome;
    try {
        outcome = importRows(table_, dataDir_, replace_->isChecked(), allOrNothing_->isChecked());
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error));
        return 0;
    }
    QStringList notes;
    if (!outcome.recovered.isEmpty())
        notes << outcome.recovered + QLatin1Char('.');
    if (!outcome.warning.isEmpty())
        notes << outcome.warning + QLatin1Char('.');
    for (const RowProblem& problem : outcome.refused.named) {
        if (problem.row == 0) // the import as a whole: with "всё или ничего" nothing was written
            notes << problem.reason;
    }
    notes << QStringLiteral("Записано файлов: %1 (заменено: %2).\nНе записано строк: %3.")
                 .arg(outcome.written.size())
                 .arg(outcome.replaced)
                 .arg(outcome.refused.rows);
    dialogs_->showInformation(this, notes.join(QLatin1Char('\n')));
    accept();
    return int(outcome.written.size());
}
