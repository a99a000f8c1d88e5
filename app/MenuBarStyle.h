#pragma once

#include <QProxyStyle>

// Menu-bar items with both their small picture and their caption. Qt's styles draw only the
// picture of a menu-bar item that has one.
class MenuBarStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
