#include "acquisition/Bvsystem.h"

#include "acquisition/RequestThread.h"
#include "acquisition/core/answer_decoder.h"
#include "acquisition/core/data_dir.h"
#include "acquisition/core/install_dir.h"
#include "acquisition/core/output_file.h"
#include "library/cp1251.h"
#include "os/exe_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {
BVSystem* current_system = nullptr;
}

BVSystem::BVSystem() : BVSystem(BVSystemConfig{}) {}

BVSystem::BVSystem(BVSystemConfig config)
    : options_(std::make_unique<Options>()),
      socket(config.link ? std::move(config.link) : std::make_unique<QTcpSocket>()), timer(std::make_unique<QTimer>()),
      file_lock(output_file_name), port(config.port) {
    exe_dir = os::executable_dir();
    data_dir = config.data_dir.empty() ? choose_data_dir(exe_dir) : config.data_dir;
    ini_path = data_dir + "Borevane.ini";
    bin_path = data_dir + output_file_name;

    QObject::connect(socket.get(), &QAbstractSocket::errorOccurred, this,
                     [this](QAbstractSocket::SocketError e) { on_socket_error(e); });
    QObject::connect(socket.get(), &QAbstractSocket::disconnected, this, [this] { on_socket_disconnect(); });
    QObject::connect(socket.get(), &QIODevice::readyRead, this, [this] { on_socket_read(); });

    QObject::connect(timer.get(), &QTimer::timeout, this, [this] { on_timer(); });
    if (config.tick_ms > 0) {
        timer->setInterval(config.tick_ms);
        timer->start();
    }
    current_system = this;
}

BVSystem::~BVSystem() {
    if (current_system == this)
        current_system = nullptr;
    // Nobody hears about the shutdown, no socket event or tick reaches a half-destroyed object while the
    // thread ends, and the thread must not outlive the object it calls.
    status_changed.disconnect_all_slots();
    noted.disconnect_all_slots();
    socket->disconnect(this);
    timer->stop();
    end_request_thread();
    lookup.abort();
    socket->abort();
}

BVSystem* BVSystem::instance() {
    return current_system;
}

void BVSystem::start() {
    started_ = true;
    options_->load(ini_path);
    if (!publish_install_dir())
        set_status(Status::RegistryFailed);
}

void BVSystem::connect() {
    if (status == Status::Connecting || status == Status::Working || status == Status::Disconnecting)
        return;
    reconnect();
}

void BVSystem::stop() {
    disconnect();
    end_request_thread();
    // A look-up or an attempt still pending must not keep the program waiting at exit.
    if (status == Status::Connecting)
        drop_connection();
}

void BVSystem::save_options() {
    options_->save(ini_path);
}

void BVSystem::set_status(Status s) {
    if (s == status)
        return;
    status = s;
    status_changed(s);
    if (s == Status::Paused)
        pause_ticks = pause_length_ticks;
}

void BVSystem::reconnect() {
    drop_connection(); // a working connection reports its end through the disconnect event here
    const QString host = QString::fromStdString(lib::cp1251_to_utf8(options_->remote_name));
    // The state changes before the attempt starts, so an error the socket reports at once
    // still ends in the pause cycle rather than being overwritten by "connecting".
    set_status(Status::Connecting);
    may_request = true;
    connect_wait_ticks = 0;
    lookup.start(host, [this, host](const std::vector<QHostAddress>& addresses, const std::string& failure) {
        on_host_found(host, addresses, failure);
        if (lookup_waiter)
            lookup_waiter->quit();
    });
}

void BVSystem::await_lookup(int max_ms) {
    if (!lookup.pending())
        return;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    lookup_waiter = &loop;
    bound.start(max_ms);
    loop.exec();
    lookup_waiter = nullptr;
}

void BVSystem::on_host_found(const QString& host, const std::vector<QHostAddress>& addresses,
                             const std::string& failure) {
    if (addresses.empty()) {
        // A name that cannot be resolved is an error of the look-up kind; the status alone does not say which name
        // or why, and a mistyped host is what an installer has to see.
        noted("Имя " + host.toStdString() + " не найдено: " + failure);
        set_status(Status::ExchangeFailed);
        set_status(Status::Paused);
        return;
    }
    untried_addresses = addresses;
    std::stable_partition(untried_addresses.begin(), untried_addresses.end(),
                          [this](const QHostAddress& a) { return a == last_answered; });
    connect_next_address();
}

void BVSystem::connect_next_address() {
    attempted_address = untried_addresses.front();
    untried_addresses.erase(untried_addresses.begin());
    const int left = connect_timeout_ticks - connect_wait_ticks;
    const int addresses = static_cast<int>(untried_addresses.size()) + 1;
    address_share_ticks = std::max(min_address_share_ticks, left / addresses);
    address_wait_ticks = 0;
    address_attempt.start(attempted_address, port,
                          [this](int descriptor, int error) { on_address_done(descriptor, error); });
}

void BVSystem::on_address_done(int descriptor, int error) {
    if (descriptor < 0) {
        note_address_failure(ConnectAttempt::failure_text(error));
        if (untried_addresses.empty())
            abort_attempt();
        else
            connect_next_address();
        return;
    }
    last_answered = attempted_address;
    // Should the socket refuse the descriptor, it is closed and the attempt's time limit applies.
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        return;
    }
    on_socket_connect();
}

void BVSystem::note_address_failure(const std::string& how) {
    const QString address = attempted_address.protocol() == QAbstractSocket::IPv6Protocol
                                ? "[" + attempted_address.toString() + "]"
                                : attempted_address.toString();
    noted("Адрес " + address.toStdString() + ":" + std::to_string(port) + ": " + how);
}

void BVSystem::disconnect() {
    if (status != Status::Working)
        return;
    set_status(Status::Disconnecting);
    socket->abort();
    // The socket delivers the disconnect event from within abort(); the loop covers a
    // platform that delivers it later, and gives up after a few seconds.
    for (int waited = 0; status == Status::Disconnecting && waited < 250; ++waited) {
        QThread::msleep(20);
        QCoreApplication::processEvents();
    }
    if (status == Status::Disconnecting) {
        set_status(Status::Disconnected);
        end_request_thread();
        set_status(Status::Paused);
    }
}

void BVSystem::close_failed_exchange() {
    set_status(Status::ExchangeFailed);
    receive_buffer.clear();
    receive_buffer.shrink_to_fit();
    // The disconnect event, delivered from within abort(), ends the thread and pauses.
    socket->abort();
    set_status(Status::Paused);
}

void BVSystem::abort_attempt() {
    set_status(Status::ConnectFailed);
    drop_connection();
    set_status(Status::Paused);
}

void BVSystem::drop_connection() {
    lookup.abort();
    address_attempt.abort();
    untried_addresses.clear();
    socket->abort();
}

void BVSystem::end_request_thread() {
    // Waiting for the thread services events, and one of them may end the thread again (an exit request, a
    // socket event): the thread leaves its member first, so a nested call finds nothing to end and the
    // object waited on here lives until this wait is over.
    const std::unique_ptr<RequestThread> ending = std::move(request_thread);
    if (ending)
        ending->finish();
}

void BVSystem::on_socket_connect() {
    end_request_thread(); // an earlier connection's thread; normally gone with its disconnect event
    // The connection may have ended while that thread was ending; the attempt's time limit then applies.
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    set_status(Status::Working);
    request_thread = std::make_unique<RequestThread>(this, [this] { request_values(); });
    request_thread->start(QThread::HighestPriority);
}

void BVSystem::on_socket_error(QAbstractSocket::SocketError error) {
    // The station closing the connection is the disconnect event, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    // The connection, if any, stays open: its thread goes on until it ends.
    set_status(Status::ExchangeFailed);
    set_status(Status::Paused);
}

void BVSystem::on_socket_disconnect() {
    if (!request_thread)
        return;
    set_status(Status::Disconnected);
    end_request_thread();
    set_status(Status::Paused);
}

void BVSystem::on_socket_read() {
    const QByteArray bytes = socket->readAll();
    receive_buffer.insert(receive_buffer.end(), bytes.begin(), bytes.end());
    switch (check_frame(receive_buffer)) {
    case frame_state::incomplete:
        return;
    case frame_state::oversized:
        // What follows is out of step with any frame: the connection is of no further use.
        close_failed_exchange();
        return;
    case frame_state::complete:
        break;
    }
    ValueMap values;
    decode_answer(receive_buffer.data() + frame_header_size, receive_buffer.size() - frame_header_size, values);
    may_request = true;
    write_output_file(values);
}

void BVSystem::on_timer() {
    switch (status) {
    case Status::Paused:
        if (--pause_ticks <= 0)
            reconnect();
        break;
    case Status::Connecting:
        if (++connect_wait_ticks >= connect_timeout_ticks) {
            if (address_attempt.pending())
                note_address_failure(ConnectAttempt::failure_text(ETIMEDOUT));
            abort_attempt();
        } else if (address_attempt.pending() && ++address_wait_ticks >= address_share_ticks &&
                   !untried_addresses.empty()) {
            note_address_failure(ConnectAttempt::failure_text(ETIMEDOUT));
            connect_next_address();
        }
        break;
    case Status::Working:
        if (!may_request && ++answer_wait_ticks >= answer_timeout_ticks)
            close_failed_exchange();
        break;
    default:
        break;
    }
}

void BVSystem::request_values() {
    if (status != Status::Working || !may_request)
        return;
    receive_buffer.clear();
    socket->write(station_request, sizeof station_request);
    may_request = false;
    answer_wait_ticks = 0; // the answer's time limit starts with its request
}

void BVSystem::write_output_file(const ValueMap& values) {
    ::write_output_file(values, bin_path, file_lock);
}

bool BVSystem::publish_install_dir() {
    return ::publish_install_dir(data_dir);
}
