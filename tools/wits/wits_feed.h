#pragma once
// The decision behind each second of the WITS feed: a fresh read of Borevane.bin becomes a frame; a file
// that is older than five seconds, missing, of the wrong size, unreadable, or whose lock could not be had
// becomes no frame at all, never the last values again. Each such second is counted, and a change of
// state is reported once, for the log.

#include "acquisition/core/output_reading.h"
#include "tools/wits/wits_frame.h"
#include "tools/wits/wits_settings.h"

#include <array>
#include <optional>
#include <string>

namespace tools {

enum class feed_state { live, stale, missing, wrong_size, unreadable, lock_busy };
inline constexpr std::size_t feed_state_count = 6;

const char* feed_state_name(feed_state state);

struct feed_step {
    std::optional<std::string> frame; // what to send this second, if anything
    feed_state state = feed_state::live;
    std::optional<std::string> log; // set when the state changed
};

class wits_feed {
public:
    explicit wits_feed(wits_settings settings) : settings_(std::move(settings)) {}

    // A read has finished; `now` is the local time of the read.
    feed_step on_read(const snapshot_result& read, const wits_clock& now);
    // A second passed while the previous read still waited for the file's lock.
    feed_step on_lock_busy();

    long frames() const { return frames_; }
    long seconds_in(feed_state state) const { return counts_[static_cast<std::size_t>(state)]; }

private:
    feed_step step(feed_state state, const std::string& detail, std::optional<std::string> frame);

    wits_settings settings_;
    std::optional<feed_state> last_;
    long frames_ = 0;
    std::array<long, feed_state_count> counts_{};
};

} // namespace tools
