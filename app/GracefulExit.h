#pragma once
// Turns the ways a session ends a program into the program's own exit: SIGTERM, SIGINT and SIGHUP, and the
// event loop ending without it (the session manager's "die"), run the exit sequence on the GUI thread; the
// session manager's request to commit data saves the settings. A second signal while the first one's exit
// sequence still runs ends the program at once, as the signal would have. Signals ignored at start stay ignored.
#include <QObject>
#include <array>
#include <csignal>
#include <functional>

class QSocketNotifier;

class GracefulExit : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> handled_signals = {SIGTERM, SIGINT, SIGHUP};

    // One instance at a time; the previous dispositions come back when it is destroyed.
    GracefulExit(std::function<void()> exit_sequence, std::function<void()> save_settings, QObject* parent = nullptr);
    ~GracefulExit() override;

private:
    void on_signal_pending();
    void run_exit_sequence();

    std::function<void()> exit_sequence;
    std::function<void()> save_settings;
    int wake_fds[2] = {-1, -1};
    QSocketNotifier* notifier = nullptr;
    std::array<struct sigaction, handled_signals.size()> previous{};
};
