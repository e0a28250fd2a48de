#include "tools/fleet/FleetClient.h"

#include "tools/sparkplug/sparkplug_session.h"

#include <QDateTime>

FleetClient::FleetClient(fleet::fleet_host& host, MqttLink::config link, std::string host_id, QObject* parent)
    : QObject(parent), host_(host), link_(std::move(link)), host_id_(std::move(host_id)) {
    if (!host_id_.empty())
        state_topic_ = sparkplug::topics::state(host_id_);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &FleetClient::connect_now);
    link_.on_connected = [this] { connected(); };
    link_.on_lost = [this](const std::string& why) { lost(why); };
    link_.on_message = [this](const std::string& topic, const std::string& payload) { message(topic, payload); };
}

FleetClient::~FleetClient() = default;

std::int64_t FleetClient::wall_ms() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::string FleetClient::state_payload(bool online, std::int64_t timestamp_ms) {
    return std::string("{\"online\":") + (online ? "true" : "false") +
           ",\"timestamp\":" + std::to_string(timestamp_ms) + "}";
}

void FleetClient::start() {
    connect_now();
}

void FleetClient::stop() {
    stopping_ = true;
    retry_.stop();
    if (link_.connected() && !state_topic_.empty())
        link_.publish(state_topic_, state_payload(false, state_timestamp_), 1, true);
    link_.close_cleanly(1000);
}

void FleetClient::connect_now() {
    if (stopping_)
        return;
    set_status(status::connecting);
    if (state_topic_.empty()) {
        link_.open("", "");
        return;
    }
    state_timestamp_ = wall_ms();
    link_.open(state_topic_, state_payload(false, state_timestamp_), true);
}

void FleetClient::connected() {
    failures_ = 0;
    why_.clear();
    link_.subscribe("spBv1.0/" + host_.group() + "/#", 0);
    // After the subscription, so that no birth sent in answer to it is missed.
    if (!state_topic_.empty())
        link_.publish(state_topic_, state_payload(true, state_timestamp_), 1, true);
    set_status(status::connected);
}

void FleetClient::lost(const std::string& why) {
    const std::int64_t now = wall_ms();
    host_.broker_lost(now);
    if (stopping_)
        return;
    why_ = why;
    const int delay = sparkplug::reconnect_delay_ms(failures_++, std::uniform_real_distribution<double>(0, 1)(jitter_));
    retry_at_ms_ = now + delay;
    retry_.start(delay);
    set_status(status::lost);
}

void FleetClient::message(const std::string& topic, const std::string& payload) {
    const std::int64_t now = wall_ms();
    host_.message(topic, payload, now);
    for (const fleet::outgoing& command : host_.take_outgoing()) {
        const bool sent = link_.publish(command.topic, command.payload, 0) >= 0;
        log("rebirth requested: " + command.topic + (sent ? "" : " (not sent: no connection)"));
    }
    if (on_taken)
        on_taken(now);
}

void FleetClient::set_status(status s) {
    const bool same = s == status_ && s != status::lost;
    status_ = s;
    if (same)
        return;
    switch (s) {
    case status::connecting:
        log("broker: connecting");
        break;
    case status::connected:
        log("broker: connected");
        break;
    case status::lost:
        log("broker: lost (" + why_ + "), retry in " + std::to_string(retry_at_ms_ - wall_ms()) + " ms");
        break;
    }
    if (on_status)
        on_status();
}

void FleetClient::log(const std::string& line) {
    if (on_log)
        on_log(line);
}
