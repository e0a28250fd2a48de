// Many simulated rigs as Sparkplug edge nodes in one process, each with its own MQTT connection, for the fleet
// view's tests, benchmarks and demo: plausible drilling values, and on request outages with a backlog and
// rebirths.

#include "library/cli_args.h"
#include "tools/fleet_simulator/SimulatedNode.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

const char* const program = "borevane_fleet_simulator";
const char* const usage = "[--broker tcp://HOST:PORT] [--group ID] [--nodes N] [--interval-ms N] [--prefix NAME]\n"
                          "       [--outage-every S --outage-for S] [--rebirth-every S]";

struct options {
    std::string broker = "tcp://127.0.0.1:1883";
    std::string group = "Borevane", prefix = "rig";
    long nodes = 20, interval_ms = 1000, outage_every = 0, outage_for = 0, rebirth_every = 0;
};

std::optional<int> parse_options(int argc, char** argv, options& o) {
    const auto exit_code =
        lib::parse_valued_options(argc, argv, program, usage, [&](const std::string& arg, const auto& value) {
            auto number = [&](long& into, long min, long max) {
                const auto n = value ? lib::parse_number(*value, min, max) : std::nullopt;
                if (n)
                    into = *n;
                return n.has_value();
            };
            bool ok = false;
            if (arg == "--broker") {
                MqttLink::config probe;
                ok = value && MqttLink::parse_broker(*value, probe);
                if (ok)
                    o.broker = *value;
            } else if (arg == "--group" || arg == "--prefix") {
                ok = value && sparkplug::valid_topic_id(*value);
                if (ok)
                    (arg == "--group" ? o.group : o.prefix) = *value;
            } else if (arg == "--nodes") {
                ok = number(o.nodes, 1, 5000);
            } else if (arg == "--interval-ms") {
                ok = number(o.interval_ms, 10, 3600000);
            } else if (arg == "--outage-every") {
                ok = number(o.outage_every, 1, 86400 * 7);
            } else if (arg == "--outage-for") {
                ok = number(o.outage_for, 1, 86400);
            } else if (arg == "--rebirth-every") {
                ok = number(o.rebirth_every, 1, 86400 * 7);
            } else {
                return lib::option_taken::unknown;
            }
            return ok ? lib::option_taken::yes : lib::option_taken::bad_value;
        });
    if (exit_code)
        return exit_code;
    if ((o.outage_every > 0) != (o.outage_for > 0))
        return lib::usage_error(program, "--outage-every and --outage-for go together", usage);
    return std::nullopt;
}

// rig001, rig002, ...: at least three digits, so that names sort in their order.
std::string node_name(const std::string& prefix, long i, long count) {
    const int width = std::max<int>(3, static_cast<int>(std::to_string(count).size()));
    std::string digits = std::to_string(i);
    return prefix + std::string(static_cast<std::size_t>(std::max<int>(0, width - int(digits.size()))), '0') + digits;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    options o;
    if (const auto exit_code = parse_options(argc, argv, o))
        return *exit_code;
    MqttLink::config link;
    MqttLink::parse_broker(o.broker, link);

    std::vector<std::unique_ptr<SimulatedNode>> nodes;
    for (long i = 1; i <= o.nodes; ++i) {
        SimulatedNode::plan p;
        p.group = o.group;
        p.node = node_name(o.prefix, i, o.nodes);
        p.outage_every_s = static_cast<int>(o.outage_every);
        p.outage_for_s = static_cast<int>(o.outage_for);
        p.rebirth_every_s = static_cast<int>(o.rebirth_every);
        p.seed = static_cast<unsigned>(i);
        MqttLink::config c = link;
        c.client_id = "borevane-sim-" + o.group + "-" + p.node;
        nodes.push_back(std::make_unique<SimulatedNode>(p, c));
    }
    std::fprintf(stderr, "%s: %ld nodes %s001.. in group %s on %s, a reading every %ld ms\n", program, o.nodes,
                 o.prefix.c_str(), o.group.c_str(), o.broker.c_str(), o.interval_ms);

    // One clock for all: each node has its own phase within the interval, so the readings spread evenly.
    const std::int64_t start = QDateTime::currentMSecsSinceEpoch();
    std::vector<std::int64_t> due(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        due[i] = start + o.interval_ms * static_cast<std::int64_t>(i) / static_cast<std::int64_t>(nodes.size());
        nodes[i]->start(start);
    }
    QTimer clock;
    clock.setInterval(static_cast<int>(std::clamp<long>(o.interval_ms / 20, 5, 50)));
    QObject::connect(&clock, &QTimer::timeout, &app, [&] {
        if (lib::stop_requested()) {
            QCoreApplication::quit();
            return;
        }
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (now < due[i])
                continue;
            // After a stall, one reading, not a burst of catching up.
            due[i] = std::max(due[i] + o.interval_ms, now + 1);
            nodes[i]->tick(now, o.interval_ms / 1000.0);
        }
    });
    clock.start();
    lib::catch_stop_signals();
    app.exec();

    SimulatedNode::counts sum;
    for (auto& n : nodes) {
        n->stop();
        const auto& t = n->totals();
        sum.readings += t.readings;
        sum.live_sent += t.live_sent;
        sum.historical_sent += t.historical_sent;
        sum.births += t.births;
        sum.connections += t.connections;
        sum.outages += t.outages;
    }
    std::fprintf(stderr,
                 "%s: stopped: %llu readings, %llu sent live, %llu sent as historical, %llu births, %llu connections, "
                 "%llu outages\n",
                 program, (unsigned long long)sum.readings, (unsigned long long)sum.live_sent,
                 (unsigned long long)sum.historical_sent, (unsigned long long)sum.births,
                 (unsigned long long)sum.connections, (unsigned long long)sum.outages);
    return 0;
}
