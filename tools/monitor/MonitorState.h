// What the values monitor may show after its reads of Borevane.bin: the last values actually read
// (never any other), whether they are current, why not, and the file's health as a reader sees it.
// Every read's outcome goes through its one input; nothing else changes the state.
#pragma once

#include "acquisition/core/output_reading.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace tools {

class monitor_state {
public:
    enum class status {
        no_location,  // no path given and no install location recorded
        missing,      // no file where it was looked for
        unreadable,   // the file is there but cannot be read
        wrong_size,   // not 24 bytes
        lock_timeout, // the file's lock was not obtained in time
        stale,        // read, but not fresh (fresh_within_seconds)
        fresh,
    };

    // One per read attempt, `now` in seconds on a steady clock.
    void read(const snapshot_result& result, double now);

    status current() const { return status_; }
    bool fresh() const { return status_ == status::fresh; }
    // The values of the last successful read; nothing before the first one.
    const std::optional<std::array<float, 6>>& values() const { return values_; }
    // Of the last successful read.
    double file_age() const { return file_age_; }
    // Of the last failed read: the reader's words, and a wrong file's size.
    const std::string& error() const { return error_; }
    std::uintmax_t wrong_size() const { return wrong_size_; }

    // Seconds since a read last found any value changed; `seen` false when none changed since the
    // first read (the seconds then count from it). Nothing before the first read.
    struct change {
        double seconds;
        bool seen;
    };
    std::optional<change> since_change(double now) const;
    // Fresh reads within the minute before `now`.
    int reads_per_minute(double now) const;

private:
    void failed(status s, std::string error);

    status status_ = status::missing;
    std::optional<std::array<float, 6>> values_;
    std::optional<output_bytes> bytes_;
    double file_age_ = 0;
    std::string error_;
    std::uintmax_t wrong_size_ = 0;
    double changed_at_ = 0;
    bool change_seen_ = false;
    std::deque<double> reads_; // times of the fresh reads of the last minute
};

} // namespace tools
