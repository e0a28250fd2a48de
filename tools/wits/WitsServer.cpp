#include "tools/wits/WitsServer.h"

#include <QTcpSocket>

#include <algorithm>

#ifdef __linux__
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

namespace {

constexpr qint64 input_buffer = 4096; // what a client's unwanted input may occupy at once

std::string peer_name(QTcpSocket* socket) {
    return socket->peerAddress().toString().toStdString() + ":" + std::to_string(socket->peerPort());
}

} // namespace

WitsServer::WitsServer(qint64 queue_limit, int max_clients, QObject* parent)
    : QObject(parent), queue_limit_(queue_limit), max_clients_(max_clients) {
    connect(&server_, &QTcpServer::newConnection, this, &WitsServer::accept_pending);
}

WitsServer::~WitsServer() {
    for (QTcpSocket* socket : clients_) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

bool WitsServer::listen(const QHostAddress& address, quint16 port) {
    // Room for every client coming back at once, after a network outage say.
    server_.setListenBacklogSize(std::min(max_clients_, 1024));
    return server_.listen(address, port);
}

qint64 WitsServer::queued_bytes(QTcpSocket* socket) {
    qint64 queued = socket->bytesToWrite();
#ifdef __linux__
    int in_system = 0;
    if (::ioctl(static_cast<int>(socket->socketDescriptor()), SIOCOUTQ, &in_system) == 0)
        queued += in_system;
#endif
    return queued;
}

void WitsServer::send(const QByteArray& frame) {
    // A copy: dropping a client edits the list.
    const auto clients = clients_;
    for (QTcpSocket* socket : clients) {
        if (queued_bytes(socket) + frame.size() > queue_limit_) {
            ++dropped_;
            forget(socket, "dropped: it stopped reading");
            continue;
        }
        socket->write(frame);
    }
}

void WitsServer::accept_pending() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clients() >= max_clients_) {
            ++refused_;
            log("client " + peer_name(socket) + " refused: " + std::to_string(max_clients_) + " clients already");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(input_buffer);
        // The peer's address is gone once the connection is; keep it for the log.
        socket->setObjectName(QString::fromStdString(peer_name(socket)));
        clients_.push_back(socket);
        log("client " + peer_name(socket) + " connected, " + std::to_string(clients()) + " in all");
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            char scratch[input_buffer];
            while (socket->read(scratch, sizeof scratch) > 0) {
            }
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket, "left"); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::RemoteHostClosedError)
                forget(socket, "lost");
        });
    }
}

void WitsServer::forget(QTcpSocket* socket, const char* why) {
    const auto at = std::find(clients_.begin(), clients_.end(), socket);
    if (at == clients_.end())
        return;
    clients_.erase(at);
    log("client " + socket->objectName().toStdString() + " " + why + ", " + std::to_string(clients()) + " left");
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void WitsServer::log(const std::string& line) {
    if (on_log)
        on_log(line);
}
