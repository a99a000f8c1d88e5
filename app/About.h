#pragma once

#include <QDialog>

class QPushButton;

// The About dialog. It is not modal; its "OK" is what opens the main menu to the user.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QPushButton* okButton() const { return OKButton; }

public slots:
    void OKButtonClick();

signals:
    // "OK" was pressed; closing the dialog otherwise only hides it.
    void confirmed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* OKButton;
    bool centred_ = false;
};
