#include "AboutDialog.h"

#include "WindowFonts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry,
                 Qt::Alignment alignment, bool bold = false) {
    auto* label = new QLabel(text, parent);
    QFont font = ezr::sansSerifFont(11);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);
    setFixedSize(298, 225);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 281, 185);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    icon->setGeometry(12, 8, 32, 32);

    addLabel(panel, QStringLiteral("ZOLT.Мелира - Анализ"), QRect(56, 10, 185, 15),
             Qt::AlignHCenter | Qt::AlignTop, true)
        ->setObjectName(QStringLiteral("ProductName"));
    addLabel(panel,
             QStringLiteral("Методика изучения мотивационных \nмеханизмов трудовой активности "),
             QRect(53, 24, 191, 32), Qt::AlignHCenter | Qt::AlignTop)
        ->setObjectName(QStringLiteral("Comments"));
    addLabel(panel, QStringLiteral(" Version 2.01"), QRect(13, 76, 120, 15),
             Qt::AlignLeft | Qt::AlignTop)
        ->setObjectName(QStringLiteral("Version"));

    auto* rule = new QFrame(panel);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setGeometry(5, 120, 271, 2);

    // Below the rule, where the dialog has room: the terms the program is given under.
    addLabel(panel, QStringLiteral("Свободная программа: GNU GPL версии 3\nили более поздней"),
             QRect(13, 130, 255, 32), Qt::AlignLeft | Qt::AlignTop)
        ->setObjectName(QStringLiteral("License"));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(111, 196, 75, 25);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &AboutDialog::confirm);
}

void AboutDialog::confirm() {
    hide();
    emit confirmed();
}

void AboutDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}
