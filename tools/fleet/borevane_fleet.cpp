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
#include <QDir>
#include <QSysInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

const char* const program = "borevane_fleet";
const char* const usage = "[--broker tcp://HOST:PORT|ssl://HOST:PORT] [--group ID] [--host-id ID] [--settings FILE]\n"
                          "       [--dump-every-ms N FILE]";

struct options {
    std::string broker = "tcp://127.0.0.1:1883";
    std::string group = "Borevane";
    std::string host_id;
    std::string settings;
    long dump_ms = 0;
    std::string dump_path;
};

std::optional<int> parse_options(int argc, char** argv, options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::optional<std::string> value =
            i + 1 < argc && arg != "--help" ? std::optional<std::string>(argv[i + 1]) : std::nullopt;
        bool ok = value && !value->empty();
        if (arg == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        } else if (arg == "--broker") {
            MqttLink::config probe;
            ok = ok && MqttLink::parse_broker(*value, probe);
            if (ok)
                o.broker = *value;
        } else if (arg == "--group" || arg == "--host-id") {
            ok = ok && sparkplug::valid_topic_id(*value);
            if (ok)
                (arg == "--group" ? o.group : o.host_id) = *value;
        } else if (arg == "--settings") {
            if (ok)
                o.settings = *value;
        } else if (arg == "--dump-every-ms") {
            const auto n = value ? lib::parse_number(*value, 10, 3600000) : std::nullopt;
            ok = n.has_value() && i + 2 < argc && argv[i + 2][0] != '\0';
            if (ok) {
                o.dump_ms = *n;
                o.dump_path = argv[++i + 1];
            }
        } else {
            return lib::usage_error(program, "unknown option " + arg, usage);
        }
        if (!ok)
            return lib::usage_error(program, arg + (value ? " does not take " + *value : " needs a value"), usage);
        ++i;
    }
    return std::nullopt;
}

void log_line(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int fail(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    return 1;
}

volatile std::sig_atomic_t stop_requested = 0;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
    if (o.dump_ms > 0) {
        QObject::connect(&dump, &QTimer::timeout, &window, [&] {
            const QByteArray text = fleet_dump_text(window, FleetClient::wall_ms()).toUtf8();
            os::replace_file_atomically_unsynced(o.dump_path, text.constData(), static_cast<std::size_t>(text.size()));
        });
        dump.start(static_cast<int>(o.dump_ms));
    }

    std::signal(SIGTERM, [](int) { stop_requested = 1; });
    std::signal(SIGINT, [](int) { stop_requested = 1; });
    QTimer stop_check;
    QObject::connect(&stop_check, &QTimer::timeout, &app, [] {
        if (stop_requested)
            QCoreApplication::quit();
    });
    stop_check.start(100);
    window.show();
    client.start();
    app.exec();
    client.stop();
    return 0;
}
