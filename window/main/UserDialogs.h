#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// Every dialog the window shows goes through this seam: the file dialogs and the error
// box. The program uses StandardDialogs; tests install a scripted one.
struct OpenDialogRequest {
    QString title;
    QString directory;
    QString filter;
};

// A text the user is asked for: its label and the text the field starts with.
struct TextField {
    QString label;
    QString text;
    bool multiLine = false;
};

struct SaveDialogRequest {
    QString title;
    QString fileName; // a bare name (opened in `directory`) or a full path
    QString directory;
    QString filter;         // the filters, separated by ";;"
    QString selectedFilter; // the one the dialog opens with; empty: the first
    // The chosen name gets the extension of the chosen filter unless it already ends in the
    // extension of one of the dialog's filters.
    bool suffixFromFilter = false;
};

// The extension of a filter's first pattern, with its dot (".xlsx" of "Книга Excel (*.xlsx)");
// empty when the pattern is no "*.ext".
QString filterExtension(const QString& filter);
// The file the open dialog takes for what was typed: the name itself when it is a file, else
// the name with the filter's extension ("105" and "Data files (*.cry)": 105.cry) when that is a
// file; empty when neither is there.
QString existingFileFor(const QString& typed, const QString& filter);
// The filter among `filters` (separated by ";;") one of whose patterns `fileName` matches;
// empty when none does.
QString filterOfFile(const QString& filters, const QString& fileName);
// The path a save dialog returns for the typed `path` under the chosen filter: as typed when
// its name matches one of `filters`, else with the chosen filter's extension added.
QString withChosenExtension(const QString& path, const QString& filters,
                            const QString& chosenFilter);

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // The chosen path, or an empty string when the user cancels.
    virtual QString getOpenFileName(QWidget* parent, const OpenDialogRequest& request) = 0;
    // Asks before overwriting an existing file; empty on cancel.
    virtual QString getSaveFileName(QWidget* parent, const SaveDialogRequest& request) = 0;
    // A folder chosen by the user, starting in `directory`; empty on cancel.
    virtual QString getExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& directory) = 0;
    // The error box: the application title, an error icon, "OK".
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // A question answered "Да" (true) or "Нет"; "Нет" is the default button.
    virtual bool askQuestion(QWidget* parent, const QString& text) = 0;
    // A message with "OK", after a command that has done what it was asked.
    virtual void showInformation(QWidget* parent, const QString& text) = 0;
    // The error box with a second button offering what may help (`offer` is its caption);
    // true when the user takes it.
    virtual bool showErrorOffering(QWidget* parent, const QString& text, const QString& offer) = 0;
    // The texts the user typed into `fields`, in their order; empty on cancel.
    virtual QStringList askTexts(QWidget* parent, const QString& title,
                                 const QList<TextField>& fields) = 0;
    // A whole number within [minimum, maximum], starting at `value`; nothing on cancel.
    virtual std::optional<int> askNumber(QWidget* parent, const QString& text, int value,
                                         int minimum, int maximum) = 0;
};

class StandardDialogs : public UserDialogs {
public:
    QString getOpenFileName(QWidget* parent, const OpenDialogRequest& request) override;
    QString getSaveFileName(QWidget* parent, const SaveDialogRequest& request) override;
    QString getExistingDirectory(QWidget* parent, const QString& title,
                                 const QString& directory) override;
    void showError(QWidget* parent, const QString& text) override;
    bool askQuestion(QWidget* parent, const QString& text) override;
    void showInformation(QWidget* parent, const QString& text) override;
    bool showErrorOffering(QWidget* parent, const QString& text, const QString& offer) override;
    QStringList askTexts(QWidget* parent, const QString& title,
                         const QList<TextField>& fields) override;
    std::optional<int> askNumber(QWidget* parent, const QString& text, int value, int minimum,
                                 int maximum) override;
};
