// A stand-in for the mud-logging station's recording program: a TCP server that answers each
// request with the current drilling values, and can be told to misbehave in the ways a real
// station or network might, so the acquisition side can be driven through its failure paths.

#include "library/cli_args.h"
#include "tools/simulator/station_answer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const program = "station_simulator";
const char* const usage = "[--address A] [--port N] [--capitals] [--split N] [--gap-ms M] [--delay-ms M] "
                          "[--close-every N] [--malformed] [--never-complete] [--verbose]";

constexpr qint64 max_unsent_bytes = 4 << 20;

struct settings {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8001;
    tools::answer_faults faults;
    int split = 1;
    int gap_ms = 0;
    int delay_ms = 0;
    long close_every = 0;
    bool verbose = false;
};

// Returns an exit code when the program should stop at once (bad usage, help).
std::optional<int> parse_settings(int argc, char** argv, settings& s) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inline_value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            inline_value = arg.substr(eq + 1);
            arg.erase(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inline_value)
                return inline_value;
            if (i + 1 < argc)
                return std::string(argv[++i]);
            return std::nullopt;
        };
        auto number = [&](long min, long max) -> std::optional<long> {
            const auto text = value();
            return text ? lib::parse_number(*text, min, max) : std::nullopt;
        };
        const bool is_flag = arg == "--capitals" || arg == "--malformed" || arg == "--never-complete" ||
                             arg == "--verbose" || arg == "--help";
        if (is_flag && inline_value)
            return lib::usage_error(program, arg + " takes no value", usage);

        if (arg == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        } else if (arg == "--capitals") {
            s.faults.capitals = true;
        } else if (arg == "--malformed") {
            s.faults.malformed = true;
        } else if (arg == "--never-complete") {
            s.faults.never_complete = true;
        } else if (arg == "--verbose") {
            s.verbose = true;
        } else if (arg == "--address") {
            const auto text = value();
            QHostAddress address;
            if (text && *text == "localhost")
                address = QHostAddress(QHostAddress::LocalHost);
            else if (!text || !address.setAddress(QString::fromStdString(*text)))
                return lib::usage_error(program, "--address needs an IP address", usage);
            s.address = address;
        } else if (arg == "--port") {
            const auto n = number(0, 65535);
            if (!n)
                return lib::usage_error(program, "--port needs a number from 0 to 65535", usage);
            s.port = static_cast<quint16>(*n);
        } else if (arg == "--split") {
            const auto n = number(1, 1000000);
            if (!n)
                return lib::usage_error(program, "--split needs a number of pieces, at least 1", usage);
            s.split = static_cast<int>(*n);
        } else if (arg == "--gap-ms" || arg == "--delay-ms") {
            const auto n = number(0, 3600000);
            if (!n)
                return lib::usage_error(program, arg + " needs milliseconds from 0 to 3600000", usage);
            (arg == "--gap-ms" ? s.gap_ms : s.delay_ms) = static_cast<int>(*n);
        } else if (arg == "--close-every") {
            const auto n = number(1, 1000000000);
            if (!n)
                return lib::usage_error(program, "--close-every needs a number of answers, at least 1", usage);
            s.close_every = *n;
        } else {
            return lib::usage_error(program, "unknown option " + arg, usage);
        }
    }
    return std::nullopt;
}

void say(const char* format, auto... args) {
    std::printf(format, args...);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// One client connection. Requests are answered strictly one after another: a delayed or split
// answer finishes before the next one starts, as a single-threaded station would behave.
struct session {
    QTcpSocket* socket = nullptr;
    int id = 0;
    tools::request_scanner scanner;
    int queued = 0;
    bool busy = false;
    bool closing = false;
    long requests = 0;
    long answers = 0;
};

class station {
public:
    explicit station(const settings& s) : settings_(s) {
        uptime_.start();
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { accept_all(); });
    }

    bool listen() { return server_.listen(settings_.address, settings_.port); }
    QString address() const { return server_.serverAddress().toString(); }
    quint16 port() const { return server_.serverPort(); }
    QString error() const { return server_.errorString(); }

private:
    void accept_all() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto s = std::make_shared<session>();
            s->socket = socket;
            s->id = ++connections_;
            if (settings_.verbose)
                say("connection %d from %s:%u", s->id, qPrintable(socket->peerAddress().toString()),
                    unsigned(socket->peerPort()));
            // The lambdas hold the session; they die with the socket, and the session with them.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, s] { read(s); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, s] {
                if (settings_.verbose)
                    say("connection %d closed after %ld requests, %ld answers", s->id, s->requests, s->answers);
                s->socket->deleteLater();
            });
            read(s); // bytes may have arrived before the connection was taken
        }
    }

    void read(const std::shared_ptr<session>& s) {
        const QByteArray bytes = s->socket->readAll();
        const auto found = s->scanner.feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (found.junk && settings_.verbose)
            say("connection %d: skipped %zu bytes that are not a request", s->id, found.junk);
        for (int i = 0; i < found.requests; ++i) {
            ++s->requests;
            if (settings_.verbose)
                say("connection %d: request %ld", s->id, s->requests);
        }
        s->queued += found.requests;
        answer_next(s);
    }

    void answer_next(const std::shared_ptr<session>& s) {
        if (s->busy || s->closing || s->queued == 0 || s->socket->state() != QAbstractSocket::ConnectedState)
            return;
        // A client that asks without reading would make the unsent answers grow without bound.
        if (s->socket->bytesToWrite() > max_unsent_bytes) {
            if (settings_.verbose)
                say("connection %d: dropped, it does not read its answers", s->id);
            s->closing = true;
            s->socket->abort();
            return;
        }
        s->busy = true;
        --s->queued;
        QTimer::singleShot(settings_.delay_ms, s->socket, [this, s] {
            const auto frame = tools::build_answer(tools::station_values(uptime_.elapsed() / 1000.0), settings_.faults);
            send_pieces(s, std::make_shared<std::vector<std::string>>(tools::split_answer(frame, settings_.split)), 0);
        });
    }

    void send_pieces(const std::shared_ptr<session>& s, const std::shared_ptr<std::vector<std::string>>& pieces,
                     std::size_t next) {
        if (s->socket->state() != QAbstractSocket::ConnectedState)
            return;
        const std::string& piece = (*pieces)[next];
        s->socket->write(piece.data(), static_cast<qint64>(piece.size()));
        if (next + 1 < pieces->size()) {
            s->socket->flush();
            QTimer::singleShot(settings_.gap_ms, s->socket,
                               [this, s, pieces, next] { send_pieces(s, pieces, next + 1); });
            return;
        }
        ++s->answers;
        s->busy = false;
        if (settings_.close_every && s->answers % settings_.close_every == 0) {
            if (settings_.verbose)
                say("connection %d: closing after %ld answers", s->id, s->answers);
            s->closing = true;
            s->socket->disconnectFromHost(); // after the answer has been written out
            return;
        }
        answer_next(s);
    }

    settings settings_;
    QTcpServer server_;
    QElapsedTimer uptime_;
    int connections_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    settings s;
    if (const auto exit_code = parse_settings(argc, argv, s))
        return *exit_code;

    QCoreApplication app(argc, argv);
    station st(s);
    if (!st.listen()) {
        std::fprintf(stderr, "%s: cannot listen on %s:%u: %s\n", program, qPrintable(s.address.toString()),
                     unsigned(s.port), qPrintable(st.error()));
        return 1;
    }
    say("listening on %s:%u", qPrintable(st.address()), unsigned(st.port()));
    return app.exec();
}
