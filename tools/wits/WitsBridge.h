#pragma once
// The WITS feed's clock: every interval (a second) it has Borevane.bin read, under the file's lock as the
// telemetry program reads it, and hands what the feed makes of the read to the TCP clients and the serial
// line. The read runs on a thread of its own, so a writer that holds the lock delays neither the clients
// nor the clock: a second in which the previous read still waits for the lock sends nothing.

#include "acquisition/core/output_reader.h"
#include "tools/wits/wits_feed.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

class WitsServer;
class WitsSerial;

class WitsBridge : public QObject {
    Q_OBJECT
public:
    WitsBridge(std::string path, tools::wits_settings settings, WitsServer* server, WitsSerial* serial, int interval_ms,
               QObject* parent = nullptr);
    ~WitsBridge() override;

    void start();
    const tools::wits_feed& feed() const { return feed_; }

    std::function<void(const std::string&)> on_log;

private:
    void tick();
    void read_done(const snapshot_result& read, const tools::wits_clock& when);
    void handle(const tools::feed_step& step);

    tools::wits_feed feed_;
    WitsServer* server_;
    WitsSerial* serial_;
    QTimer timer_;
    std::string path_;
    output_reader reader_;
};
