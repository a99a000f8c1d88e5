#include "StartHint.h"

#include <QLabel>

QLabel* createStartHint(QWidget* parent) {
    // The whole way to the commands, since the menu stays hidden until the About dialog is
    // confirmed; in the window's own text colour, which reads on its background.
    auto* hint = new QLabel(QStringLiteral("Нажмите F1 или щёлкните правой кнопкой мыши, "
                                           "выберите «О программе» и нажмите «OK»"),
                            parent);
    hint->setObjectName(QStringLiteral("laStartHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    QFont font = hint->font();
    font.setPixelSize(18);
    hint->setFont(font);
    // A right click on the text opens the window's menu like anywhere else.
    hint->setContextMenuPolicy(Qt::NoContextMenu);
    return hint;
}
