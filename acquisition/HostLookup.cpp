#include "acquisition/HostLookup.h"

#include <QMetaObject>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>

// Shared by the controller's side and the resolver thread; whichever lets go last frees it.
struct HostLookup::Ticket {
    std::mutex mutex;
    bool cancelled = false;
};

namespace {

std::atomic<int> live_resolvers{0};

struct Resolved {
    std::vector<QHostAddress> addresses;
    std::string failure;
};

Resolved resolve(const QByteArray& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    Resolved out;
    const int error = ::getaddrinfo(host.constData(), nullptr, &hints, &found);
    if (error != 0) {
        out.failure = error == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(error);
        return out;
    }
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const QHostAddress address(a->ai_addr);
        if (!address.isNull() && std::find(out.addresses.begin(), out.addresses.end(), address) == out.addresses.end())
            out.addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    if (out.addresses.empty())
        out.failure = "no address of a usable family";
    return out;
}

} // namespace

int HostLookup::resolver_threads() {
    return live_resolvers.load();
}

HostLookup::~HostLookup() {
    abort();
}

void HostLookup::abort() {
    if (!current)
        return;
    const std::lock_guard<std::mutex> lock(current->mutex);
    current->cancelled = true;
    current.reset();
}

void HostLookup::start(const QString& host, Done done) {
    abort();
    auto ticket = std::make_shared<Ticket>();
    current = ticket;
    auto deliver = [this, ticket, done = std::move(done)](const std::vector<QHostAddress>& addresses,
                                                          const std::string& failure) {
        // Runs on this object's thread: a look-up aborted after its answer was posted still says nothing.
        if (ticket->cancelled)
            return;
        current.reset();
        done(addresses, failure);
    };
    const QHostAddress literal(host);
    if (!literal.isNull()) {
        QMetaObject::invokeMethod(
            this, [deliver, literal] { deliver({literal}, {}); }, Qt::QueuedConnection);
        return;
    }
    // Non-ASCII names go to the resolver in their ASCII-compatible form.
    QByteArray name = QUrl::toAce(host);
    if (name.isEmpty())
        name = host.toUtf8();
    if (live_resolvers.fetch_add(1) >= max_resolver_threads) {
        --live_resolvers;
        return;
    }
    std::thread([this, ticket, deliver, name] {
        const Resolved resolved = resolve(name);
        {
            // Posted only while not cancelled: abort() and the destructor take the same lock, so once they
            // have returned nothing more reaches this object.
            const std::lock_guard<std::mutex> lock(ticket->mutex);
            if (!ticket->cancelled)
                QMetaObject::invokeMethod(
                    this, [deliver, resolved] { deliver(resolved.addresses, resolved.failure); }, Qt::QueuedConnection);
        }
        --live_resolvers;
    }).detach();
}
