// The MQTT connection against a real mosquitto, through a proxy that counts what the link sends: topics go whole
// once, then as aliases the broker resolves; a publish the broker refuses is no acknowledgement. And against a
// broker that speaks only MQTT 3.1.1: the link falls back to it.
#include "tests/support/mosquitto_broker.h"
#include "tools/sparkplug/MqttLink.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <string>
#include <vector>

using bv_test::wait_for;

namespace {

// Passes a connection through to `upstream`, counting the bytes the client sends.
struct counting_proxy {
    QTcpServer server;
    qint64 sent = 0;

    explicit counting_proxy(quint16 upstream) {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this, upstream] {
            QTcpSocket* client = server.nextPendingConnection();
            auto* broker = new QTcpSocket(client);
            broker->connectToHost(QHostAddress::LocalHost, upstream);
            broker->waitForConnected(2000);
            QObject::connect(client, &QTcpSocket::readyRead, [this, client, broker] {
                const QByteArray bytes = client->readAll();
                sent += bytes.size();
                broker->write(bytes);
            });
            QObject::connect(broker, &QTcpSocket::readyRead, [client, broker] { client->write(broker->readAll()); });
            QObject::connect(broker, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        });
    }
};

MqttLink::config at(quint16 port, const char* client_id) {
    MqttLink::config c;
    c.port = port;
    c.client_id = client_id;
    return c;
}

} // namespace

TEST(MqttLink, TopicsGoOnceThenAsAliasesAndARefusedPublishIsNoAcknowledgement) {
    bv_test::mosquitto_broker broker("topic readwrite open/#\n");
    ASSERT_TRUE(broker.ready()) << broker.log();
    counting_proxy proxy(broker.port());

    MqttLink listener(at(broker.port(), "listener"));
    std::vector<std::string> heard;
    listener.on_connected = [&] { listener.subscribe("open/#", 0); };
    listener.on_message = [&](const std::string& topic, const std::string&) { heard.push_back(topic); };
    listener.open("", "");
    MqttLink link(at(proxy.server.serverPort(), "edge"));
    std::vector<int> acknowledged;
    std::string lost;
    link.on_acknowledged = [&](int mid) { acknowledged.push_back(mid); };
    link.on_lost = [&](const std::string& why) { lost = why; };
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return link.connected() && listener.connected(); }, 5000)) << lost;
    EXPECT_EQ(link.protocol(), 5);
    bv_test::pump(300); // the subscription is in place

    const std::string a = "open/" + std::string(40, 'a'), b = "open/" + std::string(40, 'b');
    const std::string payload(60, 'x');
    ASSERT_GE(link.publish(a, payload, 0), 0);
    ASSERT_GE(link.publish(b, payload, 0), 0);
    ASSERT_TRUE(wait_for([&] { return heard.size() == 2; }, 3000));
    const qint64 before = proxy.sent;
    std::vector<std::string> order = {a, b};
    for (int i = 0; i < 10; ++i) {
        order.push_back(i % 3 ? a : b);
        ASSERT_GE(link.publish(order.back(), payload, 0), 0);
    }
    ASSERT_TRUE(wait_for([&] { return heard.size() == order.size(); }, 3000));
    EXPECT_EQ(heard, order) << "each alias stands for its own topic";
    const double each = double(proxy.sent - before) / 10;
    std::printf("a %zu-byte payload on a %zu-character topic: %.1f bytes sent after the first\n", payload.size(),
                a.size(), each);
    EXPECT_LE(each, double(payload.size()) + 8) << "the topic went again";

    // More topics than the broker has room for (mosquitto's default: 10): the rest go whole, every time.
    heard.clear();
    order.clear();
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 12; ++i) {
            order.push_back("open/topic" + std::to_string(i));
            ASSERT_GE(link.publish(order.back(), payload, 0), 0);
        }
    ASSERT_TRUE(wait_for([&] { return heard.size() == order.size(); }, 3000)) << heard.size() << " " << lost;
    EXPECT_EQ(heard, order);

    // (The library reports QoS 0 messages as done when sent: the caller knows which ids it waits for.)
    auto was_acknowledged = [&](int mid) {
        return std::find(acknowledged.begin(), acknowledged.end(), mid) != acknowledged.end();
    };
    const int kept = link.publish("open/kept", "p", 1);
    ASSERT_TRUE(wait_for([&] { return was_acknowledged(kept); }, 3000));
    const int refused = link.publish("closed/x", "p", 1);
    ASSERT_GE(refused, 0);
    ASSERT_TRUE(wait_for([&] { return !lost.empty(); }, 3000)) << "a refusal went unnoticed";
    EXPECT_NE(lost.find("refused a message"), std::string::npos) << lost;
    EXPECT_FALSE(was_acknowledged(refused));
}

TEST(MqttLink, ABrokerOfMqtt311OnlyIsSpokenToInItFromTheNextAttempt) {
    // Answers a CONNECT as a 3.1.1 broker does: protocol level 5 refused (return code 1), level 4 accepted.
    QTcpServer broker;
    ASSERT_TRUE(broker.listen(QHostAddress::LocalHost, 0));
    std::vector<int> levels;
    QObject::connect(&broker, &QTcpServer::newConnection, [&] {
        QTcpSocket* client = broker.nextPendingConnection();
        QObject::connect(client, &QTcpSocket::readyRead, [&levels, client] {
            const QByteArray connect = client->readAll();
            // Fixed header, a one-byte remaining length, the protocol name "MQTT" with its length, the level.
            ASSERT_GT(connect.size(), 8);
            const int level = connect[8];
            levels.push_back(level);
            client->write(QByteArray::fromHex(level == 4 ? "20020000" : "20020001"));
            if (level != 4)
                client->disconnectFromHost();
        });
    });
    MqttLink link(at(broker.serverPort(), "edge"));
    std::string lost;
    link.on_lost = [&](const std::string& why) { lost = why; };
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return !lost.empty(); }, 5000));
    EXPECT_NE(lost.find("does not speak MQTT 5"), std::string::npos) << lost;
    EXPECT_EQ(link.protocol(), 4);
    lost.clear();
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return link.connected(); }, 5000)) << lost;
    EXPECT_EQ(levels, (std::vector<int>{5, 4}));
    EXPECT_GE(link.publish("any/topic", "p", 0), 0) << "a plain publish, without a topic alias";
}
