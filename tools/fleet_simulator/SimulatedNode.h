#pragma once
// One simulated rig as a Sparkplug edge node: its own MQTT connection with its death certificate as will, births
// on every connection and on request, a live reading per tick by exception, and, when its link is cut on
// purpose, readings kept meanwhile and sent after the next births as historical batches, as the real edge node
// does. The payloads, sequence numbers and topics are the edge node's own code.

#include "tools/fleet_simulator/drilling_values.h"
#include "tools/sparkplug/MqttLink.h"
#include "tools/sparkplug/edge_reading.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

class SimulatedNode : public QObject {
    Q_OBJECT
public:
    struct plan {
        std::string group = "Borevane", node, device = "depth";
        int outage_every_s = 0, outage_for_s = 0; // 0: never
        int rebirth_every_s = 0;                  // 0: never
        unsigned seed = 1;
    };
    // Readings kept during an outage at most (an hour at one a second); older ones give way.
    static constexpr std::size_t backlog_limit = 3600;
    static constexpr std::size_t batch = 100;

    SimulatedNode(plan p, MqttLink::config link, QObject* parent = nullptr);

    void start(std::int64_t now_ms);
    // One reading, and what the schedule says at `now_ms` (an outage begins or ends, a rebirth is due).
    void tick(std::int64_t now_ms, double seconds);
    // The death certificate, and a clean disconnect.
    void stop();

    struct counts {
        std::uint64_t readings = 0, live_sent = 0, historical_sent = 0, births = 0, connections = 0, outages = 0;
    };
    const counts& totals() const { return counts_; }
    bool connected() const { return link_.connected(); }

private:
    void connect_now();
    void connected_now();
    void lost();
    void births();
    void drain();
    std::int64_t now_ms() const;

    plan plan_;
    sparkplug::topics topics_;
    sparkplug::metric_settings settings_ = sparkplug::default_metric_settings();
    sparkplug::session_sequence sequence_{std::nullopt};
    sparkplug::exception_filter live_filter_{settings_}, backlog_filter_{settings_};
    MqttLink link_;
    fleet_sim::drilling_values values_;
    std::mt19937 random_;
    QTimer retry_, drain_timer_;

    std::optional<sparkplug::reading> latest_;
    std::deque<sparkplug::reading> backlog_;
    bool born_ = false;
    int failures_ = 0;
    std::int64_t outage_until_ = 0, next_outage_ = 0, next_rebirth_ = 0;
    counts counts_;
};
