#include "tools/wits/WitsServer.h"

#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

namespace {

constexpr std::size_t input_buffer = 4096; // what a client's unwanted input may occupy at once
constexpr int input_reads_per_turn = 16;   // so that a flooding client cannot hold up the event loop

std::string address_text(const QHostAddress& address, quint16 port) {
    const std::string host = address.toString().toStdString();
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// The peer of an accepted connection; a client that reset before it was accepted has none any more.
std::string peer_name(int fd) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0)
        return "(gone before its address could be read)";
    QHostAddress address(reinterpret_cast<sockaddr*>(&peer));
    // An IPv4 client of a listener on every address arrives as a mapped IPv6 address.
    bool is_v4 = false;
    const quint32 v4 = address.toIPv4Address(&is_v4);
    if (is_v4)
        address = QHostAddress(v4);
    const quint16 port = peer.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port)
                                                    : ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port);
    return address_text(address, port);
}

} // namespace

struct WitsServer::Client {
    int fd = -1;
    std::string name;
    QByteArray pending; // what the system's send queue did not take yet
    std::unique_ptr<QSocketNotifier> input, output;
};

WitsServer::WitsServer(qint64 queue_limit, int max_clients, QObject* parent)
    : QObject(parent), queue_limit_(queue_limit), max_clients_(max_clients) {
    server_.on_connection = [this](qintptr descriptor) { accept(descriptor); };
}

WitsServer::~WitsServer() {
    for (const auto& client : clients_)
        ::close(client->fd);
}

bool WitsServer::listen(const QHostAddress& address, quint16 port) {
    // Room for every client coming back at once, after a network outage say.
    server_.setListenBacklogSize(std::min(max_clients_, 1024));
    return server_.listen(address, port);
}

std::string WitsServer::listening_on() const {
    const QHostAddress address = server_.serverAddress();
    const std::string port = std::to_string(server_.serverPort());
    if (address == QHostAddress(QHostAddress::Any))
        return "*:" + port + " (every IPv4 and IPv6 address)";
    if (address == QHostAddress(QHostAddress::AnyIPv4))
        return "0.0.0.0:" + port + " (every IPv4 address)";
    if (address == QHostAddress(QHostAddress::AnyIPv6))
        return "[::]:" + port + " (every IPv6 address)";
    return address_text(address, server_.serverPort());
}

qint64 WitsServer::queued_bytes(const Client& client) {
    qint64 queued = client.pending.size();
#ifdef __linux__
    int in_system = 0;
    if (::ioctl(client.fd, SIOCOUTQ, &in_system) == 0)
        queued += in_system;
#endif
    return queued;
}

void WitsServer::send(const QByteArray& frame) {
    // A copy: dropping a client edits the list.
    std::vector<Client*> clients;
    for (const auto& client : clients_)
        clients.push_back(client.get());
    for (Client* client : clients) {
        if (queued_bytes(*client) + frame.size() > queue_limit_) {
            ++dropped_;
            forget(client, "dropped: it stopped reading");
            continue;
        }
        client->pending += frame;
        flush(client);
    }
}

void WitsServer::flush(Client* client) {
    while (!client->pending.isEmpty()) {
        const ssize_t n = ::send(client->fd, client->pending.constData(),
                                 static_cast<std::size_t>(client->pending.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            client->output->setEnabled(true);
            return;
        }
        if (n < 0) {
            // A client that closed its whole connection answers the next frame with a reset.
            forget(client, errno == EPIPE || errno == ECONNRESET ? "left" : "lost");
            return;
        }
        client->pending.remove(0, n);
    }
    client->output->setEnabled(false);
}

void WitsServer::accept(qintptr descriptor) {
    const int fd = static_cast<int>(descriptor);
    const std::string name = peer_name(fd);
    if (clients() >= max_clients_) {
        ++refused_;
        log("client " + name + " refused: " + std::to_string(max_clients_) + " clients already");
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto client = std::make_unique<Client>();
    Client* c = client.get();
    c->fd = fd;
    c->name = name;
    c->input = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    c->output = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    c->output->setEnabled(false);
    connect(c->input.get(), &QSocketNotifier::activated, this, [this, c] { drain_input(c); });
    connect(c->output.get(), &QSocketNotifier::activated, this, [this, c] { flush(c); });
    clients_.push_back(std::move(client));
    log("client " + name + " connected, " + std::to_string(clients()) + " in all");
}

void WitsServer::drain_input(Client* client) {
    char scratch[input_buffer];
    for (int turn = 0; turn < input_reads_per_turn; ++turn) {
        const ssize_t n = ::recv(client->fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n == 0) {
            // The end of its input, not of the connection: a one-way client may send nothing at all.
            client->input->setEnabled(false);
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            forget(client, errno == ECONNRESET ? "left" : "lost");
        return;
    }
}

void WitsServer::forget(Client* client, const char* why) {
    const auto at =
        std::find_if(clients_.begin(), clients_.end(), [client](const auto& c) { return c.get() == client; });
    if (at == clients_.end())
        return;
    std::unique_ptr<Client> gone = std::move(*at);
    clients_.erase(at);
    log("client " + gone->name + " " + why + ", " + std::to_string(clients()) + " left");
    // This may run inside one of the notifiers' signals: they go once that is over, silent until then.
    for (auto* notifier : {gone->input.release(), gone->output.release()}) {
        notifier->setEnabled(false);
        notifier->disconnect(this);
        notifier->deleteLater();
    }
    ::close(gone->fd);
}

void WitsServer::log(const std::string& line) {
    if (on_log)
        on_log(line);
}
