#pragma once
// The scripted station: a TCP listener on port 8001 of every local address whose connections are each handed
// to the case's script on a thread of their own. A connection offers the moves a misbehaving station makes:
// answer in pieces, drip, reset, close halfway, stop reading, and it notes when the program closed its side.

#include "tools/simulator/station_answer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hostile {

class connection {
public:
    connection(int fd, int index, double accepted_at);
    ~connection();
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;

    int index() const { return number; } // 1 for the program's first connection
    double accepted_at() const { return accepted; }

    // The time the next request was read; nothing when the program closed first or the deadline passed.
    std::optional<double> await_request(double deadline);
    // Sends everything; false when the connection failed or was dropped meanwhile.
    bool send(std::string_view bytes);
    // Sends `bytes` in pieces of `piece` bytes with `gap` seconds between them.
    bool send_pieces(std::string_view bytes, std::size_t piece, double gap);
    // Answers every request with `answer()` until the program closes, the deadline passes or the station stops.
    void serve(const std::function<std::string()>& answer, double deadline = 1e9);

    void reset(); // abortive close: the program gets a reset
    void close(); // orderly close: the program reads the end of the stream
    // Waits for the program to close its side; `read` false leaves everything it sent unread.
    std::optional<double> await_peer_close(double deadline, bool read = true);
    // When the program's close was seen (by any of the waits above), or a negative value.
    double peer_closed_at() const { return peer_closed.load(); }
    void drop(); // the station goes away: the program sees the end of the stream, every wait ends at once

private:
    // Reads what is there (up to `deadline`); false once the stream has ended.
    bool read_some(double deadline);

    int fd;
    int number;
    double accepted;
    tools::request_scanner scanner;
    int pending_requests = 0;
    std::atomic<double> peer_closed{-1};
    std::atomic<bool> dropped{false};
    std::mutex closing; // drop() comes from another thread than the script's close() and reset()
};

class station {
public:
    using script = std::function<void(connection&)>;
    // Listens on `ipv4` only when given (the name's other addresses then refuse), else on every address.
    explicit station(script on_connection, std::string ipv4 = "");
    ~station();

    void stop_listening(); // the station's program ends: no listener, every connection dropped
    void listen();         // and starts again
    int connections() const { return accepted.load(); }
    std::vector<double> accept_times(); // of every connection so far

private:
    void accept_loop();

    script on_connection;
    std::string ipv4;
    std::atomic<int> listen_fd{-1};
    std::atomic<bool> stopping{false};
    std::atomic<int> accepted{0};
    std::mutex mutex;
    std::vector<std::shared_ptr<connection>> open;
    std::vector<std::thread> scripts;
    std::thread acceptor;
};

} // namespace hostile
