#include "app/GracefulExit.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Written by the signal handler, read on the GUI thread.
volatile std::sig_atomic_t wake_fd = -1;
// Set by a handled signal, cleared once its exit sequence has returned.
volatile std::sig_atomic_t exit_pending = 0;

extern "C" void on_exit_signal(int signo) {
    if (exit_pending) {
        // The exit asked for before has not finished: take the signal's own way out.
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        ::sigaction(signo, &dfl, nullptr);
        ::raise(signo);
        return;
    }
    exit_pending = 1;
    const int saved_errno = errno;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(wake_fd, &byte, 1);
    errno = saved_errno;
}

} // namespace

GracefulExit::GracefulExit(std::function<void()> exit_sequence_, std::function<void()> save_settings_, QObject* parent)
    : QObject(parent), exit_sequence(std::move(exit_sequence_)), save_settings(std::move(save_settings_)) {
    if (wake_fd != -1)
        throw std::logic_error("GracefulExit is already installed");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wake_fds) != 0)
        throw std::runtime_error("Unable to create the signal channel");
    wake_fd = wake_fds[0];
    exit_pending = 0;
    notifier = new QSocketNotifier(wake_fds[1], QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this, &GracefulExit::on_signal_pending);

    struct sigaction action {};
    action.sa_handler = on_exit_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handled_signals.size(); ++i) {
        ::sigaction(handled_signals[i], nullptr, &previous[i]);
        // A signal the starter chose to ignore (nohup, a background job of a script) stays ignored.
        if (previous[i].sa_handler != SIG_IGN)
            ::sigaction(handled_signals[i], &action, nullptr);
    }

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            if (save_settings)
                save_settings();
        });
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, this, &GracefulExit::run_exit_sequence);
}

GracefulExit::~GracefulExit() {
    for (std::size_t i = 0; i < handled_signals.size(); ++i)
        ::sigaction(handled_signals[i], &previous[i], nullptr);
    wake_fd = -1;
    exit_pending = 0;
    ::close(wake_fds[0]);
    ::close(wake_fds[1]);
}

void GracefulExit::on_signal_pending() {
    char bytes[16];
    while (::read(wake_fds[1], bytes, sizeof bytes) > 0) {
    }
    run_exit_sequence();
    exit_pending = 0;
}

void GracefulExit::run_exit_sequence() {
    if (exit_sequence)
        exit_sequence();
}
