#include "tests/e2e/hostile/station.h"

#include "tests/e2e/hostile/case_clock.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace hostile {
namespace {

constexpr std::uint16_t station_port = 8001;
constexpr double slice = 0.02; // the longest a wait goes without looking at the drop flag

int poll_ms(double deadline) {
    const double left = std::min(deadline - elapsed(), slice);
    return left <= 0 ? 0 : static_cast<int>(left * 1000) + 1;
}

} // namespace

connection::connection(int fd, int index, double accepted_at) : fd(fd), number(index), accepted(accepted_at) {
    const int one = 1;
    // Pieces go out as the script cuts them, not merged by the kernel.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

connection::~connection() {
    if (fd >= 0)
        ::close(fd);
}

bool connection::read_some(double deadline) {
    while (!dropped && fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, poll_ms(deadline));
        if (ready > 0) {
            char bytes[65536];
            const ssize_t got = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
            if (got > 0) {
                pending_requests += scanner.feed(bytes, static_cast<std::size_t>(got)).requests;
                return true;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (peer_closed < 0)
                peer_closed = elapsed();
            return false;
        }
        if (elapsed() >= deadline)
            return true;
    }
    return false;
}

std::optional<double> connection::await_request(double deadline) {
    while (pending_requests == 0) {
        if (!read_some(deadline) || (pending_requests == 0 && elapsed() >= deadline))
            return std::nullopt;
    }
    --pending_requests;
    return elapsed();
}

bool connection::send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (dropped || fd < 0)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(slice * 1000)) <= 0)
            continue;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (peer_closed < 0)
                peer_closed = elapsed();
            return false;
        }
    }
    return true;
}

bool connection::send_pieces(std::string_view bytes, std::size_t piece, double gap) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        if (at > 0) {
            const double until = elapsed() + gap;
            // Keeps reading meanwhile, so a close by the program is seen when it happens.
            while (elapsed() < until)
                if (!read_some(until))
                    return false;
        }
        if (!send(bytes.substr(at, piece)))
            return false;
    }
    return true;
}

void connection::serve(const std::function<std::string()>& answer, double deadline) {
    while (const auto request = await_request(deadline))
        if (!send(answer()))
            return;
}

void connection::reset() {
    std::lock_guard lock(closing);
    const linger abortive{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(fd);
    fd = -1;
}

void connection::close() {
    std::lock_guard lock(closing);
    // Unread bytes would turn the close into a reset: take them first.
    char bytes[65536];
    while (::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
    fd = -1;
}

std::optional<double> connection::await_peer_close(double deadline, bool read) {
    while (!dropped && fd >= 0 && peer_closed < 0) {
        if (read) {
            if (!read_some(deadline))
                break;
        } else {
            pollfd p{fd, POLLRDHUP, 0};
            if (::poll(&p, 1, poll_ms(deadline)) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)))
                peer_closed = elapsed();
        }
        if (elapsed() >= deadline)
            break;
    }
    if (peer_closed < 0)
        return std::nullopt;
    return peer_closed.load();
}

void connection::drop() {
    std::lock_guard lock(closing);
    dropped = true;
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}

station::station(script on_connection, std::string ipv4)
    : on_connection(std::move(on_connection)), ipv4(std::move(ipv4)) {
    listen();
    acceptor = std::thread([this] { accept_loop(); });
}

station::~station() {
    stopping = true;
    acceptor.join();
    stop_listening();
    for (auto& t : scripts)
        t.join();
}

void station::listen() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(station_port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!ipv4.empty())
        ::inet_pton(AF_INET, ipv4.c_str(), &address.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        throw std::runtime_error("the station cannot listen on port 8001: " + why);
    }
    listen_fd = fd;
}

void station::stop_listening() {
    const int fd = listen_fd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    std::lock_guard lock(mutex);
    for (auto& c : open)
        c->drop();
}

std::vector<double> station::accept_times() {
    std::lock_guard lock(mutex);
    std::vector<double> times;
    for (const auto& c : open)
        times.push_back(c->accepted_at());
    return times;
}

void station::accept_loop() {
    while (!stopping) {
        const int fd = listen_fd;
        if (fd < 0) {
            sleep_for(slice);
            continue;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(slice * 1000)) <= 0)
            continue;
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        auto c = std::make_shared<connection>(client, ++accepted, elapsed());
        std::lock_guard lock(mutex);
        open.push_back(c);
        scripts.emplace_back([this, c] { on_connection(*c); });
    }
}

} // namespace hostile
