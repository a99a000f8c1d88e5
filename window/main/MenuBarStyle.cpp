#include "MenuBarStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

constexpr int IconSize = 16;
constexpr int IconGap = 4;

} // namespace

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuBarItem && item && !item->icon.isNull() && !item->text.isEmpty()) {
        const QSize textSize = item->fontMetrics.size(Qt::TextShowMnemonic, item->text);
        const QSize contents(IconSize + IconGap + textSize.width(),
                             qMax(IconSize, textSize.height()));
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int MenuBarStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_MenuBar_AltKeyNavigation || hint == SH_UnderlineShortcut)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void MenuBarStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuBarItem || !item || item->icon.isNull() || item->text.isEmpty()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The item's background and highlight as the style draws them, then picture and text.
    QStyleOptionMenuItem background = *item;
    background.text.clear();
    background.icon = QIcon();
    QProxyStyle::drawControl(element, &background, painter, widget);

    const bool enabled = item->state & State_Enabled;
    const bool highlighted = (item->state & State_Selected) && (item->state & State_Sunken);
    const QSize textSize = item->fontMetrics.size(Qt::TextShowMnemonic, item->text);
    const int width = IconSize + IconGap + textSize.width();
    const int left = item->rect.left() + (item->rect.width() - width) / 2;
    const QRect iconRect(left, item->rect.center().y() - IconSize / 2 + 1, IconSize, IconSize);
    const QPixmap pixmap =
        item->icon.pixmap(QSize(IconSize, IconSize), enabled ? QIcon::Normal : QIcon::Disabled);
    painter->drawPixmap(iconRect, pixmap);
    const QRect textRect(iconRect.right() + 1 + IconGap, item->rect.top(), textSize.width(),
                         item->rect.height());
    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!styleHint(SH_UnderlineShortcut, item, widget))
        flags |= Qt::TextHideMnemonic;
    drawItemText(painter, textRect, flags, item->palette, enabled, item->text,
                 highlighted ? QPalette::HighlightedText : QPalette::ButtonText);
}
