#include "tools/sparkplug/SparkplugNode.h"

#include "tools/sparkplug/sparkplug_payload.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

using namespace sparkplug;

namespace {

// A receipt goes at least this often while only live readings flow: about one byte a reading on the wire, and
// at most a minute of readings sent again as historical after a crash.
constexpr qint64 live_receipt_ms = 60000;
constexpr std::size_t live_receipt_count = 60;
// Backlog batches whose receipts are not yet acknowledged: the broker's pace, so a slow link never holds more
// than this in its buffers ahead of a live reading.
constexpr std::size_t batches_in_flight = 2;

} // namespace

SparkplugNode::SparkplugNode(identity id, std::string path, edge_settings settings, MqttLink::config link,
                             reading_queue& queue, int interval_ms, QObject* parent)
    : QObject(parent), id_(std::move(id)), topics_(id_.group, id_.node, id_.device), settings_(std::move(settings)),
      queue_(queue), sequence_(queue.stored("bdSeq")), link_(std::move(link), this), live_filter_(settings_.metrics),
      backlog_filter_(settings_.metrics), follower_(
                                              std::move(path), interval_ms,
                                              [this](const reading& r) {
                                                  QMetaObject::invokeMethod(
                                                      this, [this, r] { taken(r); }, Qt::QueuedConnection);
                                              },
                                              [this](const std::string& line) {
                                                  QMetaObject::invokeMethod(
                                                      this, [this, line] { log(line); }, Qt::QueuedConnection);
                                              }) {
    if (const std::int64_t last = queue_.last_id(); last != 0) {
        const auto rows = queue_.oldest(last - 1, last, 1);
        if (!rows.empty())
            resumed_ = rows.front();
    }
    link_.on_connected = [this] { connected(); };
    link_.on_lost = [this](const std::string& why) { lost(why); };
    link_.on_acknowledged = [this](int mid) { acknowledged(mid); };
    link_.on_message = [this](const std::string& topic, const std::string& payload) { message(topic, payload); };
    link_.on_log = [this](const std::string& line) { log("broker: " + line); };
    clock_.setInterval(interval_ms);
    connect(&clock_, &QTimer::timeout, this, &SparkplugNode::tick);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &SparkplugNode::connect_now);
    drain_timer_.setInterval(20);
    connect(&drain_timer_, &QTimer::timeout, this, &SparkplugNode::drain);
}

SparkplugNode::~SparkplugNode() = default;

void SparkplugNode::start() {
    follower_.start();
    clock_.start();
    since_receipt_.start();
    connect_now();
}

void SparkplugNode::stop() {
    clock_.stop();
    retry_.stop();
    drain_timer_.stop();
    if (link_.connected()) {
        link_.publish(topics_.ndeath, node_death(sequence_.bd_seq(), now_ms()), 0);
        link_.close_cleanly(2000);
    }
}

std::int64_t SparkplugNode::now_ms() const {
    return QDateTime::currentMSecsSinceEpoch();
}

void SparkplugNode::log(const std::string& line) {
    if (on_log)
        on_log(line);
}

void SparkplugNode::tick() {
    // When the file stops changing no reading comes to carry the receipt: the clock sends it, so that the
    // readings already sent do not stay queued (and go again after a restart) for as long as the file is still.
    if (born_ && !unreceipted_.empty() && since_receipt_.elapsed() >= live_receipt_ms) {
        send_receipt(std::move(unreceipted_));
        unreceipted_.clear();
    }
}

void SparkplugNode::taken(const reading& r) {
    // One rewrite is one reading: a live read of a file already read (same modification time) is none; a file
    // that is not live is a reading only when the reason changes.
    if (latest_ && latest_->from == r.from && (!r.live() || latest_->time_ms == r.time_ms))
        return;
    // The first read after a restart may find the rewrite the previous run journalled last: one reading, kept
    // and sent once (with the births), not a second row beside the first.
    if (!latest_ && resumed_ && r.live() && resumed_->value.live() && resumed_->value.time_ms == r.time_ms) {
        latest_ = r;
        latest_id_ = resumed_->id;
        resumed_.reset();
        births(true);
        return;
    }
    record(r);
}

void SparkplugNode::record(const reading& r) {
    const std::int64_t id = queue_.append(r);
    if (id == 0)
        log("queue: cannot journal a reading: " + queue_.error());
    latest_ = r;
    latest_id_ = id;
    ++counts_.readings;
    if (!born_) {
        births(true);
        return;
    }
    const auto mask = live_filter_.next(r);
    if (std::any_of(mask.begin(), mask.end(), [](bool b) { return b; })) {
        link_.publish(topics_.ddata, device_data(settings_.metrics, {{r, mask}}, false, sequence_.next(), now_ms()), 0);
        ++counts_.live_sent;
    }
    // A reading with nothing to report is covered by the next receipt all the same.
    if (id != 0)
        unreceipted_.push_back(id);
    if (unreceipted_.size() >= live_receipt_count || since_receipt_.elapsed() >= live_receipt_ms) {
        send_receipt(std::move(unreceipted_));
        unreceipted_.clear();
    }
}

void SparkplugNode::connect_now() {
    if (!link_.idle())
        return;
    // The bdSeq is kept before the attempt, so a crash during it can never give the next one the same number.
    const std::int64_t bd_seq = sequence_.next_connection();
    queue_.store("bdSeq", bd_seq);
    ++counts_.connections;
    link_.open(topics_.ndeath, node_death(bd_seq, now_ms()));
}

void SparkplugNode::connected() {
    failures_ = 0;
    log("connected to the broker (bdSeq " + std::to_string(sequence_.bd_seq()) + ")");
    link_.subscribe(topics_.ncmd, 0);
    host_online_ = settings_.mqtt.primary_host.empty();
    if (!host_online_) {
        log("waiting for the primary host " + settings_.mqtt.primary_host + " to be online");
        link_.subscribe(topics::state(settings_.mqtt.primary_host), 1);
    }
    births(true);
}

void SparkplugNode::births(bool new_session) {
    if (!latest_ || !link_.connected() || !host_online_ || (born_ && new_session))
        return;
    const std::int64_t now = now_ms();
    link_.publish(topics_.nbirth, node_birth(sequence_.bd_seq(), now), 0);
    sequence_.birth();
    link_.publish(topics_.dbirth, device_birth(settings_.metrics, *latest_, sequence_.next(), now), 0);
    live_filter_.reset(*latest_);
    if (!born_) {
        born_ = true;
        backlog_end_ = queue_.last_id();
        // The births carried the latest reading: it goes with the next receipt, not again in the backlog.
        if (latest_id_ != 0 && latest_id_ == backlog_end_) {
            --backlog_end_;
            unreceipted_.push_back(latest_id_);
        }
        backlog_cursor_ = 0;
        backlog_filter_.clear();
        rate_budget_ = 0;
        rate_clock_.start();
        const auto waiting = queue_.count();
        if (waiting > 1)
            log("sending " + std::to_string(waiting) + " queued readings, oldest first");
        drain_timer_.start();
    }
}

void SparkplugNode::drain() {
    if (!born_)
        return;
    if (backlog_cursor_ >= backlog_end_) {
        drain_timer_.stop();
        return;
    }
    rate_budget_ = std::min<double>(rate_budget_ + settings_.queue.backlog_rate * rate_clock_.restart() / 1000.0,
                                    double(settings_.queue.batch));
    if (receipts_.size() >= batches_in_flight || rate_budget_ < 1)
        return;
    const auto rows = queue_.oldest(backlog_cursor_, backlog_end_, static_cast<std::size_t>(rate_budget_));
    if (rows.empty()) {
        backlog_cursor_ = backlog_end_;
        return;
    }
    std::vector<masked_reading> batch;
    std::vector<std::int64_t> ids;
    for (const auto& row : rows) {
        batch.emplace_back(row.value, backlog_filter_.next(row.value));
        ids.push_back(row.id);
    }
    if (link_.publish(topics_.ddata, device_data(settings_.metrics, batch, true, sequence_.next(), now_ms()), 0) < 0)
        return;
    backlog_cursor_ = rows.back().id;
    rate_budget_ -= double(rows.size());
    counts_.historical_sent += rows.size();
    send_receipt(std::move(ids));
    if (backlog_cursor_ >= backlog_end_)
        log("queued readings sent");
}

void SparkplugNode::send_receipt(std::vector<std::int64_t> ids) {
    if (ids.empty())
        return;
    const int mid = link_.publish(topics_.receipt, std::to_string(ids.back()), 1);
    since_receipt_.restart();
    if (mid >= 0)
        receipts_[mid] = std::move(ids);
}

void SparkplugNode::acknowledged(int mid) {
    const auto it = receipts_.find(mid);
    if (it == receipts_.end())
        return;
    counts_.acknowledged += it->second.size();
    queue_.remove(std::move(it->second));
    receipts_.erase(it);
    drain();
}

void SparkplugNode::lost(const std::string& why) {
    born_ = false;
    receipts_.clear();
    unreceipted_.clear();
    drain_timer_.stop();
    const int delay = reconnect_delay_ms(failures_++, std::uniform_real_distribution<double>(0, 1)(jitter_));
    log("broker: " + why + "; readings are queued (" + std::to_string(queue_.count()) + "); next attempt in " +
        std::to_string(delay / 100 / 10.0).substr(0, 3) + " s");
    retry_.start(delay);
}

void SparkplugNode::message(const std::string& topic, const std::string& payload) {
    if (topic == topics_.ncmd) {
        if (asks_rebirth(payload)) {
            log("rebirth requested");
            births(false);
        }
        return;
    }
    if (settings_.mqtt.primary_host.empty() || topic != topics::state(settings_.mqtt.primary_host))
        return;
    const auto online = host_online(payload);
    if (!online || *online == host_online_)
        return;
    host_online_ = *online;
    log("primary host " + settings_.mqtt.primary_host + (*online ? " online" : " offline"));
    if (*online) {
        births(true);
    } else if (born_) {
        // The host that keeps the data is gone: die, and come back on a new session once it is back. Not from
        // inside the library's message callback, whose loop must not run again beneath itself.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!born_ || host_online_ || !link_.connected())
                    return;
                link_.publish(topics_.ndeath, node_death(sequence_.bd_seq(), now_ms()), 0);
                link_.close_cleanly(1000);
                lost("the primary host went offline");
            },
            Qt::QueuedConnection);
    }
}
