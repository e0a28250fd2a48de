// The fleet simulator through a real mosquitto to the shore host's rules: a host that comes late gets every rig
// born by asking, and rigs whose links are cut come back through births and a backlog that fills their history.
#include "tests/support/mosquitto_broker.h"
#include "tools/fleet/fleet_host.h"
#include "tools/sparkplug/MqttLink.h"

#include <QDateTime>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

using namespace fleet;

namespace {

QProcess* simulator(QObject* parent, const bv_test::mosquitto_broker& broker, const QString& group, QStringList more) {
    auto* p = new QProcess(parent);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(BV_FLEET_SIMULATOR,
             QStringList{"--broker", QString::fromStdString(broker.url()), "--group", group, "--interval-ms", "250"} +
                 more);
    return p;
}

} // namespace

TEST(FleetSimulator, RigsThroughARealBrokerKeepTheHostRules) {
    bv_test::mosquitto_broker broker;
    ASSERT_TRUE(broker.ready()) << broker.log();
    QObject owner;
    simulator(&owner, broker, "Late", {"--nodes", "3"});
    simulator(&owner, broker, "Borevane", {"--nodes", "4", "--outage-every", "5", "--outage-for", "4"});
    bv_test::pump(1500); // the rigs are born before the host is there

    fleet_host late("Late"), host("Borevane");
    std::map<std::string, std::vector<rig_state>> seen; // each rig's states in turn
    auto note = [&] {
        for (std::size_t i = 0; i < host.size(); ++i) {
            auto& states = seen[host.at(i).node];
            if (states.empty() || states.back() != host.at(i).state)
                states.push_back(host.at(i).state);
        }
    };
    MqttLink::config c;
    c.port = broker.port();
    c.client_id = "fleet-host-test";
    MqttLink link(c);
    link.on_connected = [&] { link.subscribe("spBv1.0/#", 0); };
    link.on_message = [&](const std::string& topic, const std::string& payload) {
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        for (fleet_host* h : {&late, &host}) {
            h->message(topic, payload, now);
            for (const auto& command : h->take_outgoing())
                link.publish(command.topic, command.payload, 0);
        }
        note();
    };
    link.open("fleet-host-test/gone", "");
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        late.tick(now);
        host.tick(now);
        note();
    });
    clock.start(100);

    ASSERT_TRUE(bv_test::wait_for(
        [&] {
            if (late.size() != 3)
                return false;
            for (std::size_t i = 0; i < 3; ++i)
                if (late.at(i).state != rig_state::live)
                    return false;
            return true;
        },
        4000));
    EXPECT_EQ(late.totals().rebirths, 3u); // once each, no storm
    for (std::size_t i = 0; i < 3; ++i) {
        const rig& r = late.at(i);
        EXPECT_EQ(r.units[0], "м");
        ASSERT_TRUE(r.values[0] && r.values[1]);
        EXPECT_LE(*r.values[1], *r.values[0]);
    }

    // Every rig of the other group loses its link within 5 s and is back 4 s later with its backlog (a rig cut
    // off when the host came is born on its return, and goes through it once more).
    const bool cycled = bv_test::wait_for(
        [&] {
            for (const auto& [node, states] : seen) {
                const auto off = std::find(states.begin(), states.end(), rig_state::offline);
                const auto back = std::find(off, states.end(), rig_state::catching_up);
                if (std::find(back, states.end(), rig_state::live) == states.end())
                    return false;
            }
            return seen.size() == 4;
        },
        20000);
    for (const auto& [node, states] : seen) {
        std::string line;
        for (rig_state s : states)
            line += std::string(state_name(s)) + " ";
        EXPECT_TRUE(cycled) << node << ": " << line;
    }
    EXPECT_LE(host.totals().rebirths, 4u); // only when the host came: every later session began with births
    EXPECT_EQ(host.totals().duplicates, 0u);
    EXPECT_GT(host.totals().historical, 4u * 10);
    for (std::size_t i = 0; i < host.size(); ++i) {
        const auto& h = host.at(i).history;
        ASSERT_GT(h.size(), 30u);
        for (std::size_t s = 1; s < h.size(); ++s)
            ASSERT_TRUE(h.joined(s, 0)) << host.at(i).node << " sample " << s << " of " << h.size();
    }
    for (auto* p : owner.findChildren<QProcess*>()) {
        p->terminate();
        EXPECT_TRUE(p->waitForFinished(5000));
    }
}
