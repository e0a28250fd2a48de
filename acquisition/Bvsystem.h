#pragma once
// The acquisition controller: owns the connection to the station's recording program, keeps
// it alive through errors with a pause-and-retry cycle, paces the requests, hands every
// answer to the decoder and the output file, and announces every change of its state.
// Everything runs on the GUI thread.

#include "acquisition/ConnectAttempt.h"
#include "acquisition/HostLookup.h"
#include "acquisition/core/Options.h"
#include "acquisition/core/value_map.h"
#include "library/lock_object.h"

#include <QObject>
#include <QTcpSocket>
#include <boost/signals2/signal.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QTimer;
class RequestThread;
struct BVSystemConfig;

enum class Status : std::uint8_t {
    Idle = 0,
    Connecting = 1,
    ConnectFailed = 2,
    ExchangeFailed = 3,
    Working = 4,
    Disconnecting = 5,
    Disconnected = 6,
    Paused = 7,
    RegistryFailed = 8,
};

class BVSystem : public QObject {
public:
    static constexpr quint16 station_port = 8001;
    static constexpr int tick_period_ms = 1000;
    static constexpr int pause_length_ticks = 5;
    // An answer still incomplete this many ticks after its request counts as an exchange error, and the
    // connection is closed so that nothing of it arrives later as if it were live.
    static constexpr int answer_timeout_ticks = 10;
    // An attempt (look-up and connect) not connected after this many ticks counts as a connect error.
    static constexpr int connect_timeout_ticks = 10;
    // A name's addresses are tried in turn, each with its share of the ticks the attempt has left (at least
    // this many), so an address that drops SYNs cannot use up the attempt before a later one that answers.
    static constexpr int min_address_share_ticks = 2;

    BVSystem();                               // the product's configuration
    explicit BVSystem(BVSystemConfig config); // what tests and tools replace
    ~BVSystem() override;

    // The process-wide controller: the one constructed last, while it lives. Destroying it clears the
    // accessor even when an older controller is still alive (only tests ever have two).
    static BVSystem* instance();

    void start(); // load the settings, publish the data directory as the install location
    bool started() const { return started_; }
    void connect(); // a new connection attempt unless one is under way or up
    // Runs the event loop until the attempt's look-up has answered, and so its first address is being tried, or
    // until `max_ms` passed: at start-up the first connection then goes out before the window is built.
    void await_lookup(int max_ms);
    void stop();         // close a working connection and end the request thread
    void save_options(); // throws lib::ini_error when the file cannot be written

    // One timer tick: the pause countdown and the time limits of an attempt and of an answer.
    void on_timer();

    Options& options() { return *options_; }
    Status get_status() const { return status; }
    const std::string& get_exe_dir() const { return exe_dir; }
    // Where Borevane.ini and Borevane.bin are kept, and what the install location names (see data_dir.h).
    const std::string& get_data_dir() const { return data_dir; }
    const std::string& get_ini_path() const { return ini_path; }
    const std::string& get_bin_path() const { return bin_path; }

private:
    void set_status(Status s);
    void reconnect();
    void disconnect();
    void on_host_found(const QString& host, const std::vector<QHostAddress>& addresses, const std::string& failure);
    void connect_next_address();
    void on_address_done(int descriptor, int error);
    void note_address_failure(const std::string& how);
    void close_failed_exchange();
    void abort_attempt();
    void drop_connection(); // the look-up, the attempt or the connection, whichever there is
    void end_request_thread();

    void on_socket_connect(); // the attempt's descriptor is the station socket's now
    void on_socket_error(QAbstractSocket::SocketError error);
    void on_socket_disconnect();
    void on_socket_read();

    void request_values();
    void write_output_file(const ValueMap& values);
    bool publish_install_dir();

    // Declaration order is the order of construction; destruction runs backwards.
    Status status = Status::Idle;
    std::string exe_dir;
    std::string data_dir;
    std::string ini_path;
    std::string bin_path;
    std::unique_ptr<Options> options_;
    std::unique_ptr<QTcpSocket> socket;
    HostLookup lookup;
    std::vector<QHostAddress> untried_addresses; // of the current attempt, tried in turn
    ConnectAttempt address_attempt;
    QHostAddress attempted_address;
    QHostAddress last_answered; // tried first while the name still gives it: later cycles skip a dead address
    std::unique_ptr<RequestThread> request_thread;
    std::unique_ptr<QTimer> timer;
    bool may_request = true;
    std::vector<char> receive_buffer;
    std::int32_t pause_ticks = 0;
    std::int32_t answer_wait_ticks = 0;
    std::int32_t connect_wait_ticks = 0;
    std::int32_t address_wait_ticks = 0;
    std::int32_t address_share_ticks = 0;
    lib::lock_object file_lock;
    quint16 port;
    bool started_ = false;
    QEventLoop* lookup_waiter = nullptr; // of await_lookup, while it waits

public:
    boost::signals2::signal<void(Status)> status_changed;
    // Lines for the log beside the statuses (UTF-8): which address of the station failed, and how.
    boost::signals2::signal<void(const std::string&)> noted;
};

// What the controller is set up with; the defaults are the product's.
struct BVSystemConfig {
    quint16 port = BVSystem::station_port;
    // 0 leaves the timer stopped: tests then drive `on_timer` themselves.
    int tick_ms = BVSystem::tick_period_ms;
    // Where Borevane.ini and Borevane.bin go, with its trailing separator; empty: chosen beside the executable
    // or in the user's directory (data_dir.h).
    std::string data_dir;
    // Replaces the station socket (tests use it to raise socket errors that loopback cannot produce).
    std::unique_ptr<QTcpSocket> link;
};
