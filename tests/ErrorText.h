#pragma once

// The message of the AnalysisError a call raises, or an empty text when it raises none.

#include "AnalysisError.h"

#include <QString>

template <typename F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const ezr::AnalysisError& e) {
        return e.message();
    }
    return QString();
}

// The error box's text for the AnalysisError a call raises, or an empty text.
template <typename F> QString errorBoxTextOf(F&& f) {
    try {
        f();
    } catch (const ezr::AnalysisError& e) {
        return ezr::errorBoxText(e);
    }
    return QString();
}
