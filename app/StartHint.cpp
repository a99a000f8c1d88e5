#include "StartHint.h"

#include <QLabel>

QLabel* createStartHint(QWidget* parent) {
    auto* hint = new QLabel(
        QStringLiteral("Нажмите F1 или щёлкните правой кнопкой мыши и выберите «О программе»"),
        parent);
    hint->setObjectName(QStringLiteral("laStartHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    QFont font = hint->font();
    font.setPixelSize(18);
    hint->setFont(font);
    QPalette palette = hint->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Disabled, QPalette::WindowText));
    hint->setPalette(palette);
    // A right click on the text opens the window's menu like anywhere else.
    hint->setContextMenuPolicy(Qt::NoContextMenu);
    return hint;
}
