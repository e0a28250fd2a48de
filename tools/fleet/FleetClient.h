// FleetClient: the fleet view's side of the broker, as a Sparkplug host application. It subscribes to the
// group's topics and hands every message to the host's rules, publishes the rebirth commands those rules ask
// for, and, as the primary host (a host id given), says so on its retained STATE topic with the offline state
// registered as its will, so that edge nodes keep their readings while it is away. A lost broker is tried again
// with the edge node's back-off; every change of the link's state is reported at once.
#pragma once

#include "tools/fleet/fleet_host.h"
#include "tools/sparkplug/MqttLink.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

class FleetClient : public QObject {
    Q_OBJECT
public:
    enum class status { connecting, connected, lost };

    // `host_id` empty: not a primary host, no STATE published.
    FleetClient(fleet::fleet_host& host, MqttLink::config link, std::string host_id, QObject* parent = nullptr);
    ~FleetClient() override;

    void start();
    // As the primary host, publishes the offline state first; then closes the connection cleanly.
    void stop();

    status Status() const { return status_; }
    // Why the link was lost, and when the next attempt is due (host wall clock, ms).
    const std::string& Why() const { return why_; }
    std::int64_t RetryAtMs() const { return retry_at_ms_; }

    // Sparkplug 3.0's STATE payload: {"online":true|false,"timestamp":MS}.
    static std::string state_payload(bool online, std::int64_t timestamp_ms);
    static std::int64_t wall_ms();

    std::function<void()> on_status;                   // after every change of status
    std::function<void(const std::string&)> on_log;    // a line per change of the link and per rebirth request
    std::function<void(std::int64_t now_ms)> on_taken; // after each message given to the host

private:
    void connect_now();
    void connected();
    void lost(const std::string& why);
    void message(const std::string& topic, const std::string& payload);
    void set_status(status s);
    void log(const std::string& line);

    fleet::fleet_host& host_;
    MqttLink link_;
    std::string host_id_;
    std::string state_topic_;
    std::int64_t state_timestamp_ = 0; // of the STATE birth and its will, which must match
    status status_ = status::connecting;
    std::string why_;
    std::int64_t retry_at_ms_ = 0;
    int failures_ = 0;
    QTimer retry_;
    std::mt19937 jitter_{std::random_device{}()};
    bool stopping_ = false;
};
