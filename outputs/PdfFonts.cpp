#include "PdfFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace ezr {

namespace {

QString reportFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"Arial", "Liberation Sans", "DejaVu Sans"}) {
            QString candidate = QString::fromLatin1(name);
            if (installed.contains(candidate))
                return candidate;
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

} // namespace

QFont pdfFont(double pointSize, bool bold) {
    QFont font(reportFamily());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setKerning(false);
    return font;
}

} // namespace ezr
