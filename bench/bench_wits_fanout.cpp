// The WITS feed under many clients: the real bridge as a process, reading a Borevane.bin that this program
// keeps fresh, with N loopback clients that count the frames they receive. Prints the frames delivered per
// second and the bridge's CPU time as a share of one core, at the feed's own rate (one frame a second) and
// at a hundred times that, to show the headroom.
//
// usage: bench_wits_fanout [CLIENTS=200] [SECONDS=10]
#include "acquisition/core/output_file.h"
#include "library/lock_object.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// User and system CPU seconds of a process so far.
double cpu_seconds(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct client {
    QTcpSocket socket;
    long frames = 0;
    QByteArray tail; // the end of the last read, for a frame end split between reads
};

void run(int clients, int seconds, int interval_ms) {
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const std::string path = dir.filePath("Borevane.bin").toStdString();
    lib::lock_object file_lock(output_file_name);
    float depth = 1500;
    auto write = [&] { write_output_file({{output_names[0], depth += 0.01f}}, path, file_lock); };
    write();
    QTimer writer;
    QObject::connect(&writer, &QTimer::timeout, write);
    writer.start(1000); // as the module does

    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    bridge.start(BOREVANE_WITS_PATH,
                 {"--path", QString::fromStdString(path), "--listen", "127.0.0.1:" + QString::number(port),
                  "--interval-ms", QString::number(interval_ms), "--max-clients", QString::number(clients)});
    bridge.waitForStarted();
    QByteArray log;
    while (!log.contains("listening on") && bridge.state() == QProcess::Running) {
        bridge.waitForReadyRead(100);
        log += bridge.readAllStandardError();
    }

    std::vector<std::unique_ptr<client>> all;
    for (int i = 0; i < clients; ++i) {
        auto c = std::make_unique<client>();
        client* self = c.get();
        QObject::connect(&c->socket, &QTcpSocket::readyRead, [self] {
            const QByteArray data = self->tail + self->socket.readAll();
            for (qsizetype at = data.indexOf("!!\r\n"); at >= 0; at = data.indexOf("!!\r\n", at + 4))
                ++self->frames;
            self->tail = data.right(3);
        });
        c->socket.connectToHost(QHostAddress::LocalHost, port);
        all.push_back(std::move(c));
    }
    // Every client accepted by the bridge, then a frame or two through.
    const QByteArray all_in = " " + QByteArray::number(clients) + " in all";
    QElapsedTimer waited;
    waited.start();
    while (!log.contains(all_in) && waited.elapsed() < 30000) {
        pump(50);
        log += bridge.readAllStandardError();
    }
    pump(std::max(1500, 2 * interval_ms));
    for (auto& c : all)
        c->frames = 0;
    const double cpu_before = cpu_seconds(bridge.processId());
    QElapsedTimer wall;
    wall.start();
    pump(seconds * 1000);
    const double elapsed = wall.elapsed() / 1000.0;
    const double cpu = cpu_seconds(bridge.processId()) - cpu_before;
    log += bridge.readAllStandardError();

    long total = 0, fewest = all.empty() ? 0 : all.front()->frames, connected = 0, silent = 0;
    for (auto& c : all) {
        total += c->frames;
        fewest = std::min(fewest, c->frames);
        connected += c->socket.state() == QAbstractSocket::ConnectedState;
        silent += c->frames == 0;
    }
    std::printf("%4d clients (%ld connected, %ld got nothing), one frame every %4d ms, %.1f s: %8.0f frames/s "
                "delivered (%.2f per client, fewest %ld in all), bridge CPU %.2f %% of a core\n",
                clients, connected, silent, interval_ms, elapsed, total / elapsed, total / elapsed / clients, fewest,
                100 * cpu / elapsed);
    std::fflush(stdout);
    // Pauses of the feed (the writer holding the lock past a tick, mostly) and clients dropped, if any.
    long pauses = 0;
    for (const QByteArray& line : log.split('\n')) {
        pauses += line.contains("no frames");
        if (line.contains("dropped") || line.contains("refused"))
            std::printf("  %s\n", line.constData());
    }
    std::printf("  the feed paused %ld times\n", pauses);
    bridge.terminate();
    bridge.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? std::atoi(argv[1]) : 200;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    run(clients, seconds, 1000);
    run(clients, seconds, 10);
    return 0;
}
