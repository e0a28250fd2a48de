#pragma once
// Looks the station computer's name up on a thread of its own. The system resolver cannot be interrupted, and a
// name server that never answers holds a look-up for its whole timeout: an aborted look-up is therefore simply
// forgotten, and nobody ever waits for its thread, so neither a new attempt nor the program's exit waits for it.
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class HostLookup : public QObject {
public:
    using Done = std::function<void(const std::vector<QHostAddress>&)>;

    ~HostLookup() override;

    // Starts a look-up, forgetting any still pending. `done` runs later on this object's thread with the
    // addresses in the resolver's order (none when the name is unknown), unless the look-up is aborted first.
    // An address given as text needs no resolver.
    void start(const QString& host, Done done);
    void abort();
    bool pending() const { return static_cast<bool>(current); }

private:
    struct Ticket;
    std::shared_ptr<Ticket> current;
};
