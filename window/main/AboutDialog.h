#pragma once

#include <QDialog>

class QPushButton;

// The About dialog. It is not modal; its "OK" is what opens the main menu to the user.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QPushButton* okButton() const { return okButton_; }

public slots:
    void confirm();

signals:
    // "OK" was pressed; closing the dialog otherwise only hides it.
    void confirmed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* okButton_;
    bool centred_ = false;
};
