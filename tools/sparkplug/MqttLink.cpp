#include "tools/sparkplug/MqttLink.h"

#include "library/cli_args.h"

#include <QCoreApplication>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cstring>
#include <regex>
#include <thread>

namespace {

struct library_init {
    library_init() { mosquitto_lib_init(); }
};

// Set on the thread of a connect call, which may run the TLS handshake: the error the library logs there (the
// certificate's fault, say), for the attempt's result rather than the bare return code.
thread_local std::string* connect_call_error = nullptr;

std::string reason_of(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return std::strerror(errno);
    return mosquitto_strerror(rc);
}

} // namespace

bool MqttLink::parse_broker(const std::string& url, config& c) {
    static const std::regex form(R"(^(tcp|ssl)://(\[[^\]]+\]|[^:/\[\]]+):(\d{1,5})$)");
    std::smatch m;
    if (!std::regex_match(url, m, form))
        return false;
    const auto port = lib::parse_number(m[3], 1, 65535);
    if (!port)
        return false;
    c.tls = m[1] == "ssl";
    c.host = m[2];
    if (c.host.front() == '[')
        c.host = c.host.substr(1, c.host.size() - 2);
    c.port = static_cast<int>(*port);
    return true;
}

std::optional<MqttLink::config> MqttLink::configure(const std::string& broker_url,
                                                    const sparkplug::mqtt_settings& settings, std::string client_id,
                                                    std::string& error) {
    config c;
    if (!parse_broker(broker_url, c)) {
        error = "the broker " + broker_url + " is not tcp://HOST:PORT or ssl://HOST:PORT";
        return std::nullopt;
    }
    c.client_id = std::move(client_id);
    c.ca_file = settings.ca_file;
    c.username = settings.username;
    if (!settings.password_file.empty()) {
        const auto password = sparkplug::read_password_file(settings.password_file, error);
        if (!password)
            return std::nullopt;
        c.password = *password;
    }
    return c;
}

MqttLink::MqttLink(config c, QObject* parent) : QObject(parent), config_(std::move(c)) {
    static library_init init;
    misc_.setInterval(100);
    connect(&misc_, &QTimer::timeout, this, &MqttLink::pump);
    deadline_.setSingleShot(true);
    deadline_.setInterval(20000);
    connect(&deadline_, &QTimer::timeout, this, [this] { lose("no answer from the broker within 20 s"); });
}

MqttLink::~MqttLink() {
    // A connect call still running keeps its own reference to the library object; it is abandoned.
    alive_.reset();
    read_.reset();
    write_.reset();
}

void MqttLink::open(const std::string& will_topic, const std::string& will_payload, bool will_retained) {
    if (state_ != state::idle)
        return;
    mosquitto* m = mosquitto_new(config_.client_id.c_str(), true, this);
    if (!m) {
        lose("the MQTT client cannot be made");
        return;
    }
    mosq_ = std::shared_ptr<mosquitto>(m, mosquitto_destroy);
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, mqtt5_ ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
    alias_room_ = 0;
    aliases_.clear();
    mosquitto_connect_v5_callback_set(m, connect_cb);
    mosquitto_disconnect_callback_set(m, disconnect_cb);
    mosquitto_publish_v5_callback_set(m, publish_cb);
    mosquitto_message_callback_set(m, message_cb);
    mosquitto_log_callback_set(m, log_cb);
    if (!config_.username.empty())
        mosquitto_username_pw_set(m, config_.username.c_str(), config_.password.c_str());
    if (config_.tls) {
        const char* ca = config_.ca_file.empty() ? nullptr : config_.ca_file.c_str();
        int rc = mosquitto_tls_set(m, ca, ca ? nullptr : "/etc/ssl/certs", nullptr, nullptr, nullptr);
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_tls_opts_set(m, 1 /* verify the peer */, nullptr, nullptr);
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_tls_insecure_set(m, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            lose("TLS cannot be set up with ca_file " + config_.ca_file + ": " + reason_of(rc));
            return;
        }
    }
    if (!will_topic.empty())
        mosquitto_will_set(m, will_topic.c_str(), static_cast<int>(will_payload.size()), will_payload.data(), 1,
                           will_retained);
    state_ = state::resolving;
    last_error_.clear();
    deadline_.start();
    std::weak_ptr<int> alive = alive_;
    auto owned = mosq_;
    std::thread([owned, alive, host = config_.host, port = config_.port, keepalive = config_.keepalive_s, this] {
        std::string logged;
        connect_call_error = &logged;
        const int rc = mosquitto_connect_async(owned.get(), host.c_str(), port, keepalive);
        connect_call_error = nullptr;
        const std::string code = reason_of(rc); // errno belongs to this thread
        const std::string why = logged.empty() ? code : logged;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [alive, owned, rc, why, this] {
            if (!alive.expired() && mosq_ == owned)
                attempt_done(rc, why);
        });
    }).detach();
}

void MqttLink::attempt_done(int rc, const std::string& why) {
    if (state_ != state::resolving)
        return;
    if (rc != MOSQ_ERR_SUCCESS) {
        lose("cannot connect to " + config_.host + ":" + std::to_string(config_.port) + ": " + why);
        return;
    }
    state_ = state::handshaking;
    watch_socket();
    misc_.start();
    pump();
}

void MqttLink::watch_socket() {
    const int fd = mosquitto_socket(mosq_.get());
    if (fd < 0)
        return;
    read_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    write_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(read_.get(), &QSocketNotifier::activated, this, &MqttLink::pump);
    connect(write_.get(), &QSocketNotifier::activated, this, &MqttLink::pump);
    update_write_interest();
}

void MqttLink::update_write_interest() {
    if (write_)
        write_->setEnabled(mosq_ && (mosquitto_want_write(mosq_.get()) || state_ == state::handshaking));
}

void MqttLink::pump() {
    if (!mosq_ || (state_ != state::handshaking && state_ != state::connected))
        return;
    auto keep = mosq_; // a callback may drop the connection
    int rc = MOSQ_ERR_SUCCESS;
    if (config_.tls) {
        rc = mosquitto_loop(keep.get(), 0, 1);
    } else {
        // The library's loop selects, so it refuses a descriptor beyond FD_SETSIZE, which a process with hundreds
        // of connections reaches; without TLS its read, write and housekeeping steps do the same unbounded.
        rc = mosquitto_loop_read(keep.get(), 1);
        if (rc == MOSQ_ERR_SUCCESS && mosq_ == keep && mosquitto_want_write(keep.get()))
            rc = mosquitto_loop_write(keep.get(), 1);
        if (rc == MOSQ_ERR_SUCCESS && mosq_ == keep)
            rc = mosquitto_loop_misc(keep.get());
    }
    if (rc != MOSQ_ERR_SUCCESS && mosq_ == keep && state_ != state::idle) {
        lose(last_error_.empty() ? reason_of(rc) : last_error_);
        return;
    }
    update_write_interest();
}

void MqttLink::lose(const std::string& why, bool disconnect) {
    const bool was = state_ != state::idle;
    state_ = state::idle;
    misc_.stop();
    deadline_.stop();
    // Deleted later (this may run inside their own signal), but off at once: the socket closes below.
    for (auto* notifier : {&read_, &write_})
        if (*notifier) {
            (*notifier)->setEnabled(false);
            notifier->release()->deleteLater();
        }
    if (disconnect && mosq_ && mosquitto_socket(mosq_.get()) >= 0)
        mosquitto_disconnect(mosq_.get());
    mosq_.reset();
    if (was && on_lost)
        on_lost(why);
}

int MqttLink::publish(const std::string& topic, const std::string& payload, int qos, bool retained) {
    if (state_ != state::connected)
        return -1;
    int mid = 0;
    const auto known = aliases_.find(topic);
    const bool aliased = known != aliases_.end() || aliases_.size() < alias_room_;
    const int alias = known != aliases_.end() ? known->second : static_cast<int>(aliases_.size()) + 1;
    mosquitto_property* properties = nullptr;
    if (aliased)
        mosquitto_property_add_int16(&properties, MQTT_PROP_TOPIC_ALIAS, static_cast<std::uint16_t>(alias));
    // A topic already aliased goes as its number alone.
    const int rc = mosquitto_publish_v5(mosq_.get(), &mid, known != aliases_.end() ? nullptr : topic.c_str(),
                                        static_cast<int>(payload.size()), payload.data(), qos, retained, properties);
    mosquitto_property_free_all(&properties);
    if (rc != MOSQ_ERR_SUCCESS)
        return -1;
    if (aliased)
        aliases_.emplace(topic, alias);
    update_write_interest();
    return mid;
}

void MqttLink::subscribe(const std::string& topic, int qos) {
    if (state_ == state::connected)
        mosquitto_subscribe(mosq_.get(), nullptr, topic.c_str(), qos);
    update_write_interest();
}

void MqttLink::close_cleanly(int bound_ms) {
    if (state_ != state::connected)
        return;
    auto keep = mosq_;
    mosquitto_disconnect(keep.get());
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound_ms);
    while (mosquitto_socket(keep.get()) >= 0 && std::chrono::steady_clock::now() < until)
        if (mosquitto_loop(keep.get(), 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    state_ = state::idle;
    read_.reset();
    write_.reset();
    mosq_.reset();
}

void MqttLink::drop() {
    // No DISCONNECT: the socket just closes, as when a link fails, so the broker publishes the will.
    lose("closed", false);
}

void MqttLink::connect_cb(mosquitto*, void* self_ptr, int rc, int, const mosquitto_property* properties) {
    auto* self = static_cast<MqttLink*>(self_ptr);
    if (rc != 0) {
        if (self->mqtt5_ && (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION)) {
            self->mqtt5_ = false;
            self->last_error_ = "the broker does not speak MQTT 5; the next attempt speaks MQTT 3.1.1";
        } else {
            self->last_error_ = std::string("the broker refused the connection: ") +
                                (self->mqtt5_ ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc));
        }
        return; // the library closes the socket; the loop's error reports it
    }
    std::uint16_t room = 0; // none unless the broker says how many
    if (properties)
        mosquitto_property_read_int16(properties, MQTT_PROP_TOPIC_ALIAS_MAXIMUM, &room, false);
    self->alias_room_ = room;
    self->state_ = state::connected;
    self->deadline_.stop();
    if (self->on_connected)
        self->on_connected();
}

void MqttLink::disconnect_cb(mosquitto*, void* self_ptr, int rc) {
    auto* self = static_cast<MqttLink*>(self_ptr);
    if (self->state_ == state::idle)
        return;
    self->lose_later(self->last_error_.empty() ? "connection lost (" + reason_of(rc) + ")" : self->last_error_);
}

// Not from inside the library's callback, whose loop must not run again beneath itself.
void MqttLink::lose_later(const std::string& why) {
    QMetaObject::invokeMethod(
        this,
        [this, why, keep = mosq_] {
            if (mosq_ == keep && state_ != state::idle)
                lose(why);
        },
        Qt::QueuedConnection);
}

void MqttLink::publish_cb(mosquitto*, void* self_ptr, int mid, int reason, const mosquitto_property*) {
    auto* self = static_cast<MqttLink*>(self_ptr);
    // 0x80 and above: the broker took the message and refused it; what it covered was not kept.
    if (reason >= 0x80) {
        self->lose_later(std::string("the broker refused a message: ") + mosquitto_reason_string(reason));
        return;
    }
    if (self->on_acknowledged)
        self->on_acknowledged(mid);
}

void MqttLink::message_cb(mosquitto*, void* self_ptr, const mosquitto_message* message) {
    auto* self = static_cast<MqttLink*>(self_ptr);
    if (self->on_message)
        self->on_message(message->topic, std::string(static_cast<const char*>(message->payload),
                                                     static_cast<std::size_t>(message->payloadlen)));
}

void MqttLink::log_cb(mosquitto*, void* self_ptr, int level, const char* text) {
    // Only errors: the library's debug lines would repeat every packet. The password is never in them.
    if (!(level & MOSQ_LOG_ERR))
        return;
    if (connect_call_error) {
        *connect_call_error = text; // the connect call's thread: its result carries it
        return;
    }
    auto* self = static_cast<MqttLink*>(self_ptr);
    self->last_error_ = text;
    if (self->on_log)
        self->on_log(text);
}
