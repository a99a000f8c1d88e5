#pragma once

#include <QFont>

namespace ezr {

// The report's face at a size in points: Arial where installed, else a TrueType sans-serif
// face that the PDF can embed (a face the writer cannot embed would print as outlines, and
// its text could not be selected).
QFont pdfFont(double pointSize, bool bold = false);

} // namespace ezr
