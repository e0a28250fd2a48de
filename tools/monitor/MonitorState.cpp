#include "tools/monitor/MonitorState.h"

namespace tools {

void monitor_state::read(const snapshot_result& result, double now) {
    if (!result.snapshot) {
        switch (result.problem) {
        case read_problem::no_install_location:
            failed(status::no_location, result.error);
            break;
        case read_problem::missing:
            failed(status::missing, result.error);
            break;
        case read_problem::locked:
            failed(status::lock_timeout, result.error);
            break;
        case read_problem::wrong_size:
            failed(status::wrong_size, result.error);
            wrong_size_ = result.size;
            break;
        default:
            failed(status::unreadable, result.error);
        }
        return;
    }
    const output_snapshot& s = *result.snapshot;
    if (!bytes_) {
        changed_at_ = now;
    } else if (*bytes_ != s.bytes) {
        changed_at_ = now;
        change_seen_ = true;
    }
    bytes_ = s.bytes;
    values_ = snapshot_values(s);
    file_age_ = s.age_seconds;
    status_ = is_fresh(s) ? status::fresh : status::stale;
    // An old file read once a second is not a module at work: only fresh reads count.
    if (status_ == status::fresh)
        reads_.push_back(now);
    while (!reads_.empty() && reads_.front() <= now - 60)
        reads_.pop_front();
}

void monitor_state::failed(status s, std::string error) {
    status_ = s;
    error_ = std::move(error);
}

std::optional<monitor_state::change> monitor_state::since_change(double now) const {
    if (!bytes_)
        return std::nullopt;
    return change{now - changed_at_, change_seen_};
}

int monitor_state::reads_per_minute(double now) const {
    int n = 0;
    for (double t : reads_)
        n += t > now - 60;
    return n;
}

} // namespace tools
