#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double channel(double value) {
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& first, const QColor& second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableColour(const QColor& wanted, const QColor& background) {
    constexpr double Least = 4.5;
    QColor colour = wanted.toHsl();
    const bool darkBackground = luminance(background) < 0.18;
    // Lightness in steps of 2 %: at worst 50 steps to white or black, which always pass.
    for (int step = 0; step < 50 && contrastRatio(colour, background) < Least; ++step) {
        const float lightness = colour.lightnessF() + (darkBackground ? 0.02F : -0.02F);
        colour.setHslF(colour.hslHueF(), colour.hslSaturationF(),
                       std::clamp(lightness, 0.0F, 1.0F));
    }
    if (contrastRatio(colour, background) < Least)
        colour = darkBackground ? QColor(Qt::white) : QColor(Qt::black);
    return colour.toRgb();
}

QPalette lightPanelPalette() {
    QPalette palette(QColor(240, 240, 240));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, Qt::gray);
    return palette;
}
