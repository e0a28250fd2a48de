// A WITS Level 0 feed of the depth module's six values for the other systems on the rig: once a second it
// reads Borevane.bin as the downhole telemetry system does (the named lock, the install location, the
// 24-byte layout) and sends one frame of record 01 items to every client of its TCP server and, when
// asked, to a serial line. A file that is not fresh sends nothing rather than old values.

#include "library/cli_args.h"
#include "tools/wits/WitsBridge.h"
#include "tools/wits/WitsSerial.h"
#include "tools/wits/WitsServer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

const char* const program = "borevane_wits";
const char* const usage = "[--path FILE] [--listen ADDRESS:PORT] [--serial DEVICE [--baud N]] [--settings FILE]\n"
                          "       [--client-queue BYTES] [--max-clients N] [--interval-ms N]";
constexpr quint16 default_port = 5010;

struct options {
    std::string path;
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = default_port;
    QString serial;
    long baud = 9600;
    std::string settings;
    long client_queue = WitsServer::default_queue_limit;
    long max_clients = WitsServer::default_max_clients;
    long interval_ms = 1000;
};

// "ADDRESS:PORT", "[IPv6]:PORT" or ":PORT"; "localhost" is the loopback address, "*" every address.
bool parse_listen(const std::string& text, options& o) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    const auto port = lib::parse_number(text.substr(colon + 1), 1, 65535);
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (!port)
        return false;
    o.port = static_cast<quint16>(*port);
    if (host.empty() || host == "localhost")
        o.address = QHostAddress(QHostAddress::LocalHost);
    else if (host == "*")
        o.address = QHostAddress(QHostAddress::Any);
    else if (!o.address.setAddress(QString::fromStdString(host)))
        return false;
    return true;
}

std::optional<int> parse_options(int argc, char** argv, options& o) {
    return lib::parse_valued_options(argc, argv, program, usage, [&](const std::string& arg, const auto& value) {
        auto number = [&](long min, long max, long& into) {
            const auto n = value ? lib::parse_number(*value, min, max) : std::nullopt;
            if (n)
                into = *n;
            return n.has_value();
        };
        const bool given = value && !value->empty();
        bool ok = true;
        if (arg == "--path" || arg == "--settings") {
            if ((ok = given))
                (arg == "--path" ? o.path : o.settings) = *value;
        } else if (arg == "--serial") {
            if ((ok = given))
                o.serial = QString::fromStdString(*value);
        } else if (arg == "--listen") {
            ok = value && parse_listen(*value, o);
        } else if (arg == "--baud") {
            ok = number(50, 4000000, o.baud);
        } else if (arg == "--client-queue") {
            ok = number(512, 64 << 20, o.client_queue);
        } else if (arg == "--max-clients") {
            ok = number(1, 100000, o.max_clients);
        } else if (arg == "--interval-ms") {
            ok = number(10, 3600000, o.interval_ms);
        } else {
            return lib::option_taken::unknown;
        }
        return ok ? lib::option_taken::yes : lib::option_taken::bad_value;
    });
}

void log_line(const std::string& line) {
    lib::log_line(program, line);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    options o;
    if (const auto exit_code = parse_options(argc, argv, o))
        return *exit_code;

    const bool settings_given = !o.settings.empty();
    const std::string settings_path = settings_given ? o.settings : tools::default_wits_settings_path();
    auto loaded = settings_path.empty() ? tools::settings_result{tools::wits_settings(), ""}
                                        : tools::load_wits_settings(settings_path, settings_given);
    if (!loaded.settings) {
        log_line("settings file " + loaded.error);
        return 1;
    }
    std::string error;
    const auto path = output_file_path(o.path, error);
    if (!path) {
        std::fprintf(stderr, "%s: %s; use --path\n", program, error.c_str());
        return 1;
    }

    WitsServer server(o.client_queue, static_cast<int>(o.max_clients));
    server.on_log = log_line;
    if (!server.listen(o.address, o.port)) {
        std::fprintf(stderr, "%s: cannot listen on %s:%u: %s\n", program, o.address.toString().toUtf8().constData(),
                     o.port, server.error().toUtf8().constData());
        return 1;
    }
    std::unique_ptr<WitsSerial> serial;
    if (!o.serial.isEmpty()) {
        serial = std::make_unique<WitsSerial>(o.serial, static_cast<qint32>(o.baud));
        serial->on_log = log_line;
        if (!serial->open()) {
            std::fprintf(stderr, "%s: cannot open serial port %s: %s\n", program, o.serial.toUtf8().constData(),
                         serial->error().toUtf8().constData());
            return 1;
        }
    }

    WitsBridge bridge(*path, *loaded.settings, &server, serial.get(), static_cast<int>(o.interval_ms));
    bridge.on_log = log_line;
    log_line("reading " + *path + ", listening on " + server.listening_on() +
             (serial ? ", writing to " + o.serial.toStdString() : ""));

    // SIGTERM (systemd's stop) and SIGINT end the feed with a summary.
    lib::catch_stop_signals();
    QTimer stop_check;
    QObject::connect(&stop_check, &QTimer::timeout, &app, [] {
        if (lib::stop_requested())
            QCoreApplication::quit();
    });
    stop_check.start(100);
    bridge.start();
    app.exec();

    const auto& feed = bridge.feed();
    std::string summary = "stopped: " + std::to_string(feed.frames()) + " frames; seconds without a frame:";
    for (std::size_t s = 1; s < tools::feed_state_count; ++s) {
        const auto state = static_cast<tools::feed_state>(s);
        summary += std::string(" ") + tools::feed_state_name(state) + " " + std::to_string(feed.seconds_in(state));
    }
    log_line(summary + "; clients dropped " + std::to_string(server.dropped()) + ", refused " +
             std::to_string(server.refused()));
    return 0;
}
