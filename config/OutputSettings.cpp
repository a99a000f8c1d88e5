#include "OutputSettings.h"

#include <QSettings>

namespace ezr {

namespace {

const QString AnonymousKey = QStringLiteral("outputs/anonymous");
const QString MinimumGroupKey = QStringLiteral("outputs/minimumGroupSize");

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ezr"),
                     QStringLiteral("ezr"));
}

} // namespace

bool anonymousOutputs() {
    return settings().value(AnonymousKey, false).toBool();
}

void setAnonymousOutputs(bool anonymous) {
    QSettings s = settings();
    s.setValue(AnonymousKey, anonymous);
    s.sync();
}

std::optional<int> minimumGroupSize() {
    bool ok = false;
    const int minimum = settings().value(MinimumGroupKey).toInt(&ok);
    // 0, 1 and anything unreadable limit nothing.
    return ok && minimum > 1 ? std::optional<int>(minimum) : std::nullopt;
}

void setMinimumGroupSize(std::optional<int> minimum) {
    QSettings s = settings();
    if (minimum && *minimum > 1)
        s.setValue(MinimumGroupKey, *minimum);
    else
        s.remove(MinimumGroupKey);
    s.sync();
}

} // namespace ezr
