// The WITS feed's TCP server on real loopback sockets: every reading client gets every frame, one that
// stops reading is dropped without holding up the others, and the client limit holds.
#include "tests/support/qt_helpers.h"
#include "tools/wits/WitsServer.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A client that never reads, with the smallest receive buffer the system allows.
int lazy_client(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
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
    first.disconnectFromHost();
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() == 0; }));
    second.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(bv_test::wait_for([&] { return server.clients() == 1; }));
    server.send("&&\r\n!!\r\n");
    ASSERT_TRUE(bv_test::wait_for([&] { return second.bytesAvailable() == 8; }));
}

} // namespace
