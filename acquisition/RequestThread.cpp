#include "acquisition/RequestThread.h"

#include <QCoreApplication>
#include <QTime>

RequestThread::RequestThread(QObject* context, std::function<void()> action)
    : context(context), action(std::move(action)) {}

RequestThread::~RequestThread() {
    finish();
}

void RequestThread::run() {
    qint16 last_second = -1;
    while (!isInterruptionRequested()) {
        msleep(nap_ms);
        const auto second = static_cast<qint16>(QTime::currentTime().second());
        if (second == last_second)
            continue;
        last_second = second;
        QMetaObject::invokeMethod(
            context, [this] { action(); }, Qt::BlockingQueuedConnection);
    }
}

void RequestThread::finish() {
    requestInterruption();
    while (!wait(20))
        QCoreApplication::processEvents();
}
