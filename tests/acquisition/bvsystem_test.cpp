// The controller against real loopback connections. Where the number of ticks matters the controller runs
// without its timer and the test drives the ticks one at a time.
#include "acquisition/Bvsystem.h"
#include "acquisition/core/answer_decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/acquisition/name_stub.h"
#include "tests/support/controller_config.h"
#include "tests/support/qt_helpers.h"

namespace {

using bv_test::closed_port;
using bv_test::own_config;
using bv_test::pump;
using bv_test::wait_for;

constexpr int tick = 40;
constexpr int manual_ticks = 0;
using Statuses = std::vector<Status>;

void send(QTcpSocket* s, const std::string& bytes) {
    s->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// A station on loopback that counts requests and answers them as the test says.
class FakeStation {
public:
    std::function<void(QTcpSocket*)> on_request = [](QTcpSocket* s) { send(s, encode_answer({{"depth", 1500.0}})); };

    explicit FakeStation(const QHostAddress& at = QHostAddress::Any) {
        server.listen(at, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                last_local_address = s->localAddress();
                client = s;
                QObject::connect(s, &QTcpSocket::disconnected, s, [this] { ++closed_by_client; });
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
    int closed_by_client = 0;
};

// The station socket, able to report the errors a real network produces and loopback does not.
class FaultySocket : public QTcpSocket {
public:
    void report(SocketError e) {
        setSocketError(e);
        emit errorOccurred(e);
    }
};

struct Recorder {
    explicit Recorder(BVSystem& sys) {
        c = sys.status_changed.connect([this](Status s) { seen.push_back(s); });
        n = sys.noted.connect([this](const std::string& line) { notes.push_back(line); });
    }
    boost::signals2::scoped_connection c, n;
    Statuses seen;
    std::vector<std::string> notes;
};

struct BinFile {
    explicit BinFile(const BVSystem& sys) : path(sys.get_bin_path()) {}
    bool exists() const { return std::filesystem::exists(path); }
    std::vector<unsigned char> bytes() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    float value(int index) const {
        const auto b = bytes();
        float v = -1;
        if (b.size() == 24)
            std::memcpy(&v, b.data() + 4 * index, 4);
        return v;
    }
    ino_t inode() const {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::string path;
};

long open_descriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

void ticks(BVSystem& sys, int n) {
    for (int i = 0; i < n; ++i)
        sys.on_timer();
}

// A loopback listener whose accept queue is full: the kernel drops further SYNs, so an attempt to connect to
// it neither succeeds nor fails for a long time.
class SilentListener {
public:
    explicit SilentListener(const char* address = "127.0.0.1", quint16 at = 0) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(at);
        ::inet_pton(AF_INET, address, &addr.sin_addr);
        ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener, 0);
        socklen_t len = sizeof addr;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        for (int& filler : fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        }
        QThread::msleep(50);
    }
    ~SilentListener() {
        for (int filler : fillers)
            ::close(filler);
        ::close(listener);
    }
    quint16 port = 0;

private:
    int listener = -1;
    int fillers[3] = {-1, -1, -1};
};

} // namespace

TEST(BVSystem, RefusedConnectionPausesExactlyFiveTicksThenRetries) {
    const quint16 port = closed_port();
    BVSystem sys(own_config(port, manual_ticks));
    Recorder rec(sys);
    sys.options().remote_name = "127.0.0.1";
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Paused; }));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ConnectFailed, Status::Paused}));
    EXPECT_EQ(rec.notes,
              std::vector<std::string>{"Адрес 127.0.0.1:" + std::to_string(port) + ": в подключении отказано"});
    ticks(sys, 4);
    pump(20);
    EXPECT_EQ(sys.get_status(), Status::Paused);
    ticks(sys, 1);
    EXPECT_EQ(rec.seen.back(), Status::Connecting);
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Paused; }));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ConnectFailed, Status::Paused, Status::Connecting,
                                  Status::ConnectFailed, Status::Paused}));
}

TEST(BVSystem, UnknownHostIsAnExchangeError) {
    BVSystem sys(own_config(closed_port(), tick));
    Recorder rec(sys);
    sys.options().remote_name = "no-such-host.invalid";
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 3; }, 15000));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ExchangeFailed, Status::Paused}));
    // The status does not say which name failed: a line does, with the resolver's reason.
    ASSERT_EQ(rec.notes.size(), 1u);
    EXPECT_EQ(rec.notes[0].rfind("Имя no-such-host.invalid не найдено: ", 0), 0u) << rec.notes[0];
    EXPECT_GT(rec.notes[0].size(), std::string("Имя no-such-host.invalid не найдено: ").size() + 3) << rec.notes[0];
}

TEST(BVSystem, AwaitingTheLookUpEndsAtItsBoundOrWhenTheAddressIsBeingTried) {
    bv_test::stub_name("bvawait.test", {"127.0.0.1"});
    BVSystem sys(own_config(closed_port(), 0));
    Recorder rec(sys);
    sys.options().remote_name = "bvawait.test";
    QElapsedTimer waited;
    {
        const bv_test::held_names held; // a resolver that does not answer
        sys.connect();
        waited.start();
        sys.await_lookup(100);
        EXPECT_GE(waited.elapsed(), 90); // a coarse timer may fire up to 5 % early
        EXPECT_EQ(rec.seen, Statuses{Status::Connecting});
    }
    waited.start();
    sys.await_lookup(60000);
    EXPECT_LT(waited.elapsed(), 30000) << "the answer ends the wait";
    // The refused address is reported through the event loop after the wait, as every attempt's end.
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 2; }));
    EXPECT_EQ(rec.seen[1], Status::ConnectFailed);
}

TEST(BVSystem, AttemptThatNeverConnectsFailsAfterTenTicksAndStopAbortsIt) {
    SilentListener silent;
    BVSystem sys(own_config(silent.port, manual_ticks));
    Recorder rec(sys);
    sys.options().remote_name = "127.0.0.1";
    sys.connect();
    pump(100);
    ticks(sys, 9);
    pump(20);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting}));
    ticks(sys, 1);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::ConnectFailed, Status::Paused}));
    EXPECT_EQ(rec.notes, std::vector<std::string>{"Адрес 127.0.0.1:" + std::to_string(silent.port) + ": нет ответа"});

    // A look-up that answers after the ten ticks is forgotten: its late answer, a refusing address, is not tried.
    bv_test::stub_name("bvlate.test", {"127.0.0.9"});
    sys.options().remote_name = "bvlate.test";
    ticks(sys, 5 + 10); // no events in between: the answer comes later
    pump(200);
    EXPECT_EQ(rec.seen.size(), 6u);
    EXPECT_EQ(rec.notes.size(), 1u);

    // A new attempt gets ten ticks of its own, and exit does not wait for it.
    sys.options().remote_name = "127.0.0.1";
    ticks(sys, 5);
    ticks(sys, 9);
    EXPECT_EQ(sys.get_status(), Status::Connecting);
    QElapsedTimer stopping;
    stopping.start();
    sys.stop();
    EXPECT_LT(stopping.elapsed(), 1000);
    pump(100);
    EXPECT_EQ(rec.seen.size(), 7u); // an aborted attempt reports nothing more

    // A controller destroyed during an attempt leaves no descriptor open.
    const long descriptors = open_descriptors();
    {
        BVSystem other(own_config(silent.port, manual_ticks));
        other.options().remote_name = "127.0.0.1";
        other.connect();
        pump(100);
        EXPECT_GT(open_descriptors(), descriptors);
    }
    EXPECT_TRUE(wait_for([&] { return open_descriptors() == descriptors; }, 1000));
}

TEST(BVSystem, WorkingWritesTheFileAndIgnoresConnectWhileBusy) {
    FakeStation station;
    BVSystem sys(own_config(station.port(), 1000)); // the pause after stop() outlasts the test
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

TEST(BVSystem, RequestsFollowTheClockSecond) {
    FakeStation station;
    BVSystem sys(own_config(station.port(), 1000));
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests == 1; }, 4000));
    pump(3300);
    // One request per change of the second: three or four more in 3.3 s (naps of 300 ms would give ten).
    EXPECT_GE(station.requests, 3);
    EXPECT_LE(station.requests, 5);
}

TEST(BVSystem, StationClosingGivesPauseThenReconnectWithFreshHost) {
    FakeStation station;
    BVSystem sys(own_config(station.port(), tick));
    Recorder rec(sys);
    sys.connect(); // "localhost"
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working && station.client; }));
    sys.options().remote_name = "::1";
    station.client->close();
    ASSERT_TRUE(wait_for([&] { return station.connections == 2 && sys.get_status() == Status::Working; }));
    EXPECT_EQ(station.last_local_address, QHostAddress("::1")) << station.last_local_address.toString().toStdString();
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::Disconnected, Status::Paused,
                                  Status::Connecting, Status::Working}));
}

TEST(BVSystem, AddressesOfANameAreTriedInTurnEachWithItsShareAndTheOneThatAnsweredFirstNextTime) {
    FakeStation station(QHostAddress("127.0.0.6"));
    const SilentListener first("127.0.0.5", station.port()), second("127.0.0.8", station.port());
    bv_test::stub_name("bvmulti.test", {"::1", "127.0.0.5", "127.0.0.8", "127.0.0.6"});
    BVSystem sys(own_config(station.port(), manual_ticks));
    Recorder rec(sys);
    sys.options().remote_name = "bvmulti.test";
    const std::string port = ":" + std::to_string(station.port()) + ": ";
    sys.connect();
    // [::1] fails at once; then 127.0.0.5 has 10 / 3 ticks, and 127.0.0.8 the 7 left / 2.
    ASSERT_TRUE(wait_for([&] { return rec.notes.size() == 1; }));
    EXPECT_EQ(rec.notes[0].rfind("Адрес [::1]" + port, 0), 0u) << rec.notes[0];
    ticks(sys, 2);
    pump(50);
    EXPECT_EQ(rec.notes.size(), 1u);
    ticks(sys, 1);
    EXPECT_EQ(rec.notes.back(), "Адрес 127.0.0.5" + port + "нет ответа");
    ticks(sys, 2);
    pump(50);
    EXPECT_EQ(rec.notes.size(), 2u);
    ticks(sys, 1);
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working; }));
    EXPECT_EQ(rec.notes.back(), "Адрес 127.0.0.8" + port + "нет ответа");
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working}));

    // After a drop the address that answered goes first, and no descriptor opened since is closed under us.
    station.client->close();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Paused; }));
    std::vector<int> mine(32);
    for (int& fd : mine)
        fd = ::dup(STDERR_FILENO);
    ticks(sys, BVSystem::pause_length_ticks);
    ASSERT_TRUE(wait_for([&] { return station.connections == 2 && sys.get_status() == Status::Working; }));
    EXPECT_EQ(rec.notes.size(), 3u);
    for (int fd : mine)
        EXPECT_EQ(::close(fd), 0) << "descriptor " << fd;
}

TEST(BVSystem, RequestThreadEndsWithItsConnection) {
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    FakeStation station;
    BVSystem sys(own_config(station.port(), manual_ticks));
    pump(100);
    const auto before = threads();
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working && station.client; }));
    EXPECT_TRUE(wait_for([&] { return threads() == before + 1; }));
    station.client->close();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Paused; }));
    EXPECT_TRUE(wait_for([&] { return threads() == before; }, 2000))
        << threads() << " threads, " << before << " before";
}

TEST(BVSystem, OneRequestOutstandingAndPiecesDecodedOnce) {
    FakeStation station;
    QTcpSocket* answer_to = nullptr;
    station.on_request = [&](QTcpSocket* s) { answer_to = s; }; // hold the answer back
    BVSystem sys(own_config(station.port(), 1000));             // long tick: no answer timeout here
    BinFile bin(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests == 1; }, 4000));
    pump(2600); // at least two more changes of the second
    EXPECT_EQ(station.requests, 1);

    auto a = encode_answer({{"DEPTH", 1.0}, {"depth", 2.0}, {"other", 3.0}});
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
    EXPECT_EQ(bin.value(0), 2.0f);
    ASSERT_TRUE(wait_for([&] { return station.requests == 2; }, 3000)); // the next request follows
    EXPECT_EQ(bin.inode(), first_write);                                // and the answer was written once
}

TEST(BVSystem, DataAfterAnAnswerIsDecodedWithItFromTheStart) {
    FakeStation station;
    QTcpSocket* answer_to = nullptr;
    station.on_request = [&](QTcpSocket* s) {
        answer_to = s;
        send(s, encode_answer({{"depth", 5.0}}));
    };
    BVSystem sys(own_config(station.port(), 1000));
    BinFile bin(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return bin.exists(); }, 4000));
    EXPECT_EQ(bin.value(1), 0.0f);
    send(answer_to, encode_records({{"doloto_depth", 7.0}})); // a record after the frame, before the next request
    ASSERT_TRUE(wait_for([&] { return bin.value(1) == 7.0f; }, 800));
    EXPECT_EQ(bin.value(0), 5.0f);
}

TEST(BVSystem, RecordCutShortIsNotCompletedByAnEarlierAnswersBytes) {
    FakeStation station;
    const auto whole = encode_records({{"depth", 1234.5}});
    int answers = 0;
    station.on_request = [&](QTcpSocket* s) {
        // The first answer is whole; the second has the same record without its last five bytes.
        send(s, encode_frame(whole.substr(0, whole.size() - (answers == 0 ? 0 : 5))));
        ++answers;
    };
    BVSystem sys(own_config(station.port(), 1000));
    BinFile bin(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return bin.exists(); }, 4000));
    EXPECT_EQ(bin.value(0), 1234.5f);
    ASSERT_TRUE(wait_for([&] { return answers == 2 && bin.value(0) != 1234.5f; }, 3000));
    EXPECT_EQ(bin.value(0), 0.0f);
}

TEST(BVSystem, AnswerTimeoutClosesTheConnectionSoALateRemainderIsNeverWritten) {
    FakeStation station;
    QTcpSocket* answer_to = nullptr;
    const auto old_answer = encode_answer({{"depth", 11.0}});
    station.on_request = [&](QTcpSocket* s) {
        answer_to = s;
        s->write(old_answer.data(), static_cast<qint64>(old_answer.size() - 1));
    };
    BVSystem sys(own_config(station.port(), manual_ticks));
    BinFile bin(sys);
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests == 1; }, 4000));
    pump(100);
    ticks(sys, 9);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working}));
    ticks(sys, 1);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Disconnected,
                                  Status::Paused}));
    ASSERT_TRUE(wait_for([&] { return station.closed_by_client == 1; }));
    answer_to->write(old_answer.data() + old_answer.size() - 1, 1); // the rest, too late
    pump(300);
    EXPECT_FALSE(bin.exists());

    // Five ticks later a new connection asks again, and its answers are written.
    station.on_request = [](QTcpSocket* s) { send(s, encode_answer({{"depth", 22.0}})); };
    ticks(sys, 5);
    ASSERT_TRUE(wait_for([&] { return bin.exists(); }, 4000));
    EXPECT_EQ(bin.value(0), 22.0f);
    EXPECT_EQ(station.connections, 2);

    // Its own answers get the whole time limit again.
    station.on_request = [](QTcpSocket*) {};
    const int requests = station.requests;
    ASSERT_TRUE(wait_for([&] { return station.requests == requests + 1; }, 3000));
    ticks(sys, 9);
    EXPECT_EQ(sys.get_status(), Status::Working);
}

TEST(BVSystem, OversizedAnswerClosesTheConnection) {
    FakeStation station;
    station.on_request = [](QTcpSocket* s) {
        send(s, encode_frame({}, 17 * 1024 * 1024));
        s->write(QByteArray(64 * 1024, 'x'));
    };
    BVSystem sys(own_config(station.port(), 1000));
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return rec.seen.size() >= 5; }, 5000));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Disconnected,
                                  Status::Paused}));
    EXPECT_TRUE(wait_for([&] { return station.closed_by_client == 1; }));
}

TEST(BVSystem, OtherSocketErrorKeepsTheConnectionButSendsNothingWhilePaused) {
    FakeStation station;
    auto link = std::make_unique<FaultySocket>();
    FaultySocket* socket = link.get();
    BVSystem sys(own_config(station.port(), 1000, std::move(link)));
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests == 1; }, 4000));
    pump(100); // the answer is in: another request may go
    socket->report(QAbstractSocket::NetworkError);
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Paused}));
    pump(2500); // the thread lives on with the connection, yet no request goes out outside "working"
    EXPECT_EQ(station.requests, 1);
    EXPECT_EQ(station.closed_by_client, 0);

    // stop() ends the thread and leaves the state; the station closing afterwards is no news.
    sys.stop();
    EXPECT_EQ(rec.seen.size(), 4u);
    station.client->close();
    pump(200);
    EXPECT_EQ(rec.seen.size(), 4u);
}

TEST(BVSystem, NextAttemptAfterAnOtherErrorClosesTheOldConnectionFirst) {
    FakeStation station;
    auto link = std::make_unique<FaultySocket>();
    FaultySocket* socket = link.get();
    BVSystem sys(own_config(station.port(), manual_ticks, std::move(link)));
    Recorder rec(sys);
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working && station.client; }));
    socket->report(QAbstractSocket::NetworkError);
    ticks(sys, 5);
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Working && station.connections == 2; }));
    EXPECT_TRUE(wait_for([&] { return station.closed_by_client == 1; }));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::ExchangeFailed, Status::Paused,
                                  Status::Disconnected, Status::Paused, Status::Connecting, Status::Working}));
}

TEST(BVSystem, InstanceIsTheNewestLiveController) {
    EXPECT_EQ(BVSystem::instance(), nullptr);
    {
        BVSystem first(own_config(closed_port(), manual_ticks));
        EXPECT_EQ(BVSystem::instance(), &first);
        {
            BVSystem second(own_config(closed_port(), manual_ticks));
            EXPECT_EQ(BVSystem::instance(), &second);
        }
        EXPECT_EQ(BVSystem::instance(), nullptr); // not the older one
    }
    EXPECT_EQ(BVSystem::instance(), nullptr);
}

TEST(BVSystem, ExitRequestedWhileTheThreadEndsIsSafe) {
    // An event handled while the controller waits for the request thread asks for the exit: the wait being
    // serviced must not lose the thread it waits for.
    FakeStation station;
    BVSystem sys(own_config(station.port(), 1000));
    Recorder rec(sys);
    bool stopped = false;
    auto c = sys.status_changed.connect([&](Status s) {
        if (s == Status::Disconnected)
            QTimer::singleShot(0, [&] {
                sys.stop();
                stopped = true;
            });
    });
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return station.requests >= 1; }, 4000));
    station.client->close();
    ASSERT_TRUE(wait_for([&] { return stopped && sys.get_status() == Status::Paused; }));
    EXPECT_EQ(rec.seen, (Statuses{Status::Connecting, Status::Working, Status::Disconnected, Status::Paused}));
}

TEST(BVSystem, StopOutsideWorkingChangesNothing) {
    BVSystem sys(own_config(closed_port(), tick));
    Recorder rec(sys);
    sys.stop();
    EXPECT_TRUE(rec.seen.empty());
    EXPECT_EQ(sys.get_status(), Status::Idle);
    pump(5 * tick); // the timer does nothing outside the pause
    EXPECT_TRUE(rec.seen.empty());
}

TEST(BVSystem, StartLoadsSettingsAndReportsAnUnwritableInstallLocationOnce) {
    BVSystem sys(own_config(closed_port(), tick));
    EXPECT_EQ(sys.get_ini_path(), bv_test::test_dir("data") + "Borevane.ini"); // the configured data directory
    Recorder rec(sys);
    std::ofstream(sys.get_ini_path()) << "[main]\nremote_name=\"station-7\"\n";
    {
        const std::string blocker = bv_test::test_home() + "/not-a-directory";
        std::ofstream(blocker) << "x";
        const bv_test::scoped_env config("XDG_CONFIG_HOME", blocker); // the value's file cannot be created
        sys.start();
        sys.start(); // the same status again: no second notification
    }
    std::filesystem::remove(sys.get_ini_path());
    EXPECT_EQ(sys.options().remote_name, "station-7");
    EXPECT_EQ(rec.seen, (Statuses{Status::RegistryFailed}));

    sys.start(); // with a writable location: no status at all
    EXPECT_EQ(rec.seen, (Statuses{Status::RegistryFailed}));
    EXPECT_EQ(sys.options().remote_name, "localhost"); // no file: the default
}

TEST(BVSystem, HeapStaysFlatThroughTwentyThousandRefusedAttempts) {
    BVSystem sys(own_config(closed_port(), manual_ticks)); // the default host, "localhost": a look-up per attempt
    auto attempt = [&] {
        ticks(sys, BVSystem::pause_length_ticks);
        QElapsedTimer t;
        t.start();
        while (sys.get_status() != Status::Paused && t.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return sys.get_status() == Status::Paused;
    };
    sys.connect();
    ASSERT_TRUE(wait_for([&] { return sys.get_status() == Status::Paused; }));
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(attempt());
    malloc_trim(0);
    const std::size_t after_first_thousand = mallinfo2().uordblks;
    for (int i = 1000; i < 20000; ++i)
        ASSERT_TRUE(attempt());
    malloc_trim(0);
    const std::size_t after_all = mallinfo2().uordblks;
    const auto growth = static_cast<long long>(after_all) - static_cast<long long>(after_first_thousand);
    std::printf("heap in use after 1,000 attempts: %zu bytes; after 20,000: %zu bytes (%+lld)\n", after_first_thousand,
                after_all, growth);
    EXPECT_LT(growth, 64 * 1024);
}
