#pragma once
// Follows Borevane.bin on a thread of its own: a change notification on its directory for every rewrite, the
// interval's read as a fallback, each read made a reading dated when it was taken and handed over at once. The
// file holds only its last rewrite, so whoever follows it must never be late by a whole interval; the node's own
// thread may be, while a journal write waits on a busy disk. The readings taken meanwhile wait in its event
// queue instead of being overwritten in the file.

#include "tools/sparkplug/edge_reading.h"

#include <QThread>

#include <functional>
#include <string>

class FileFollower {
public:
    using taken_handler = std::function<void(const sparkplug::reading&)>;
    using log_handler = std::function<void(const std::string&)>;

    // Both handlers are called on the follower's thread, in the order of the reads, never after the follower
    // is gone. A read still waiting for the file's lock a whole interval later is a `locked` reading.
    FileFollower(std::string path, int interval_ms, taken_handler taken, log_handler log);
    ~FileFollower();
    FileFollower(const FileFollower&) = delete;
    FileFollower& operator=(const FileFollower&) = delete;

    // Watches the file's directory, reads once now and then every interval.
    void start();

private:
    class worker;
    QThread thread_;
    worker* worker_;
};
