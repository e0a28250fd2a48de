#include "acquisition/RequestThread.h"

#include <QCoreApplication>
#include <chrono>

namespace {

using wall_clock = std::chrono::system_clock;

// A second of the wall clock starts at the same instant in every time zone that differs from UTC by whole
// minutes, so the second needs no time zone (nor the look at the zone's file that local time costs each time).
std::chrono::milliseconds until_next_second(wall_clock::time_point now) {
    const auto into = now.time_since_epoch() % std::chrono::seconds(1);
    // A little past the change, so the wake-up sees the new second even on a coarse timer.
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(1) - into) +
           std::chrono::milliseconds(2);
}

} // namespace

RequestThread::RequestThread(QObject* context, std::function<void()> action)
    : context(context), action(std::move(action)) {}

RequestThread::~RequestThread() {
    finish();
}

bool RequestThread::sleep_unless_finished(long ms) {
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ending; });
    return !ending;
}

void RequestThread::run() {
    auto last_second = std::chrono::floor<std::chrono::seconds>(wall_clock::time_point());
    long sleep_ms = static_cast<long>(nap_ms);
    while (sleep_unless_finished(sleep_ms) && !isInterruptionRequested()) {
        const auto now = wall_clock::now();
        sleep_ms = static_cast<long>(until_next_second(now).count());
        const auto second = std::chrono::floor<std::chrono::seconds>(now);
        if (second == last_second)
            continue;
        last_second = second;
        QMetaObject::invokeMethod(
            context, [this] { action(); }, Qt::BlockingQueuedConnection);
    }
}

void RequestThread::finish() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    wake.notify_all();
    requestInterruption();
    while (!wait(20))
        QCoreApplication::processEvents();
}
