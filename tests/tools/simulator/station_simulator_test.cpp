// The simulator as a real process on a free port, driven through real loopback sockets.

#include "acquisition/core/output_file.h"
#include "library/cp1251.h"
#include "tests/tools/simulator/answer_parse.h"
#include "tools/simulator/station_answer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray request(station_request, sizeof station_request);

class simulator {
public:
    explicit simulator(QStringList args) {
        process_.setProgram(STATION_SIMULATOR_PATH);
        process_.setArguments(args << "--port"
                                   << "0");
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        // The first line names the port; it must come at once, not when the buffer fills.
        QElapsedTimer clock;
        clock.start();
        while (!process_.canReadLine() && clock.elapsed() < 5000)
            process_.waitForReadyRead(100);
        first_line_ = QString::fromUtf8(process_.readLine()).trimmed();
        const auto m = QRegularExpression(R"(^listening on 127\.0\.0\.1:(\d+)$)").match(first_line_);
        if (m.hasMatch())
            port_ = m.captured(1).toUShort();
    }
    ~simulator() {
        process_.kill();
        process_.waitForFinished(5000);
    }

    quint16 port() const { return port_; }
    const QString& first_line() const { return first_line_; }
    bool running() const { return process_.state() == QProcess::Running; }
    QString output() {
        process_.waitForReadyRead(200);
        return QString::fromUtf8(process_.readAllStandardOutput());
    }

private:
    QProcess process_;
    QString first_line_;
    quint16 port_ = 0;
};

std::unique_ptr<QTcpSocket> connect_to(const simulator& sim) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost("127.0.0.1", sim.port());
    EXPECT_TRUE(socket->waitForConnected(5000)) << socket->errorString().toStdString();
    return socket;
}

struct received {
    std::string bytes;
    int reads = 0;         // how many separate arrivals made up the bytes
    qint64 elapsed_ms = 0; // from the call to the last byte
};

// Reads until the frame's length field is satisfied or `timeout_ms` passes.
received read_frame(QTcpSocket& socket, int timeout_ms = 5000) {
    received r;
    QElapsedTimer clock;
    clock.start();
    auto complete = [&] {
        return r.bytes.size() >= 5 && static_cast<qint64>(r.bytes.size()) - 5 >= frame_length(r.bytes);
    };
    while (!complete() && clock.elapsed() < timeout_ms) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(50))
            continue;
        r.bytes += socket.readAll().toStdString();
        ++r.reads;
        r.elapsed_ms = clock.elapsed();
    }
    return r;
}

std::optional<parsed_answer> ask(QTcpSocket& socket) {
    socket.write(request);
    const auto r = read_frame(socket);
    return parse_answer(r.bytes);
}

double output_value(const parsed_answer& a, std::size_t slot) {
    for (const auto& r : a.records)
        if (lib::to_lower_1251(r.name) == output_names[slot])
            return r.value;
    ADD_FAILURE() << "slot " << slot << " missing";
    return 0;
}

} // namespace

TEST(StationSimulator, AnnouncesItsPortAndAnswersEachRequest) {
    simulator sim({});
    ASSERT_NE(sim.port(), 0) << sim.first_line().toStdString();
    auto socket = connect_to(sim);
    socket->write(request);
    const auto bytes = read_frame(*socket).bytes;
    const auto first = parse_answer(bytes);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, answer_type);
    EXPECT_EQ(first->length, static_cast<std::int32_t>(bytes.size() - 5));
    EXPECT_EQ(first->trailing, 0u);
    ASSERT_GE(first->records.size(), output_names.size());
    for (std::size_t i = 0; i < output_names.size(); ++i)
        EXPECT_EQ(first->records[i].name, output_names[i]);
    EXPECT_GE(output_value(*first, 0), 1500.0);

    QThread::msleep(300);
    const auto second = ask(*socket);
    ASSERT_TRUE(second);
    EXPECT_GT(output_value(*second, 0), output_value(*first, 0)); // drilling goes on
}

TEST(StationSimulator, SplitSendsPiecesWithGaps) {
    simulator sim({"--split", "4", "--gap-ms", "100"});
    auto socket = connect_to(sim);
    socket->write(request);
    const auto r = read_frame(*socket);
    ASSERT_TRUE(parse_answer(r.bytes));
    EXPECT_EQ(parse_answer(r.bytes)->trailing, 0u);
    EXPECT_GE(r.reads, 2);
    EXPECT_GE(r.elapsed_ms, 250); // three gaps of 100 ms at least
}

TEST(StationSimulator, DelaySendsNothingUntilItHasPassed) {
    simulator sim({"--delay-ms", "600"});
    auto socket = connect_to(sim);
    socket->write(request);
    EXPECT_FALSE(socket->waitForReadyRead(300));
    const auto r = read_frame(*socket);
    ASSERT_TRUE(parse_answer(r.bytes));
    EXPECT_GT(parse_answer(r.bytes)->records.size(), 6u);
}

TEST(StationSimulator, CloseEveryEndsTheConnectionAfterThatManyAnswers) {
    simulator sim({"--close-every", "2"});
    auto socket = connect_to(sim);
    ASSERT_TRUE(ask(*socket));
    ASSERT_TRUE(ask(*socket));
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(3000);
    EXPECT_EQ(socket->state(), QAbstractSocket::UnconnectedState);
    // A new connection is served again.
    auto again = connect_to(sim);
    EXPECT_TRUE(ask(*again));
}

TEST(StationSimulator, JunkIsSkippedAndTheRequestAfterItAnswered) {
    simulator sim({"--verbose"});
    {
        // A flood of junk, then a connection that ends without a request.
        auto flood = connect_to(sim);
        flood->write(QByteArray(1 << 20, '\x7f'));
        flood->waitForBytesWritten(5000);
        flood->disconnectFromHost();
    }
    auto socket = connect_to(sim);
    socket->write(QByteArray("GET / HTTP/1.0\r\n\r\n\x01\x01\0\0", 22) + request);
    const auto r = read_frame(*socket);
    const auto a = parse_answer(r.bytes);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->trailing, 0u);
    EXPECT_TRUE(sim.running());
    EXPECT_FALSE(socket->waitForReadyRead(300)) << "one request, one answer";
}

TEST(StationSimulator, ServesSeveralClientsAtOnce) {
    simulator sim({"--delay-ms", "300"});
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 3; ++i)
        sockets.push_back(connect_to(sim));
    for (auto& s : sockets)
        s->write(request);
    QElapsedTimer clock;
    clock.start();
    for (auto& s : sockets)
        EXPECT_TRUE(parse_answer(read_frame(*s).bytes));
    // Delays overlap: three clients are served in about one delay, not three.
    EXPECT_LT(clock.elapsed(), 3 * 300 + 2000);
}

TEST(StationSimulator, VerboseReportsConnectionsAndRequests) {
    simulator sim({"--verbose"});
    auto socket = connect_to(sim);
    ASSERT_TRUE(ask(*socket));
    ASSERT_TRUE(ask(*socket));
    socket->disconnectFromHost();
    QString out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains("closed") && clock.elapsed() < 5000)
        out += sim.output();
    EXPECT_TRUE(out.contains(QRegularExpression(R"(connection 1 from 127\.0\.0\.1:\d+)"))) << out.toStdString();
    EXPECT_TRUE(out.contains("connection 1: request 1\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("connection 1: request 2\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("connection 1 closed")) << out.toStdString();
}

TEST(StationSimulator, BadOptionsExitWithCodeTwo) {
    const QStringList cases[] = {
        {"--bogus"},        {"--port", "x"},        {"--port", "70000"},           {"--port"},        {"--split", "0"},
        {"--gap-ms", "-1"}, {"--close-every", "0"}, {"--address", "no.such.host"}, {"--verbose=yes"},
    };
    for (const auto& args : cases) {
        QProcess p;
        p.start(STATION_SIMULATOR_PATH, args);
        ASSERT_TRUE(p.waitForFinished(5000)) << args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_FALSE(p.readAllStandardError().isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(StationSimulator, PortInUseIsAnErrorNotAHang) {
    simulator first({});
    ASSERT_NE(first.port(), 0);
    QProcess second;
    second.start(STATION_SIMULATOR_PATH, {"--port", QString::number(first.port())});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("cannot listen"));
}

TEST(StationSimulator, FaultOptionsShapeEveryAnswer) {
    struct {
        const char* option;
        std::function<void(const std::string& bytes, const parsed_answer& a)> check;
    } cases[] = {
        {"--capitals",
         [](const std::string&, const parsed_answer& a) {
             for (std::size_t i = 0; i < output_names.size(); ++i) {
                 EXPECT_NE(a.records[i].name, output_names[i]);
                 EXPECT_EQ(lib::to_lower_1251(a.records[i].name), output_names[i]);
             }
         }},
        {"--malformed",
         [](const std::string& bytes, const parsed_answer& a) {
             EXPECT_EQ(a.length, static_cast<std::int32_t>(bytes.size() - 5)); // complete, yet cut short inside
             EXPECT_GT(a.trailing, 0u);
         }},
        {"--never-complete",
         [](const std::string& bytes, const parsed_answer& a) {
             EXPECT_GT(a.length, static_cast<std::int32_t>(bytes.size() - 5));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        simulator sim({c.option});
        auto socket = connect_to(sim);
        for (int i = 0; i < 2; ++i) {
            socket->write(request);
            const auto r = read_frame(*socket, 1000);
            const auto a = parse_answer(r.bytes);
            ASSERT_TRUE(a);
            ASSERT_GE(a->records.size(), output_names.size());
            c.check(r.bytes, *a);
            EXPECT_FALSE(socket->waitForReadyRead(200)) << "one request, one answer";
        }
    }
}

TEST(StationSimulator, DropsAClientThatAsksWithoutReading) {
    simulator sim({});
    // A plain socket with a tiny receive window, so the answers pile up in the simulator as they
    // would for a client that never reads.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(sim.port());
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const qint64 asked = 2 << 20;
    const QByteArray requests = request.repeated(asked); // about 400 MB of answers if all were kept
    for (qsizetype sent = 0; sent < requests.size();) {
        const auto n = ::send(fd, requests.constData() + sent, requests.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // already dropped
        sent += n;
    }
    // Not reading lets the answers pile up until the simulator gives up on this client, however long a loaded
    // machine takes to get there: one more request every 50 ms fails once it has. Then read what it sent
    // before, up to its end.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000 && ::send(fd, request.constData(), request.size(), MSG_NOSIGNAL) > 0)
        QThread::msleep(50);
    int large = 8 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &large, sizeof large);
    timeval timeout{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    qint64 received = 0;
    bool ended = false;
    char buffer[1 << 16];
    const qint64 limit = asked * 200 / 10;
    while (received < limit) {
        const auto n = ::recv(fd, buffer, sizeof buffer, 0);
        ended = n == 0 || (n < 0 && errno == ECONNRESET);
        if (n <= 0)
            break;
        received += n;
    }
    ::close(fd);
    EXPECT_TRUE(ended) << "the simulator must close the connection";
    EXPECT_LT(received, limit);
    EXPECT_TRUE(sim.running());
    auto socket = connect_to(sim);
    EXPECT_TRUE(ask(*socket));
}
