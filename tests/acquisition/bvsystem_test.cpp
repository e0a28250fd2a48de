// The controller against real loopback connections with a short timer tick.
#include "acquisition/Bvsystem.h"
#include "acquisition/answer_decoder.h"
#include "library/binary_buffer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

#include "tests/support/qt_helpers.h"
#include <sys/stat.h>

namespace {

using bv_test::closed_port;
using bv_test::pump;
using bv_test::wait_for;

constexpr int tick = 40;
using Statuses = std::vector<Status>;

std::vector<char> answer(const std::vector<std::pair<std::string, double>>& records) {
    lib::OutputBinaryBuffer payload;
    for (const auto& [name, value] : records) {
        payload.write_string(name);
        payload.write(value);
    }
    lib::OutputBinaryBuffer frame;
    frame.write(char{2});
    frame.write(static_cast<std::int32_t>(payload.get_data().size()));
    frame.write_bytes(payload.get_data().data(), payload.get_data().size());
    return frame.get_data();
}

// A station on loopback that counts requests and answers them as the test says.
class FakeStation {
public:
    std::function<void(QTcpSocket*)> on_request = [](QTcpSocket* s) {
        auto a = answer({{"depth", 1500.0}});
        s->write(a.data(), static_cast<qint64>(a.size()));
    };

    FakeStation() {
        server.listen(QHostAddress::Any, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                last_local_address = s->localAddress();
                client = s;
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    pending += s->readAll();
                    while (pending.size() >= 5) {
                        EXPECT_EQ(pending.left(5), QByteArray(station_request, 5));
                        pending.remove(0, 5);
                        ++requests;
                        on_request(s);
                    }
                });
            }
        });
    }
    quint16 port() const { return server.serverPort(); }

    QTcpServer server;
    QTcpSocket* client = nullptr;
    QByteArray pending;
    QHostAddress last_local_address;
    int connections = 0;
    int requests = 0;
};

struct Recorder {
    explicit Recorder(BVSystem& sys) {
        c = sys.status_changed.connect([this](Status s) { seen.push_back(s); });
    }
    boost::signals2::scoped_connection c;
    Statuses seen;
};

struct BinFile {
    explicit BinFile(const BVSystem& sys) : path(sys.get_bin_path()) { std::filesystem::remove(path); }
    bool exists() const { return std::filesystem::exists(path); }
    std::vector<unsigned char> bytes() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    ino_t inode() const {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::string path;
};

} // namespace

TEST(BVSystem, RefusedConnectionPausesAndRetriesAfterFiveTicks) {
    BVSystem sys(closed_port(), tick);
    Recorder rec(sys);
    sys.options().remote_name = "127.0.0.1";
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 3; }));
    QElapsedTimer paused_for;
    paused_for.start();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 4; }));
    EXPECT_GE(paused_for.elapsed(), 3 * tick); // four to five ticks, with slack for the scheduler
    rec.seen.resize(4);                        // the new attempt is refused again and again
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ConnectFailed, Status::Paused, Status::Connecting}));
}

TEST(BVSystem, UnknownHostIsAnExchangeError) {
    BVSystem sys(closed_port(), tick);
    Recorder rec(sys);
    sys.options().remote_name = "no-such-host.invalid";
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 3; }, 15000));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ExchangeFailed, Status::Paused}));
}

TEST(BVSystem, WorkingWritesTheFileAndIgnoresConnectWhileBusy) {
    FakeStation station;
    BVSystem sys(station.port(), 1000); // the pause after stop() outlasts the test
    BinFile bin(sys);
    Recorder rec(sys);
    sys.connect();
    sys.connect(); // in Connecting: nothing
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working; }));
    sys.connect(); // in Working: nothing
    ASSERT_TRUE(wait_for([&] { return bin.exists(); }, 4000));
    auto bytes = bin.bytes();
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ((std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4)),
              (std::vector<unsigned char>{0x00, 0x80, 0xBB, 0x44}));
    EXPECT_EQ(station.connections, 1);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working}));

    // connect() from a handler that runs while disconnecting is ignored too.
    auto c = sys.status_changed.connect([&](Status s) {
        if (s == Status::Disconnecting)
            sys.connect();
    });
    sys.stop();
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::Disconnecting, Status::Disconnected,
                                  Status::Paused}));
    const int requests = station.requests;
    pump(2500); // the request thread is gone: nothing more goes out
    EXPECT_EQ(station.requests, requests);
}

TEST(BVSystem, StationClosingGivesPauseThenReconnectWithFreshHost) {
    FakeStation station;
    BVSystem sys(station.port(), tick);
    Recorder rec(sys);
    sys.connect(); // "localhost"
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working && station.client; }));
    sys.options().remote_name = "127.0.0.2";
    station.client->close();
    ASSERT_TRUE(wait_for([&] { return station.connections == 2 && sys.get_status() == Status::Working; }));
    EXPECT_TRUE(station.last_local_address.isEqual(QHostAddress("127.0.0.2"), QHostAddress::TolerantConversion))
        << station.last_local_address.toString().toStdString();
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::Disconnected, Status::Paused,
                                  Status::Connecting, Status::Working}));
}

TEST(BVSystem, OneRequestOutstandingAndPiecesDecodedOnce) {
    FakeStation station;
    QTcpSocket* answer_to = nullptr;
    station.on_request = [&](QTcpSocket* s) { answer_to = s; }; // hold the answer back
    BVSystem sys(station.port(), 1000);                         // long tick: no answer timeout here
    BinFile bin(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests == 1; }, 4000));
    pump(2600); // at least two more changes of the second
    EXPECT_EQ(station.requests, 1);

    auto a = answer({{"DEPTH", 1.0}, {"depth", 2.0}, {"other", 3.0}});
    const std::size_t cut1 = 3, cut2 = 12;
    answer_to->write(a.data(), cut1);
    pump(150);
    answer_to->write(a.data() + cut1, cut2 - cut1);
    pump(150);
    EXPECT_FALSE(bin.exists());
    station.on_request = [](QTcpSocket*) {};
    answer_to->write(a.data() + cut2, static_cast<qint64>(a.size() - cut2));
    ASSERT_TRUE(wait_for([&] { return bin.exists(); }));
    const auto first_write = bin.inode();
    auto bytes = bin.bytes();
    float depth = 0;
    std::memcpy(&depth, bytes.data(), 4);
    EXPECT_EQ(depth, 2.0f);
    ASSERT_TRUE(wait_for([&] { return station.requests == 2; }, 3000)); // the next request follows
    EXPECT_EQ(bin.inode(), first_write);                                // and the answer was written once
}

TEST(BVSystem, AnswerThatNeverCompletesIsAnExchangeError) {
    FakeStation station;
    station.on_request = [](QTcpSocket* s) {
        auto a = answer({{"depth", 1.0}});
        s->write(a.data(), static_cast<qint64>(a.size() - 1));
    };
    BVSystem sys(station.port(), tick);
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 4; }, 5000));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Paused}));
    // The pause cycle follows: the old connection goes, a new attempt starts.
    ASSERT_TRUE(wait_for([&] { return station.connections == 2; }, 3000));
    EXPECT_EQ((Statuses(rec.seen.begin() + 4, rec.seen.begin() + 7)),
              (Statuses{Status::Disconnected, Status::Paused, Status::Connecting}));
}

TEST(BVSystem, OversizedAnswerIsAnExchangeError) {
    FakeStation station;
    station.on_request = [](QTcpSocket* s) {
        std::vector<char> header = {2, 0, 0, 0, 0};
        std::int32_t huge = 17 * 1024 * 1024;
        std::memcpy(header.data() + 1, &huge, 4);
        s->write(header.data(), 5);
        s->write(QByteArray(64 * 1024, 'x'));
    };
    BVSystem sys(station.port(), 1000);
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 4; }, 5000));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Paused}));
}

TEST(BVSystem, StopOutsideWorkingChangesNothing) {
    BVSystem sys(closed_port(), tick);
    Recorder rec(sys);
    sys.stop();
    EXPECT_TRUE(rec.seen.empty());
    EXPECT_EQ(sys.get_status(), Status::Idle);
    pump(5 * tick); // the timer does nothing outside the pause
    EXPECT_TRUE(rec.seen.empty());
}

TEST(BVSystem, StartLoadsSettingsAndReportsAnUnwritableInstallLocation) {
    BVSystem sys(closed_port(), tick);
    Recorder rec(sys);
    std::ofstream(sys.get_ini_path()) << "[main]\nremote_name=\"station-7\"\n";
    const QByteArray config_home = qgetenv("XDG_CONFIG_HOME");
    const std::string blocker = sys.get_exe_dir() + "not-a-directory";
    std::ofstream(blocker) << "x";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(blocker)); // the value's file cannot be created
    sys.start();
    qputenv("XDG_CONFIG_HOME", config_home);
    std::filesystem::remove(blocker);
    std::filesystem::remove(sys.get_ini_path());
    EXPECT_EQ(sys.options().remote_name, "station-7");
    EXPECT_EQ(rec.seen, (Statuses{Status::RegistryFailed}));

    sys.start(); // with a writable location: no status at all
    EXPECT_EQ(rec.seen, (Statuses{Status::RegistryFailed}));
    EXPECT_EQ(sys.options().remote_name, "localhost"); // no file: the default
}
