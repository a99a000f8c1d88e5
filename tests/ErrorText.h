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
