#pragma once

#include "Domain.h"

#include <QColor>
#include <QFont>

// The fonts and colours of the result panel. The form was drawn for "MS Sans Serif" and
// "Arial" at fixed pixel sizes; where those families are missing the nearest installed
// sans-serif family of similar width takes their place, so the texts keep fitting their
// fixed boxes.
namespace ezr {

inline const QColor Maroon(MaroonRgb.red, MaroonRgb.green, MaroonRgb.blue);
inline const QColor SignificantGreen(GreenRgb.red, GreenRgb.green, GreenRgb.blue);

QFont sansSerifFont(int pixelSize); // "MS Sans Serif"
QFont arialFont(int pixelSize);     // "Arial"
// The grids' font: 13 pixels, or smaller where the installed face is wider than the form's.
QFont gridFont();

} // namespace ezr
