#include "tools/wits/wits_feed.h"

#include <cstdio>

namespace tools {

const char* feed_state_name(feed_state state) {
    switch (state) {
    case feed_state::live:
        return "live";
    case feed_state::stale:
        return "stale";
    case feed_state::missing:
        return "missing";
    case feed_state::wrong_size:
        return "wrong size";
    case feed_state::unreadable:
        return "unreadable";
    case feed_state::lock_busy:
        return "lock busy";
    }
    return "?";
}

feed_step wits_feed::on_read(const snapshot_result& read, const wits_clock& now) {
    if (!read.snapshot) {
        const feed_state state = read.problem == read_problem::missing      ? feed_state::missing
                                 : read.problem == read_problem::wrong_size ? feed_state::wrong_size
                                                                            : feed_state::unreadable;
        return step(state, read.error, std::nullopt);
    }
    if (!is_fresh(*read.snapshot)) {
        char detail[64];
        // A negative age is a file dated ahead of this clock (the writer's clock or this one is wrong).
        const double age = read.snapshot->age_seconds;
        if (age < 0)
            std::snprintf(detail, sizeof detail, "dated %.1f s ahead of this clock", -age);
        else
            std::snprintf(detail, sizeof detail, "last written %.1f s ago", age);
        return step(feed_state::stale, detail, std::nullopt);
    }
    const auto values = scaled_values(settings_, snapshot_values(*read.snapshot));
    const auto date = settings_.send_date ? std::optional<wits_clock>(now) : std::nullopt;
    const auto time = settings_.send_time ? std::optional<wits_clock>(now) : std::nullopt;
    return step(feed_state::live, "", wits_frame(values, date, time));
}

feed_step wits_feed::on_lock_busy() {
    return step(feed_state::lock_busy, "the file's lock is held", std::nullopt);
}

feed_step wits_feed::step(feed_state state, const std::string& detail, std::optional<std::string> frame) {
    feed_step result;
    result.state = state;
    if (frame)
        ++frames_;
    else
        ++counts_[static_cast<std::size_t>(state)];
    result.frame = std::move(frame);
    if (last_ != state) {
        result.log = state == feed_state::live ? std::string("feeding frames")
                                               : std::string("no frames: ") + feed_state_name(state) +
                                                     (detail.empty() ? "" : " (" + detail + ")");
        last_ = state;
    }
    return result;
}

} // namespace tools
