#pragma once
// Helpers of the Qt tests: waiting with a live event loop, and a port nobody listens on.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>
#include <functional>

namespace bv_test {

// Keeps the event loop running until the condition holds or the time runs out.
inline bool wait_for(const std::function<bool()>& done, int timeout_ms = 8000) {
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

// A loopback port on which nothing listens: connections to it are refused.
inline quint16 closed_port() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace bv_test
