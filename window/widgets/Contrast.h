#pragma once

#include <QColor>
#include <QPalette>

// Colours a reader can tell from their background under any desktop theme.

// The contrast ratio of two colours by their relative luminance, from 1 (the same) to 21
// (black on white); 4.5 is the least for ordinary text to stay readable.
double contrastRatio(const QColor& first, const QColor& second);

// `wanted` when it stands out enough from `background`; otherwise the same hue made lighter
// (on a dark background) or darker (on a light one) until it does.
QColor readableColour(const QColor& wanted, const QColor& background);

// The light palette the result panel's fixed colours were chosen for: light grey faces,
// white fields, black text, whatever the desktop's theme.
QPalette lightPanelPalette();
