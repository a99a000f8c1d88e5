#pragma once

#include <QIcon>

class QStyle;

// The small pictures of the menu items.
enum class MenuIcon { None, Open, Folder, Save, File, Pdf, Table, Contents, Info, Bars, Line };

QIcon menuIcon(MenuIcon icon, const QStyle* style);
