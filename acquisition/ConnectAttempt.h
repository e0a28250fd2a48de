#pragma once
// One non-blocking TCP connect to one address, made on a descriptor of our own and handed over once connected.
// Qt's socket, left to connect by itself, calls connect() again on a descriptor whose fresh connection the peer
// has just reset, and the kernel then sends a new SYN: a station that resets right after accepting saw a second
// connection within milliseconds, outside the pause cycle. Here every attempt is exactly one SYN, and its
// outcome is the kernel's own error code, so the log can say how an address failed.
#include <QHostAddress>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include <QSocketNotifier>

class ConnectAttempt : public QObject {
public:
    // `descriptor` is a connected socket the receiver now owns, or -1 with `error` the errno of the failure.
    using Done = std::function<void(int descriptor, int error)>;

    ~ConnectAttempt() override;

    // Starts connecting, abandoning any attempt still pending. `done` runs later on this object's thread, never
    // from within start(), unless the attempt is aborted first.
    void start(const QHostAddress& address, quint16 port, Done done);
    void abort();
    bool pending() const { return descriptor >= 0; }

    // How a connect failed, for the log (UTF-8).
    static std::string failure_text(int error);

private:
    void finish(int error);

    int descriptor = -1;
    unsigned generation = 0; // tells an outcome queued for an abandoned attempt from the current one's
    std::unique_ptr<QSocketNotifier> notifier;
    Done done;
};
