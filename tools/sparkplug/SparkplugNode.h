#pragma once
// The edge node: takes the readings of Borevane.bin from a FileFollower (rewrites told apart by the file's
// modification time), journals each reading in the queue before anything else, and publishes over one MQTT
// connection: births, live data by exception, the backlog oldest first flagged historical, and a receipt after
// each batch whose acknowledgement lets the queue forget what the batch carried.
//
// Why the receipt: Sparkplug's data messages are QoS 0 and nobody acknowledges them. A QoS 1 publish on a
// topic of the node's own is acknowledged by the broker only after it has read everything the node sent before
// it on the same connection (one ordered TCP stream), so its PUBACK covers those readings. A connection lost
// before the PUBACK leaves them queued: they go again, as historical, after the next births.

#include "tools/sparkplug/FileFollower.h"
#include "tools/sparkplug/MqttLink.h"
#include "tools/sparkplug/edge_settings.h"
#include "tools/sparkplug/reading_queue.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

class SparkplugNode : public QObject {
    Q_OBJECT
public:
    struct identity {
        std::string group = "Borevane", node, device = "depth";
    };

    SparkplugNode(identity id, std::string path, sparkplug::edge_settings settings, MqttLink::config link,
                  sparkplug::reading_queue& queue, int interval_ms, QObject* parent = nullptr);
    ~SparkplugNode() override;

    void start();
    // Publishes the death certificate and disconnects cleanly (on SIGTERM).
    void stop();

    std::function<void(const std::string&)> on_log;

    struct counts {
        std::uint64_t readings = 0, live_sent = 0, historical_sent = 0, acknowledged = 0, connections = 0;
    };
    const counts& totals() const { return counts_; }

private:
    void tick();
    void taken(const sparkplug::reading& r);
    void record(const sparkplug::reading& r);
    void connect_now();
    void connected();
    void lost(const std::string& why);
    void message(const std::string& topic, const std::string& payload);
    void births(bool new_session);
    void drain();
    void send_receipt(std::vector<std::int64_t> ids);
    void acknowledged(int mid);
    std::int64_t now_ms() const;
    void log(const std::string& line);

    identity id_;
    sparkplug::topics topics_;
    sparkplug::edge_settings settings_;
    sparkplug::reading_queue& queue_;
    sparkplug::session_sequence sequence_;
    MqttLink link_;
    QTimer clock_, retry_, drain_timer_;

    // What was read.
    std::optional<sparkplug::reading> latest_;
    std::int64_t latest_id_ = 0;                       // its id in the queue (0: it could not be journalled)
    std::optional<sparkplug::queued_reading> resumed_; // the newest reading queued by the previous run

    // The connection.
    bool host_online_ = false; // the primary host's STATE (always true without one)
    bool born_ = false;
    int failures_ = 0;
    std::mt19937 jitter_{std::random_device{}()};
    sparkplug::exception_filter live_filter_, backlog_filter_;
    std::int64_t backlog_end_ = 0;          // readings up to this id were queued before the births: historical
    std::int64_t backlog_cursor_ = 0;       // the last of them sent on this connection
    std::vector<std::int64_t> unreceipted_; // sent live, not yet covered by a receipt
    std::map<int, std::vector<std::int64_t>> receipts_; // receipt message id -> readings it covers
    QElapsedTimer since_receipt_, rate_clock_;
    double rate_budget_ = 0;
    counts counts_;
    // Last, so that it stops handing readings over before anything it hands them to is gone.
    FileFollower follower_;
};
