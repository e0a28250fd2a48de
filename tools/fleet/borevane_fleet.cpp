// The shore side: every rig of a Sparkplug group on one screen, as a Sparkplug host application subscribed to
// the broker, honest about each rig's state. With --host-id it is the group's primary host, so that edge nodes
// keep their readings while it is away.

#include "library/cli_args.h"
#include "os/atomic_file.h"
#include "os/user_dirs.h"
#include "tools/fleet/FleetDump.h"
#include "tools/fleet/FleetWindow.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <QApplication>
#include <QSysInfo>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const char* const program = "borevane_fleet";
const char* const usage = "[--broker tcp://HOST:PORT|ssl://HOST:PORT] [--group ID] [--host-id ID] [--settings FILE]\n"
                          "       [--dump FILE [--dump-every-ms N]]";

struct options {
    std::string broker = "tcp://127.0.0.1:1883";
    std::string group = "Borevane";
    std::string host_id;
    std::string settings;
    std::string dump_path; // what the window shows, rewritten every dump_ms, for tests and benchmarks
    long dump_ms = 1000;
};

std::optional<int> parse_options(int argc, char** argv, options& o) {
    return lib::parse_valued_options(argc, argv, program, usage, [&](const std::string& arg, const auto& value) {
        const bool given = value && !value->empty();
        if (arg == "--broker") {
            MqttLink::config probe;
            if (!given || !MqttLink::parse_broker(*value, probe))
                return lib::option_taken::bad_value;
            o.broker = *value;
        } else if (arg == "--group" || arg == "--host-id") {
            if (!given || !sparkplug::valid_topic_id(*value))
                return lib::option_taken::bad_value;
            (arg == "--group" ? o.group : o.host_id) = *value;
        } else if (arg == "--settings" || arg == "--dump") {
            if (!given)
                return lib::option_taken::bad_value;
            (arg == "--settings" ? o.settings : o.dump_path) = *value;
        } else if (arg == "--dump-every-ms") {
            const auto n = value ? lib::parse_number(*value, 10, 3600000) : std::nullopt;
            if (!n)
                return lib::option_taken::bad_value;
            o.dump_ms = *n;
        } else {
            return lib::option_taken::unknown;
        }
        return lib::option_taken::yes;
    });
}

void log_line(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int fail(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    // The options first, so that a mistake or --help needs no display.
    options o;
    if (const auto exit_code = parse_options(argc, argv, o))
        return *exit_code;

    const bool settings_given = !o.settings.empty();
    if (!settings_given && !os::user_config_home().empty())
        o.settings = os::user_config_home() + "/Kalvemark/borevane_fleet.ini";
    const auto loaded = o.settings.empty() ? sparkplug::mqtt_settings_result{sparkplug::mqtt_settings(), ""}
                                           : sparkplug::load_mqtt_settings(o.settings, settings_given);
    if (!loaded.settings)
        return fail("settings file " + loaded.error);
    const std::string client_id =
        "borevane-fleet-" + (o.host_id.empty() ? QSysInfo::machineHostName().toStdString() + "-" +
                                                     std::to_string(QCoreApplication::applicationPid())
                                               : o.host_id);
    std::string error;
    const auto link = MqttLink::configure(o.broker, *loaded.settings, client_id, error);
    if (!link)
        return fail(error);

    QApplication app(argc, argv);
    fleet::fleet_host host(o.group);
    FleetClient client(host, *link, o.host_id);
    client.on_log = log_line;
    TFleetWindow window(host, client, QString::fromStdString(o.broker));
    client.on_status = [&window] { window.Refresh(); };
    log_line("fleet view of group " + o.group + " at " + o.broker +
             (o.host_id.empty() ? std::string() : " as primary host " + o.host_id));

    // States of the rigs as they change, for whoever reads the log.
    std::vector<fleet::rig_state> logged;
    window.OnRefreshed = [&](std::int64_t) {
        logged.resize(host.size(), fleet::rig_state(255));
        for (std::size_t i = 0; i < host.size(); ++i)
            if (host.at(i).state != logged[i]) {
                logged[i] = host.at(i).state;
                log_line("rig " + host.at(i).node + "/" + host.at(i).device + ": " + fleet::state_name(logged[i]));
            }
    };
    QTimer dump;
    if (!o.dump_path.empty()) {
        QObject::connect(&dump, &QTimer::timeout, &window, [&] {
            const QByteArray text = fleet_dump_text(window, FleetClient::wall_ms()).toUtf8();
            os::replace_file_atomically_unsynced(o.dump_path, text.constData(), static_cast<std::size_t>(text.size()));
        });
        dump.start(static_cast<int>(o.dump_ms));
    }

    lib::catch_stop_signals();
    QTimer stop_check;
    QObject::connect(&stop_check, &QTimer::timeout, &app, [] {
        if (lib::stop_requested())
            QCoreApplication::quit();
    });
    stop_check.start(100);
    window.show();
    client.start();
    app.exec();
    client.stop();
    return 0;
}
