#pragma once

#include <QProxyStyle>

// Menu-bar items with both their small picture and their caption. Qt's styles draw only the
// picture of a menu-bar item that has one. Alt alone reaches the bar from the keyboard, as
// everyone knows it from other programs, whatever the platform's style says.
class MenuBarStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
