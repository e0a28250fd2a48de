#pragma once
// Paces the requests to the station: once per change of the wall clock's second, observed in
// 300 ms naps, it has the GUI thread run its action and waits until that has returned.
// It touches no controller state itself.

#include <QThread>
#include <functional>

class RequestThread : public QThread {
public:
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
    QObject* context;
    std::function<void()> action;
};
