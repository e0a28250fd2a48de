#include "tools/wits/WitsBridge.h"

#include "tools/wits/WitsSerial.h"
#include "tools/wits/WitsServer.h"

#include <ctime>

namespace {

tools::wits_clock local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace

WitsBridge::WitsBridge(std::string path, tools::wits_settings settings, WitsServer* server, WitsSerial* serial,
                       int interval_ms, QObject* parent)
    : QObject(parent), feed_(std::move(settings)), server_(server), serial_(serial), path_(std::move(path)),
      reader_([this](const snapshot_result& read) {
          const auto when = local_now();
          QMetaObject::invokeMethod(
              this, [this, read, when] { read_done(read, when); }, Qt::QueuedConnection);
      }) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_ms);
    connect(&timer_, &QTimer::timeout, this, &WitsBridge::tick);
}

WitsBridge::~WitsBridge() = default;

void WitsBridge::start() {
    timer_.start();
    tick();
}

void WitsBridge::tick() {
    if (!reader_.start(path_))
        handle(feed_.on_lock_busy());
}

void WitsBridge::read_done(const snapshot_result& read, const tools::wits_clock& when) {
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
