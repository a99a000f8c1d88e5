#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace bench {

// The longest stretch, in nanoseconds, the event loop went unserved while `work` ran: a probe
// timer due every millisecond notes the gaps between its calls, and the stretch from its last
// call to the end of the work counts too.
template <typename Work> qint64 longestStall(Work&& work) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    probe.start();
    work();
    probe.stop();
    return std::max(longest, clock.nsecsElapsed() - last);
}

} // namespace bench
