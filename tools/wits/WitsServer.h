#pragma once
// The WITS feed's TCP side: any number of clients (up to a limit) connect and leave when they like; each
// frame is written to every one of them. Level 0 is one-way, so what a client sends is read and thrown
// away, never more than a small buffer at a time, and a client that ends its input (a logger started with
// its input closed) still gets every frame: only a failed write or a reset tells that it left. A client that
// stops reading is dropped once more than `queue_limit` bytes wait for it, counting both the bridge's buffer
// and the system's send queue of its connection, so it never holds memory without bound and never delays the
// others.

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class WitsServer : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 default_queue_limit = 16 * 1024; // about 150 frames, two and a half minutes
    static constexpr int default_max_clients = 500;

    WitsServer(qint64 queue_limit, int max_clients, QObject* parent = nullptr);
    ~WitsServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    QString error() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }
    // Where it listens, as a person reads it: a bracketed IPv6 address, and for "every address" whether that
    // includes IPv6 (it does not where the system has no IPv6).
    std::string listening_on() const;

    // Writes the frame to every client, dropping those whose queue would pass the limit.
    void send(const QByteArray& frame);

    int clients() const { return static_cast<int>(clients_.size()); }
    long dropped() const { return dropped_; }
    long refused() const { return refused_; }

    // Log lines: clients coming, going, dropped or refused.
    std::function<void(const std::string&)> on_log;

private:
    struct Client;
    // Hands each accepted connection over as a plain descriptor: a Qt socket takes the end of the client's
    // input for the end of the connection and closes it.
    class Listener : public QTcpServer {
    public:
        std::function<void(qintptr)> on_connection;

    protected:
        void incomingConnection(qintptr descriptor) override { on_connection(descriptor); }
    };

    void accept(qintptr descriptor);
    void drain_input(Client* client);
    void flush(Client* client);
    static qint64 queued_bytes(const Client& client);
    void forget(Client* client, const char* why);
    void log(const std::string& line);

    Listener server_;
    qint64 queue_limit_;
    int max_clients_;
    std::vector<std::unique_ptr<Client>> clients_;
    long dropped_ = 0;
    long refused_ = 0;
};
