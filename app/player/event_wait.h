#pragma once
// Waiting while the event loop runs, in 1 ms slices: QTest::qWait sleeps in
// 10 ms slices, which would hide how closely the player keeps time.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace cuemark {

inline void RunFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds; false when the time ran out first.
template <typename Done>
bool RunUntil(Done done, int timeoutMilliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMilliseconds) return false;
        RunFor(1);
    }
    return true;
}

} // namespace cuemark
