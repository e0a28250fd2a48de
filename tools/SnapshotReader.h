// Reads Borevane.bin under its lock on a thread of its own, so that a lock held for long (a writer
// that hangs while holding it) costs the window a bounded wait instead of freezing it.
#pragma once

#include "tools/output_snapshot.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace tools {

class snapshot_reader {
public:
    snapshot_reader();
    ~snapshot_reader();
    snapshot_reader(const snapshot_reader&) = delete;
    snapshot_reader& operator=(const snapshot_reader&) = delete;

    // One read of `path`, waited for at most `bound`; nothing when the lock was not obtained by then.
    // An earlier read that is still waiting for the lock is not waited for again: while it waits,
    // this returns nothing at once; once it is done its result (now old) is dropped and a new read
    // starts.
    std::optional<snapshot_result> read(const std::string& path, std::chrono::milliseconds bound);

private:
    struct shared;
    std::shared_ptr<shared> shared_;
};

} // namespace tools
