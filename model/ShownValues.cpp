#include "ShownValues.h"

#include "NormComparison.h"
#include "Regional.h"

#include <cmath>

namespace ezr {

int scoreDecimals(AnalysisKind kind) {
    return kind == AnalysisKind::Group ? 1 : 0;
}

double shownScore(double value, AnalysisKind kind) {
    if (scoreDecimals(kind) == 0)
        return std::nearbyint(value);
    return roundedFixed(value, scoreDecimals(kind));
}

double shownOneDecimal(double value) {
    return roundedFixed(value, 1);
}

Verdict shownCellVerdict(double chi) {
    return cellSignificance(shownOneDecimal(chi));
}

} // namespace ezr
