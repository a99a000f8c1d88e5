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

// The window's one save dialog keeps what a command does not set from its previous use.
struct SaveDialogRequest {
    QString title;
    QString fileName; // a bare name (opened in `directory`) or a full path
    QString directory;
    QString filter;
    // The chosen name gets the extension of the chosen filter when it has none of its own.
    bool suffixFromFilter = false;
};

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
