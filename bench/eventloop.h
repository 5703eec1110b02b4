// Waiting on the event loop in benchmarks: events are handled as soon as they come, without the
// fixed sleeps of QTest::qWait, so that measured times are the program's and not the wait's.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

// Runs the event loop until done() holds, at most boundMs; returns whether it holds.
inline bool SpinUntil(const std::function<bool()>& done, int boundMs = 5000) {
    QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}
// Runs the event loop for ms milliseconds.
inline void Spin(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
