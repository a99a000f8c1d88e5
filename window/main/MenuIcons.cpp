#include "MenuIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

// Drawn pictures for the chart commands: bars, or a line against its mean.
QIcon chartIcon(bool bars) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawLine(1, 14, 15, 14);
    painter.drawLine(1, 1, 1, 14);
    if (bars) {
        const QColor colours[3] = {Qt::red, QColor(0, 255, 0), QColor(255, 255, 0)};
        const int heights[3] = {9, 12, 6};
        for (int i = 0; i < 3; ++i) {
            const QRect bar(3 + i * 4, 14 - heights[i], 3, heights[i]);
            painter.fillRect(bar, colours[i]);
            painter.drawRect(bar.adjusted(0, 0, -1, -1));
        }
    } else {
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        painter.drawLine(2, 8, 15, 8);
        painter.setPen(Qt::red);
        const QPoint points[] = {{2, 10}, {5, 4}, {8, 9}, {11, 3}, {14, 7}};
        painter.drawPolyline(points, 5);
    }
    return QIcon(pixmap);
}

} // namespace

QIcon menuIcon(MenuIcon icon, const QStyle* style) {
    switch (icon) {
    case MenuIcon::None:
        return {};
    case MenuIcon::Open:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case MenuIcon::Folder:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case MenuIcon::Save:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case MenuIcon::File:
        return style->standardIcon(QStyle::SP_FileIcon);
    case MenuIcon::Pdf:
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case MenuIcon::Table:
        return style->standardIcon(QStyle::SP_FileDialogListView);
    case MenuIcon::Contents:
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case MenuIcon::Info:
        return style->standardIcon(QStyle::SP_FileDialogInfoView);
    case MenuIcon::Bars:
        return chartIcon(true);
    case MenuIcon::Line:
        return chartIcon(false);
    }
    return {};
}
