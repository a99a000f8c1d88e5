#pragma once

#include "ProfileCharts.h"
#include "ResultPanel.h"

#include <QString>

#include <optional>

// What selecting a cell of a profile grid shows: possibly a chart of that profile (only
// while the charts are on screen) and possibly an explanation, always under a caption
// naming the grid's subject.
struct CellChoice {
    int profile = 1;
    std::optional<ezr::ProfileValues> chart;
    std::optional<QString> explanation;
    QString caption;
};

CellChoice cellChoice(ProfileGrid grid, int column, int row);
