#pragma once
// Keeps the Qt event loop running until a condition holds or the time runs out.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace bv_test {

inline bool wait_for(const std::function<bool()>& done, int timeout_ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for a while, whatever happens.
inline void pump(int ms) {
    wait_for([] { return false; }, ms);
}

} // namespace bv_test
