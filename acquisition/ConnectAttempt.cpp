#include "acquisition/ConnectAttempt.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The address in the form connect() takes; false for an address of neither family.
bool to_native(const QHostAddress& address, quint16 port, sockaddr_storage& native, socklen_t& size) {
    native = {};
    bool is_v4 = false;
    const quint32 v4 = address.toIPv4Address(&is_v4);
    if (is_v4 && address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&native);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(v4);
        size = sizeof *in;
        return true;
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&native);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
    // A link-local address names its interface, by number or by name.
    bool numbered = false;
    in6->sin6_scope_id = address.scopeId().toUInt(&numbered);
    if (!numbered && !address.scopeId().isEmpty())
        in6->sin6_scope_id = ::if_nametoindex(address.scopeId().toLocal8Bit().constData());
    size = sizeof *in6;
    return true;
}

} // namespace

ConnectAttempt::~ConnectAttempt() {
    abort();
}

void ConnectAttempt::abort() {
    ++generation;
    notifier.reset();
    done = nullptr;
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

void ConnectAttempt::start(const QHostAddress& address, quint16 port, Done on_done) {
    abort();
    done = std::move(on_done);
    sockaddr_storage native;
    socklen_t size = 0;
    int error = EAFNOSUPPORT;
    if (to_native(address, port, native, size)) {
        descriptor = ::socket(native.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        error = descriptor < 0 ? errno : 0;
    }
    if (descriptor >= 0 && ::connect(descriptor, reinterpret_cast<sockaddr*>(&native), size) != 0)
        error = errno;
    if (error == EINPROGRESS) {
        notifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Write);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
            int so_error = 0;
            socklen_t length = sizeof so_error;
            if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &so_error, &length) != 0)
                so_error = errno;
            finish(so_error);
        });
        return;
    }
    // Decided at once (a local refusal, no socket to be had): still reported later, as every outcome is.
    QMetaObject::invokeMethod(
        this,
        [this, error, attempt = generation] {
            if (generation == attempt && done)
                finish(error);
        },
        Qt::QueuedConnection);
}

void ConnectAttempt::finish(int error) {
    // Runs inside the notifier's signal: it goes once that is over, and stays silent until then.
    if (notifier) {
        notifier->setEnabled(false);
        notifier.release()->deleteLater();
    }
    int connected = -1;
    if (error == 0)
        connected = descriptor;
    else if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
    const Done report = std::move(done);
    done = nullptr;
    if (report)
        report(connected, error);
}

std::string ConnectAttempt::failure_text(int error) {
    switch (error) {
    case ECONNREFUSED:
        return "в подключении отказано";
    case ETIMEDOUT:
        return "нет ответа";
    case ECONNRESET:
        return "соединение сброшено";
    case ENETUNREACH:
        return "сеть недоступна";
    case EHOSTUNREACH:
        return "узел недоступен";
    default:
        return std::strerror(error);
    }
}
