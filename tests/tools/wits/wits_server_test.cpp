// The WITS feed's TCP server on real loopback sockets: every reading client gets every frame, one that
// stops reading is dropped without holding up the others, and the client limit holds.
#include "tests/support/qt_helpers.h"
#include "tools/wits/WitsServer.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A client that never reads, with the smallest receive buffer the system allows.
int lazy_client(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int small = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    return fd;
}

TEST(WitsServer, StalledClientIsDroppedAndTheOthersGetEveryFrame) {
    WitsServer server(2048, 10);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket a, b;
    QByteArray got_a, got_b;
    QObject::connect(&a, &QTcpSocket::readyRead, [&] { got_a += a.readAll(); });
    QObject::connect(&b, &QTcpSocket::readyRead, [&] { got_b += b.readAll(); });
    a.connectToHost(QHostAddress::LocalHost, server.port());
    b.connectToHost(QHostAddress::LocalHost, server.port());
    const int lazy = lazy_client(server.port());
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() == 3; }));

    // One client also floods the one-way feed with input, which is read and thrown away.
    const QByteArray junk(256 * 1024, 'x');
    a.write(junk);
    QByteArray sent;
    for (int i = 0; i < 400; ++i) {
        const QByteArray frame = "&&\r\n0110" + QByteArray::number(i) + ".00\r\n" + QByteArray(150, '9') + "\r\n!!\r\n";
        server.send(frame);
        sent += frame;
        bv_test::pump(2);
    }
    ASSERT_TRUE(bv_test::wait_for([&] { return got_a.size() == sent.size() && got_b.size() == sent.size(); }))
        << got_a.size() << " and " << got_b.size() << " of " << sent.size();
    EXPECT_EQ(got_a, sent);
    EXPECT_EQ(got_b, sent);
    EXPECT_EQ(server.dropped(), 1);
    EXPECT_EQ(server.clients(), 2);
    // The stalled client got well under all of it, then the end of the connection.
    char buffer[4096];
    qint64 drained = 0, n = 0;
    while ((n = ::read(lazy, buffer, sizeof buffer)) > 0)
        drained += n;
    EXPECT_LT(drained, sent.size() / 4);
    ::close(lazy);
}

TEST(WitsServer, ClientsBeyondTheLimitAreRefusedAndLeavingFreesAPlace) {
    WitsServer server(WitsServer::default_queue_limit, 1);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket first, second;
    first.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() == 1; }));
    second.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(bv_test::wait_for([&] { return second.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server.refused(), 1);
    // The end of a client's input may be the end of its sending side only: the next frames tell it left.
    first.disconnectFromHost();
    ASSERT_TRUE(bv_test::wait_for([&] {
        server.send("&&\r\n!!\r\n");
        return server.clients() == 0;
    }));
    second.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() == 1; }));
    server.send("&&\r\n!!\r\n");
    ASSERT_TRUE(bv_test::wait_for([&] { return second.bytesAvailable() == 8; }));
}

// A client of the listener on every address: one that only ends its input (a logger started with its input
// closed) keeps getting frames; one that resets before it is accepted is logged truthfully; the log says the
// listener takes IPv6 as well.
TEST(WitsServer, ClientThatEndsItsInputStillGetsFramesAndEveryClientIsNamedTruly) {
    WitsServer server(WitsServer::default_queue_limit, 10);
    std::vector<std::string> lines;
    server.on_log = [&](const std::string& line) { lines.push_back(line); };
    ASSERT_TRUE(server.listen(QHostAddress::Any, 0));
    EXPECT_EQ(server.listening_on(), "*:" + std::to_string(server.port()) + " (every IPv4 and IPv6 address)");

    const int reset = lazy_client(server.port());
    const linger at_once{1, 0};
    ::setsockopt(reset, SOL_SOCKET, SO_LINGER, &at_once, sizeof at_once);
    ::close(reset);
    const int one_way = lazy_client(server.port());
    ASSERT_EQ(::shutdown(one_way, SHUT_WR), 0);
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() >= 1; }));
    bv_test::pump(50);
    ASSERT_EQ(server.clients(), 1);
    for (int i = 0; i < 3; ++i) {
        server.send("&&\r\n!!\r\n");
        bv_test::pump(20);
    }
    EXPECT_EQ(server.clients(), 1);
    char buffer[64] = {};
    std::size_t got = 0;
    ASSERT_TRUE(bv_test::wait_for([&] {
        const ssize_t n = ::recv(one_way, buffer + got, sizeof buffer - got, MSG_DONTWAIT);
        got += n > 0 ? static_cast<std::size_t>(n) : 0;
        return got >= 24;
    })) << got;
    EXPECT_EQ(std::string(buffer, got), "&&\r\n!!\r\n&&\r\n!!\r\n&&\r\n!!\r\n");
    // With nothing left to send the server waits without spinning.
    const auto cpu = [] {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
    };
    const double cpu_before = cpu();
    bv_test::pump(300);
    EXPECT_LT(cpu() - cpu_before, 30.0) << "ms of CPU in 300 ms of waiting";

    // Closed whole now: its next frames fail and it is gone.
    ::close(one_way);
    for (int i = 0; i < 3 && server.clients() > 0; ++i) {
        server.send("&&\r\n!!\r\n");
        bv_test::pump(50);
    }
    EXPECT_EQ(server.clients(), 0);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(" left, 0 left"), std::string::npos) << lines.back();
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("client :"), std::string::npos) << line;
        EXPECT_TRUE(line.find("client 127.0.0.1:") == 0 || line.find("client (gone before") == 0) << line;
    }
}

} // namespace
