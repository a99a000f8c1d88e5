#include "UserDialogs.h"

#include "Domain.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

QStringList patternsOf(const QString& filter) {
    static const QRegularExpression inBrackets(QStringLiteral("\\(([^)]*)\\)"));
    const QRegularExpressionMatch match = inBrackets.match(filter);
    return (match.hasMatch() ? match.captured(1) : filter)
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The open dialog refuses a name that is not there, with a Russian message, and stays open:
// "105" finds 105.cry, the extension of the chosen filter.
class OpenFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QString chosen;

protected:
    void accept() override {
        const QStringList typed = selectedFiles();
        if (typed.isEmpty() || QFileInfo(typed.front()).isDir())
            return QFileDialog::accept(); // into the folder
        chosen = existingFileFor(typed.front(), selectedNameFilter());
        if (chosen.isEmpty()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Файл «%1» не найден. Проверьте имя и папку.")
                                     .arg(QDir::toNativeSeparators(typed.front())));
            return;
        }
        // QFileDialog's own accept would look for the name as typed again ("105", not the
        // "105.cry" found) and refuse it.
        QDialog::accept(); // NOLINT(bugprone-parent-virtual-call)
    }
};

} // namespace

QString existingFileFor(const QString& typed, const QString& filter) {
    const QFileInfo file(typed);
    if (file.isFile())
        return file.absoluteFilePath();
    const QString extension = filterExtension(filter);
    if (file.suffix().isEmpty() && !extension.isEmpty() && QFileInfo(typed + extension).isFile())
        return QFileInfo(typed + extension).absoluteFilePath();
    return QString();
}

QString filterExtension(const QString& filter) {
    const QStringList patterns = patternsOf(filter);
    if (patterns.isEmpty() || !patterns.front().startsWith(QStringLiteral("*.")) ||
        patterns.front().size() < 3)
        return QString();
    return patterns.front().mid(1);
}

QString filterOfFile(const QString& filters, const QString& fileName) {
    for (const QString& filter : filters.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        for (const QString& pattern : patternsOf(filter)) {
            if (QDir::match(pattern, fileName))
                return filter;
        }
    }
    return QString();
}

QString withChosenExtension(const QString& path, const QString& filters,
                            const QString& chosenFilter) {
    if (path.isEmpty() || !filterOfFile(filters, QFileInfo(path).fileName()).isEmpty())
        return path;
    return path + filterExtension(chosenFilter);
}

QString StandardDialogs::getOpenFileName(QWidget* parent, const OpenDialogRequest& request) {
    OpenFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name is checked by the dialog itself (see OpenFileDialog).
    dialog.setFileMode(QFileDialog::AnyFile);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen : QString();
}

QString StandardDialogs::getSaveFileName(QWidget* parent, const SaveDialogRequest& request) {
    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.selectedFilter.isEmpty())
        dialog.selectNameFilter(request.selectedFilter);
    const QFileInfo proposed(request.fileName);
    if (proposed.isAbsolute()) {
        if (proposed.absoluteDir().exists())
            dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    } else {
        dialog.selectFile(request.fileName);
    }
    const QString path = chosenFile(dialog);
    return request.suffixFromFilter
               ? withChosenExtension(path, request.filter, dialog.selectedNameFilter())
               : path;
}

QString StandardDialogs::getExistingDirectory(QWidget* parent, const QString& title,
                                              const QString& directory) {
    QFileDialog dialog(parent, title, directory);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return chosenFile(dialog);
}

void StandardDialogs::showError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, ezr::ApplicationTitle, text, QMessageBox::Ok, parent);
    // Messages quote file contents and paths: never rendered as rich text.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool StandardDialogs::askQuestion(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, ezr::ApplicationTitle, text, QMessageBox::NoButton,
                    parent);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void StandardDialogs::showInformation(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, ezr::ApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool StandardDialogs::showErrorOffering(QWidget* parent, const QString& text,
                                        const QString& offer) {
    QMessageBox box(QMessageBox::Critical, ezr::ApplicationTitle, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* help = box.addButton(offer, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == help;
}

QStringList StandardDialogs::askTexts(QWidget* parent, const QString& title,
                                      const QList<TextField>& fields) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    QList<QWidget*> editors;
    for (const TextField& field : fields) {
        QWidget* editor = nullptr;
        if (field.multiLine) {
            auto* edit = new QPlainTextEdit(field.text, &dialog);
            edit->setTabChangesFocus(true);
            editor = edit;
        } else {
            editor = new QLineEdit(field.text, &dialog);
        }
        editor->setMinimumWidth(360);
        form->addRow(field.label, editor);
        editors.append(editor);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList texts;
    for (QWidget* editor : std::as_const(editors)) {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            texts.append(line->text());
        else
            texts.append(static_cast<QPlainTextEdit*>(editor)->toPlainText());
    }
    return texts;
}

std::optional<int> StandardDialogs::askNumber(QWidget* parent, const QString& text, int value,
                                              int minimum, int maximum) {
    bool ok = false;
    const int number =
        QInputDialog::getInt(parent, ezr::ApplicationTitle, text, value, minimum, maximum, 1, &ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}
