// The depth module's six values for shore, as a Sparkplug B edge node over MQTT: every rewrite of Borevane.bin
// is journalled in a local queue and published once, live while the broker can be reached and as history after
// an outage, so that a dropped satellite link loses no reading and never shows an old one as live.

#include "library/cli_args.h"
#include "os/user_dirs.h"
#include "tools/sparkplug/SparkplugNode.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const char* const program = "borevane_sparkplug";
const char* const usage = "[--broker tcp://HOST:PORT|ssl://HOST:PORT] [--group ID] [--node ID] [--device ID]\n"
                          "       [--path FILE] [--queue FILE] [--settings FILE] [--interval-ms N]";

struct options {
    std::string broker = "tcp://127.0.0.1:1883";
    SparkplugNode::identity id;
    std::string path, queue, settings;
    long interval_ms = 1000;
};

std::optional<int> parse_options(int argc, char** argv, options& o) {
    return lib::parse_valued_options(argc, argv, program, usage, [&](const std::string& arg, const auto& value) {
        const bool given = value && !value->empty();
        if (arg == "--broker") {
            MqttLink::config probe;
            if (!given || !MqttLink::parse_broker(*value, probe))
                return lib::option_taken::bad_value;
            o.broker = *value;
        } else if (arg == "--group" || arg == "--node" || arg == "--device") {
            if (!given || !sparkplug::valid_topic_id(*value))
                return lib::option_taken::bad_value;
            (arg == "--group" ? o.id.group : arg == "--node" ? o.id.node : o.id.device) = *value;
        } else if (arg == "--path" || arg == "--queue" || arg == "--settings") {
            if (!given)
                return lib::option_taken::bad_value;
            (arg == "--path" ? o.path : arg == "--queue" ? o.queue : o.settings) = *value;
        } else if (arg == "--interval-ms") {
            const auto n = value ? lib::parse_number(*value, 10, 3600000) : std::nullopt;
            if (!n)
                return lib::option_taken::bad_value;
            o.interval_ms = *n;
        } else {
            return lib::option_taken::unknown;
        }
        return lib::option_taken::yes;
    });
}

void log_line(const std::string& line) {
    lib::log_line(program, line);
}

int fail(const std::string& line) {
    log_line(line);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    options o;
    if (const auto exit_code = parse_options(argc, argv, o))
        return *exit_code;
    if (o.id.node.empty())
        o.id.node = QSysInfo::machineHostName().toStdString();
    if (!sparkplug::valid_topic_id(o.id.node))
        return fail("the host name \"" + o.id.node + "\" cannot be a node id; use --node");

    const bool settings_given = !o.settings.empty();
    const std::string settings_path = settings_given ? o.settings : sparkplug::default_edge_settings_path();
    auto loaded = settings_path.empty() ? sparkplug::edge_settings_result{sparkplug::edge_settings(), ""}
                                        : sparkplug::load_edge_settings(settings_path, settings_given);
    if (!loaded.settings)
        return fail("settings file " + loaded.error);
    const sparkplug::edge_settings& settings = *loaded.settings;

    std::string error;
    const auto link = MqttLink::configure(o.broker, settings.mqtt, "borevane-" + o.id.group + "-" + o.id.node, error);
    if (!link)
        return fail(error);

    const auto path = output_file_path(o.path, error);
    if (!path)
        return fail(error + "; use --path");
    if (o.queue.empty()) {
        const std::string data = os::user_data_home();
        if (data.empty())
            return fail("no data directory for the queue; use --queue");
        o.queue = data + "/Kalvemark/borevane_sparkplug.db";
        QDir().mkpath(QString::fromStdString(data + "/Kalvemark"));
    }
    sparkplug::reading_queue queue(o.queue, settings.queue.max_days);
    if (!queue.error().empty())
        return fail("queue " + queue.error());
    queue.on_log = log_line;

    SparkplugNode node(o.id, *path, settings, *link, queue, static_cast<int>(o.interval_ms));
    node.on_log = log_line;
    log_line("reading " + *path + ", publishing to " + o.broker + " as " + o.id.group + "/" + o.id.node + "/" +
             o.id.device + ", queue " + o.queue + " (" + std::to_string(queue.count()) + " waiting)");

    lib::catch_stop_signals();
    QTimer stop_check;
    QObject::connect(&stop_check, &QTimer::timeout, &app, [] {
        if (lib::stop_requested())
            QCoreApplication::quit();
    });
    stop_check.start(100);
    node.start();
    app.exec();
    node.stop();

    const auto& t = node.totals();
    log_line("stopped: " + std::to_string(t.readings) + " readings, " + std::to_string(t.live_sent) + " sent live, " +
             std::to_string(t.historical_sent) + " sent from the queue, " + std::to_string(t.acknowledged) +
             " acknowledged, " + std::to_string(queue.count()) + " queued, " + std::to_string(queue.dropped()) +
             " dropped beyond max_days");
    return 0;
}
