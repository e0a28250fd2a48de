// The MQTT connection against a real mosquitto, and against a broker that speaks only MQTT 3.1.1.
#include "tests/support/mosquitto_broker.h"
#include "tools/sparkplug/MqttLink.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

using bv_test::wait_for;

namespace {

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
    // A proxy counting what the link sends.
    QTcpServer proxy;
    qint64 sent = 0;
    proxy.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&proxy, &QTcpServer::newConnection, [&] {
        QTcpSocket* client = proxy.nextPendingConnection();
        auto* upstream = new QTcpSocket(client);
        upstream->connectToHost(QHostAddress::LocalHost, broker.port());
        upstream->waitForConnected(2000);
        QObject::connect(client, &QTcpSocket::readyRead, [&, client, upstream] {
            const QByteArray bytes = client->readAll();
            sent += bytes.size();
            upstream->write(bytes);
        });
        QObject::connect(upstream, &QTcpSocket::readyRead, [=] { client->write(upstream->readAll()); });
    });
    MqttLink listener(at(broker.port(), "listener")), link(at(proxy.serverPort(), "edge"));
    std::vector<std::string> heard;
    listener.on_connected = [&] { listener.subscribe("open/#", 0); };
    listener.on_message = [&](const std::string& topic, const std::string&) { heard.push_back(topic); };
    std::vector<int> acknowledged; // the library reports QoS 0 messages as done when sent, too
    std::string lost;
    link.on_acknowledged = [&](int mid) { acknowledged.push_back(mid); };
    link.on_lost = [&](const std::string& why) { lost = why; };
    listener.open("", "");
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return link.connected() && listener.connected(); }, 5000)) << lost;
    EXPECT_EQ(link.protocol(), 5);
    bv_test::pump(300); // the subscription is in place

    // Two long topics, then ten more messages on them: the topics do not go again. Then more topics than the
    // broker has aliases for (mosquitto: 10), twice: the rest go whole. Each arrives under its own name.
    const std::string a = "open/" + std::string(40, 'a'), b = "open/" + std::string(40, 'b'), payload(60, 'x');
    std::vector<std::string> order = {a, b};
    for (const auto& topic : order)
        link.publish(topic, payload, 0);
    ASSERT_TRUE(wait_for([&] { return heard.size() == 2; }, 3000));
    const qint64 before = sent;
    for (int i = 0; i < 10; ++i)
        link.publish(order.emplace_back(i % 3 ? a : b), payload, 0);
    ASSERT_TRUE(wait_for([&] { return heard.size() == order.size(); }, 3000));
    EXPECT_LE(double(sent - before) / 10, double(payload.size()) + 8) << "the topic went again";
    for (int i = 0; i < 24; ++i)
        link.publish(order.emplace_back("open/topic" + std::to_string(i % 12)), payload, 0);
    ASSERT_TRUE(wait_for([&] { return heard.size() == order.size(); }, 3000)) << heard.size() << " " << lost;
    EXPECT_EQ(heard, order);

    auto was_acknowledged = [&](int mid) { return std::count(acknowledged.begin(), acknowledged.end(), mid) > 0; };
    const int kept = link.publish("open/kept", "p", 1);
    ASSERT_TRUE(wait_for([&] { return was_acknowledged(kept); }, 3000));
    const int refused = link.publish("closed/x", "p", 1);
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
            // Fixed header, a one-byte remaining length, the protocol name "MQTT" with its length, the level.
            const int level = client->readAll().at(8);
            levels.push_back(level);
            client->write(QByteArray::fromHex(level == 4 ? "20020000" : "20020001"));
        });
    });
    MqttLink link(at(broker.serverPort(), "edge"));
    std::string lost;
    link.on_lost = [&](const std::string& why) { lost = why; };
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return !lost.empty(); }, 5000));
    EXPECT_NE(lost.find("does not speak MQTT 5"), std::string::npos) << lost;
    lost.clear();
    link.open("", "");
    ASSERT_TRUE(wait_for([&] { return link.connected(); }, 5000)) << lost;
    EXPECT_EQ(levels, (std::vector<int>{5, 4}));
    EXPECT_GE(link.publish("any/topic", "p", 0), 0) << "a plain publish, without a topic alias";
}
