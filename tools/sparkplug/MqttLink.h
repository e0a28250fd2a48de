#pragma once
// One MQTT connection to the broker through libmosquitto, on Qt's event loop: the library's socket is watched by
// QSocketNotifiers and each readiness runs one non-blocking pass of the library's own loop (which, unlike its
// separate read and write steps, also advances a TLS handshake), so every callback arrives on this thread and
// nothing needs a lock. Only the connect call, which resolves the broker's name and may wait for a name server,
// runs on a thread of its own; an attempt that does not finish is abandoned, never waited for.
//
// It speaks MQTT 5 where the broker does, for topic aliases: each topic goes whole once a connection, then as a
// two-byte number the broker announced room for, which halves a live reading on the wire. A broker that refuses
// MQTT 5 is spoken to in MQTT 3.1.1 from the next attempt on. Under MQTT 5 a publish the broker acknowledges
// with a refusal (not authorised, quota) is no acknowledgement: the connection is dropped and said why.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "tools/sparkplug/mqtt_settings.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;
typedef struct mqtt5__property mosquitto_property;

class MqttLink : public QObject {
    Q_OBJECT
public:
    struct config {
        std::string host = "127.0.0.1";
        int port = 1883;
        bool tls = false;
        std::string ca_file;  // with tls: the CA the broker's certificate must chain to (empty: the system's)
        std::string username; // empty: none
        std::string password;
        std::string client_id;
        int keepalive_s = 30;
    };

    // tcp://HOST:PORT or ssl://HOST:PORT (an IPv6 address in brackets) into `c`'s host, port and tls; false, and
    // `c` untouched, for anything else.
    static bool parse_broker(const std::string& url, config& c);

    // The connection to the broker at `broker_url` with the [mqtt] settings, the password read from its file;
    // nothing, with `error` set, when the URL or the password file is refused.
    static std::optional<config> configure(const std::string& broker_url, const sparkplug::mqtt_settings& settings,
                                           std::string client_id, std::string& error);

    explicit MqttLink(config c, QObject* parent = nullptr);
    ~MqttLink() override;

    // Starts an attempt with `will` (QoS 1; none for an empty topic) registered first; ends in on_connected or
    // on_lost.
    void open(const std::string& will_topic, const std::string& will_payload, bool will_retained = false);
    bool connected() const { return state_ == state::connected; }
    bool idle() const { return state_ == state::idle; }
    // The protocol of this connection, or of the next attempt: 5, or 4 for MQTT 3.1.1.
    int protocol() const { return mqtt5_ ? 5 : 4; }

    // The message id of a queued publish, or -1 when it could not be queued (not connected).
    int publish(const std::string& topic, const std::string& payload, int qos, bool retained = false);
    void subscribe(const std::string& topic, int qos);
    // Sends what is queued and a DISCONNECT (no will), waiting at most `bound_ms`.
    void close_cleanly(int bound_ms);
    // Drops the connection at once (the broker publishes the will).
    void drop();

    std::function<void()> on_connected;
    std::function<void(const std::string& why)> on_lost; // an attempt failed or a connection ended
    std::function<void(int mid)> on_acknowledged;        // a QoS 1 publish was acknowledged
    std::function<void(const std::string& topic, const std::string& payload)> on_message;
    std::function<void(const std::string&)> on_log;

private:
    enum class state { idle, resolving, handshaking, connected };
    static void connect_cb(mosquitto*, void*, int rc, int flags, const mosquitto_property* properties);
    static void disconnect_cb(mosquitto*, void*, int);
    static void publish_cb(mosquitto*, void*, int mid, int reason, const mosquitto_property*);
    static void message_cb(mosquitto*, void*, const mosquitto_message*);
    static void log_cb(mosquitto*, void*, int, const char*);

    void attempt_done(int rc, const std::string& why);
    void pump();
    void watch_socket();
    void lose(const std::string& why, bool disconnect = true);
    void update_write_interest();
    void lose_later(const std::string& why);

    config config_;
    std::shared_ptr<mosquitto> mosq_;
    state state_ = state::idle;
    std::unique_ptr<QSocketNotifier> read_, write_;
    QTimer misc_;     // keep-alive and the handshake's progress
    QTimer deadline_; // an attempt that has not connected by then has failed
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::string last_error_;
    bool mqtt5_ = true;
    std::size_t alias_room_ = 0;         // topic aliases the broker takes on this connection
    std::map<std::string, int> aliases_; // topic -> its alias on this connection
};
