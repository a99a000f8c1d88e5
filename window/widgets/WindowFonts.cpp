#include "WindowFonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QStringList>

namespace ezr {
namespace {

// The first family of the list that is installed; fontconfig aliases do not count, because
// a missing alias silently falls back to a much wider face.
QString firstInstalled(const QStringList& candidates) {
    // The database lists a family once per foundry, as "Nimbus Sans [urw]".
    QStringList installed;
    for (const QString& family : QFontDatabase::families())
        installed << family.section(QStringLiteral(" ["), 0, 0);
    for (const QString& family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

const QString& sansSerifFamily() {
    static const QString family = firstInstalled(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
         QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
         QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    return family;
}

const QString& arialFamily() {
    static const QString family = firstInstalled(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
         QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    return family;
}

QFont fontOf(const QString& family, int pixelSize) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

QFont sansSerifFont(int pixelSize) {
    return fontOf(sansSerifFamily(), pixelSize);
}

QFont arialFont(int pixelSize) {
    return fontOf(arialFamily(), pixelSize);
}

QFont gridFont() {
    // The grids were laid out for a face whose blank is narrow: the headings are placed with
    // runs of blanks, and a value such as "  99,9" just fills a 33-pixel column. A wider face
    // is set smaller until those still fit.
    const QString widestHeading = QString(43, QLatin1Char(' ')) + QStringLiteral("Стимулы");
    const QString widestValue =
        QStringLiteral("  99") + QLocale().decimalPoint() + QStringLiteral("9");
    QFont font = sansSerifFont(13);
    while (font.pixelSize() > 9) {
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(widestHeading) <= 198 &&
            metrics.horizontalAdvance(widestValue) <= 31)
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

} // namespace ezr
