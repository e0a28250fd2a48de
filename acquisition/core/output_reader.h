#pragma once
// Reads Borevane.bin under its lock on a thread of its own, so that a lock held for long (a writer that hangs
// while holding it) costs a reader's clock or window a bounded wait instead of freezing it. A read still
// waiting for the lock is never waited for twice and never queued behind: the caller is told the file is
// locked, and that read's result, old by the time it comes, is dropped.

#include "acquisition/core/output_reading.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class output_reader {
public:
    // `done` receives every result of start() on the reader's thread, never after the reader is gone.
    using done_handler = std::function<void(const snapshot_result&)>;

    explicit output_reader(done_handler done = {});
    ~output_reader();
    output_reader(const output_reader&) = delete;
    output_reader& operator=(const output_reader&) = delete;

    // Starts a read of `path` whose result goes to `done`; false while the previous read still runs.
    bool start(const std::string& path);

    // One read of `path`, waited for at most `bound`. When the previous read still runs, or this one is not
    // done by then, the result says the lock was not obtained.
    snapshot_result read(const std::string& path, std::chrono::milliseconds bound);

private:
    struct shared;
    std::shared_ptr<shared> shared_;
};
