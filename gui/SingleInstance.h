#pragma once
// One running module per user. The first start holds a lock file and listens on a local socket, both in the
// user's runtime directory; a later start finds the lock held, asks the running module over the socket to bring
// its window to the front, and ends without ever connecting to the station.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

// The name the depth module runs under; the values monitor looks for the module's lock by it.
inline constexpr char module_instance_name[] = "Borevane";

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `dir` holds the lock and the socket; by default the user's runtime directory.
    explicit SingleInstance(const QString& name, const QString& dir = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the instance that runs: the lock was free, or could not be had at all (a start is never refused
    // for want of a lock file).
    bool is_primary() const { return primary; }

    // For a later start: asks the running instance to show its window. True once it answered that it did;
    // false when it did not answer within the time (it may still be starting, so connecting is retried).
    bool ask_primary_to_show(int timeout_ms = 5000);

    // The process that holds the lock of `name` in `dir` (by default the user's runtime directory), when it
    // runs on this computer; nothing when no instance runs. Looks only: reads the lock file and asks the
    // system about its process, takes nothing and talks to nobody.
    static std::optional<qint64> running_holder(const QString& name, const QString& dir = {});

    // For the running instance: called on the GUI thread for each request to show the window.
    void set_show_handler(std::function<void()> handler) { show_handler = std::move(handler); }

private:
    void on_new_connection();
    static QString place_of(const QString& dir);
    static QString lock_path(const QString& name, const QString& dir);

    QString socket_name;
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
    bool primary = false;
    std::function<void()> show_handler;
};
