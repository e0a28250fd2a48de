#pragma once
// A real mosquitto broker for a test: on a free loopback port, its configuration and log in a scratch
// directory, stopped with the test.
#include "tests/support/qt_helpers.h"
#include "tests/support/scratch_dir.h"

#include <QProcess>
#include <QTcpSocket>

#include <string>

namespace bv_test {

class mosquitto_broker {
public:
    // `acl`: an access control file's lines for anonymous clients (empty: everything allowed).
    explicit mosquitto_broker(const std::string& acl = {}) : port_(closed_port()) {
        std::string conf = "listener " + std::to_string(port_) + " 127.0.0.1\nallow_anonymous true\nlog_dest file " +
                           dir_.file("broker.log") + "\n";
        if (!acl.empty()) {
            write_file(dir_.file("acl"), acl);
            conf += "acl_file " + dir_.file("acl") + "\n";
        }
        write_file(dir_.file("mosquitto.conf"), conf);
        process_.start("mosquitto", {"-c", QString::fromStdString(dir_.file("mosquitto.conf"))});
        ready_ = process_.waitForStarted(5000) && wait_for(
                                                      [this] {
                                                          QTcpSocket probe;
                                                          probe.connectToHost("127.0.0.1", port_);
                                                          return probe.waitForConnected(200);
                                                      },
                                                      5000);
    }
    ~mosquitto_broker() {
        process_.kill();
        process_.waitForFinished(2000);
    }
    mosquitto_broker(const mosquitto_broker&) = delete;
    mosquitto_broker& operator=(const mosquitto_broker&) = delete;

    bool ready() const { return ready_; }
    quint16 port() const { return port_; }
    std::string url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
    std::string log() const { return read_file(dir_.file("broker.log")); }

private:
    scratch_dir dir_;
    quint16 port_;
    QProcess process_;
    bool ready_ = false;
};

} // namespace bv_test
