#pragma once
// Looks the station computer's name up on a thread of its own. The system resolver cannot be interrupted, and a
// name server that never answers holds a look-up for its whole timeout: an aborted look-up is therefore simply
// forgotten, and nobody ever waits for its thread, so neither a new attempt nor the program's exit waits for it.
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class HostLookup : public QObject {
public:
    // Forgotten look-ups still hold their threads until the resolver gives up (with a silent name server, the
    // resolver's whole timeout, up to minutes). At most this many run at once in the process; a look-up started
    // beyond that asks nothing and stays pending, so its attempt ends at its time limit, as a hung one would.
    static constexpr int max_resolver_threads = 4;
    static int resolver_threads();

    // The addresses found, or none and the resolver's reason (its own words, as the system gives them).
    using Done = std::function<void(const std::vector<QHostAddress>&, const std::string& failure)>;

    ~HostLookup() override;

    // Starts a look-up, forgetting any still pending. `done` runs later on this object's thread with the
    // addresses in the resolver's order (none, and why, when the name does not resolve), unless the look-up is
    // aborted first.
    // An address given as text needs no resolver.
    void start(const QString& host, Done done);
    void abort();
    bool pending() const { return static_cast<bool>(current); }

private:
    struct Ticket;
    std::shared_ptr<Ticket> current;
};
