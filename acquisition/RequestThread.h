#pragma once
// Paces the requests to the station: once per change of the wall clock's second it has the GUI thread run its
// action and waits until that has returned. Between two it sleeps until the next second begins, so it wakes
// once a second rather than polling the clock; finish() wakes it at once. It touches no controller state itself.

#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>

class RequestThread : public QThread {
public:
    // The first action comes this long after the start (a connection just made), the next ones with the seconds.
    static constexpr unsigned long nap_ms = 300;

    // `context` is an object of the GUI thread; the action runs in its thread.
    RequestThread(QObject* context, std::function<void()> action);
    ~RequestThread() override; // finishes a thread still running

    // Requests the end and waits for it, servicing calls the thread is blocked on meanwhile,
    // so a pending action runs instead of dead-locking the two threads.
    void finish();

protected:
    void run() override;

private:
    // Sleeps for `ms` or until finish(); false once the end is requested.
    bool sleep_unless_finished(long ms);

    QObject* context;
    std::function<void()> action;
    std::mutex mutex;
    std::condition_variable wake;
    bool ending = false;
};
