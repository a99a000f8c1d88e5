#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

#include <time.h>

namespace bench {

// The longest stretches, in nanoseconds, the event loop went unserved while some work ran:
// `wall` as the clock counts it, and `busy` as the processor time the loop's thread spent in
// such a stretch. On a loaded machine `wall` includes the time the thread waited for a core;
// `busy` is what the program itself kept the loop from.
struct Stalls {
    qint64 wall = 0;
    qint64 busy = 0;
};

inline qint64 threadTimeNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A probe timer due every millisecond notes the gaps between its calls; the stretch from its
// last call to the end of the work counts too.
template <typename Work> Stalls stalls(Work&& work) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 lastBusy = threadTimeNs();
    Stalls longest;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    const auto note = [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 busy = threadTimeNs();
        longest.wall = std::max(longest.wall, now - last);
        longest.busy = std::max(longest.busy, busy - lastBusy);
        last = now;
        lastBusy = busy;
    };
    QObject::connect(&probe, &QTimer::timeout, note);
    clock.start();
    probe.start();
    work();
    probe.stop();
    note();
    return longest;
}

template <typename Work> qint64 longestStall(Work&& work) {
    return stalls(work).wall;
}

} // namespace bench
