#include "tools/WitsBridge.h"

#include "acquisition/core/output_file.h"
#include "library/lock_object.h"
#include "tools/WitsSerial.h"
#include "tools/WitsServer.h"

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

tools::wits_clock local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace

// Shared by the bridge and its thread; the thread outlives a bridge destroyed while a read waits for the
// lock (it is then detached, and its result goes nowhere).
struct WitsBridge::reader {
    std::mutex mutex;
    std::condition_variable wake;
    WitsBridge* owner = nullptr;
    bool requested = false;
    bool busy = false;
    std::thread thread;

    void run(std::string path) {
        // The lock belongs to the thread that takes it: this one makes and uses its own.
        lib::lock_object file_lock(output_file_name);
        std::unique_lock guard(mutex);
        for (;;) {
            wake.wait(guard, [this] { return requested || !owner; });
            if (!owner)
                return;
            requested = false;
            busy = true;
            guard.unlock();
            const auto read = tools::read_output_snapshot(path, file_lock);
            const auto when = local_now();
            guard.lock();
            busy = false;
            if (!owner)
                return;
            QMetaObject::invokeMethod(
                owner, [owner = owner, read, when] { owner->read_done(read, when); }, Qt::QueuedConnection);
        }
    }
};

WitsBridge::WitsBridge(std::string path, tools::wits_settings settings, WitsServer* server, WitsSerial* serial,
                       int interval_ms, QObject* parent)
    : QObject(parent), feed_(std::move(settings)), server_(server), serial_(serial),
      reader_(std::make_shared<reader>()) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_ms);
    connect(&timer_, &QTimer::timeout, this, &WitsBridge::tick);
    reader_->owner = this;
    reader_->thread = std::thread([state = reader_, path = std::move(path)] { state->run(path); });
}

WitsBridge::~WitsBridge() {
    std::unique_lock guard(reader_->mutex);
    reader_->owner = nullptr;
    const bool waiting_for_lock = reader_->busy;
    guard.unlock();
    reader_->wake.notify_all();
    if (waiting_for_lock)
        reader_->thread.detach();
    else
        reader_->thread.join();
}

void WitsBridge::start() {
    timer_.start();
    tick();
}

void WitsBridge::tick() {
    if (reading_) {
        handle(feed_.on_lock_busy());
        return;
    }
    reading_ = true;
    {
        std::lock_guard guard(reader_->mutex);
        reader_->requested = true;
    }
    reader_->wake.notify_all();
}

void WitsBridge::read_done(const tools::snapshot_result& read, const tools::wits_clock& when) {
    reading_ = false;
    handle(feed_.on_read(read, when));
}

void WitsBridge::handle(const tools::feed_step& step) {
    if (step.log && on_log)
        on_log(*step.log);
    if (!step.frame)
        return;
    const QByteArray frame = QByteArray::fromStdString(*step.frame);
    server_->send(frame);
    if (serial_)
        serial_->send(frame);
}
