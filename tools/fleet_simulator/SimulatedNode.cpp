#include "tools/fleet_simulator/SimulatedNode.h"

#include "tools/sparkplug/sparkplug_payload.h"

#include <QDateTime>

using namespace sparkplug;

SimulatedNode::SimulatedNode(plan p, MqttLink::config link, QObject* parent)
    : QObject(parent), plan_(std::move(p)), topics_(plan_.group, plan_.node, plan_.device),
      link_(std::move(link), this), values_(plan_.seed), random_(plan_.seed) {
    link_.on_connected = [this] { connected_now(); };
    link_.on_lost = [this](const std::string&) { lost(); };
    link_.on_message = [this](const std::string& topic, const std::string& payload) {
        if (topic == topics_.ncmd && asks_rebirth(payload))
            births();
    };
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &SimulatedNode::connect_now);
    drain_timer_.setInterval(50); // a batch of 100 each: 2000 readings a second, the edge node's default pace
    connect(&drain_timer_, &QTimer::timeout, this, &SimulatedNode::drain);
}

std::int64_t SimulatedNode::now_ms() const {
    return QDateTime::currentMSecsSinceEpoch();
}

void SimulatedNode::start(std::int64_t now) {
    // Spread over the period, so that the nodes do not all drop or rebirth in the same second.
    std::uniform_real_distribution<double> phase(0.2, 1.0);
    if (plan_.outage_every_s > 0)
        next_outage_ = now + static_cast<std::int64_t>(plan_.outage_every_s * 1000 * phase(random_));
    if (plan_.rebirth_every_s > 0)
        next_rebirth_ = now + static_cast<std::int64_t>(plan_.rebirth_every_s * 1000 * phase(random_));
    connect_now();
}

void SimulatedNode::connect_now() {
    if (!link_.idle() || outage_until_ != 0)
        return;
    const std::int64_t bd_seq = sequence_.next_connection();
    ++counts_.connections;
    link_.open(topics_.ndeath, node_death(bd_seq, now_ms()));
}

void SimulatedNode::connected_now() {
    failures_ = 0;
    link_.subscribe(topics_.ncmd, 0);
    births();
}

void SimulatedNode::births() {
    if (!latest_ || !link_.connected())
        return;
    const std::int64_t now = now_ms();
    link_.publish(topics_.nbirth, node_birth(sequence_.bd_seq(), now), 0);
    sequence_.birth();
    link_.publish(topics_.dbirth, device_birth(settings_, *latest_, sequence_.next(), now), 0);
    live_filter_.reset(*latest_);
    ++counts_.births;
    if (!born_) {
        born_ = true;
        // The births carried the newest reading: not again in the backlog.
        if (!backlog_.empty() && backlog_.back().time_ms == latest_->time_ms)
            backlog_.pop_back();
        backlog_filter_.clear();
        if (!backlog_.empty())
            drain_timer_.start();
    }
}

void SimulatedNode::drain() {
    if (!born_ || backlog_.empty()) {
        drain_timer_.stop();
        return;
    }
    std::vector<masked_reading> readings;
    for (std::size_t i = 0; i < batch && i < backlog_.size(); ++i)
        readings.emplace_back(backlog_[i], backlog_filter_.next(backlog_[i]));
    if (link_.publish(topics_.ddata, device_data(settings_, readings, true, sequence_.next(), now_ms()), 0) < 0)
        return;
    counts_.historical_sent += readings.size();
    backlog_.erase(backlog_.begin(), backlog_.begin() + static_cast<std::ptrdiff_t>(readings.size()));
}

void SimulatedNode::lost() {
    born_ = false;
    drain_timer_.stop();
    if (outage_until_ != 0)
        return; // on purpose: back when the outage ends
    retry_.start(reconnect_delay_ms(failures_++, std::uniform_real_distribution<double>(0, 1)(random_)));
}

void SimulatedNode::tick(std::int64_t now, double seconds) {
    if (next_outage_ != 0 && now >= next_outage_ && outage_until_ == 0 && link_.connected()) {
        ++counts_.outages;
        outage_until_ = now + plan_.outage_for_s * std::int64_t{1000};
        next_outage_ = outage_until_ + plan_.outage_every_s * std::int64_t{1000};
        link_.drop();
    } else if (outage_until_ != 0 && now >= outage_until_) {
        outage_until_ = 0;
        connect_now();
    }
    if (next_rebirth_ != 0 && now >= next_rebirth_) {
        next_rebirth_ = now + plan_.rebirth_every_s * std::int64_t{1000};
        if (born_)
            births();
    }

    reading r;
    r.time_ms = now;
    r.from = source::live;
    r.age_s = std::uniform_real_distribution<float>(0.05f, 0.95f)(random_);
    r.values = values_.next(seconds);
    latest_ = r;
    ++counts_.readings;
    if (!born_) {
        // Not sent live: kept for the backlog, unless the births can carry it now.
        backlog_.push_back(r);
        if (backlog_.size() > backlog_limit)
            backlog_.pop_front();
        births();
        return;
    }
    const auto mask = live_filter_.next(r);
    if (link_.publish(topics_.ddata, device_data(settings_, {{r, mask}}, false, sequence_.next(), now), 0) >= 0)
        ++counts_.live_sent;
}

void SimulatedNode::stop() {
    retry_.stop();
    drain_timer_.stop();
    if (link_.connected()) {
        link_.publish(topics_.ndeath, node_death(sequence_.bd_seq(), now_ms()), 0);
        link_.close_cleanly(200);
    }
}
