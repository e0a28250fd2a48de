#include "tools/sparkplug/edge_reading.h"

#include <algorithm>

#include <cmath>

namespace sparkplug {

const char* source_name(source s) {
    switch (s) {
    case source::live:
        return "live";
    case source::stale:
        return "stale";
    case source::missing:
        return "missing";
    case source::wrong_size:
        return "wrong_size";
    case source::unreadable:
        return "unreadable";
    case source::locked:
        return "locked";
    case source::no_install_location:
        return "no_install_location";
    }
    return "unreadable";
}

reading reading_of(const snapshot_result& read, std::int64_t now_ms) {
    reading r;
    r.time_ms = now_ms;
    if (read.snapshot) {
        r.age_s = static_cast<float>(read.snapshot->age_seconds);
        r.from = is_fresh(*read.snapshot) ? source::live : source::stale;
        // A live reading is the rewrite, dated when the module wrote it. A stale one is the moment the file was
        // found old: dated with the file's time it would share the last live reading's, and a host that drops
        // repeats by node and timestamp would drop the news that the values stopped.
        if (r.live()) {
            r.time_ms = read.snapshot->modified_ms;
            r.values = snapshot_values(*read.snapshot);
        }
        return r;
    }
    switch (read.problem) {
    case read_problem::no_install_location:
        r.from = source::no_install_location;
        break;
    case read_problem::missing:
        r.from = source::missing;
        break;
    case read_problem::wrong_size:
        r.from = source::wrong_size;
        break;
    case read_problem::locked:
        r.from = source::locked;
        break;
    case read_problem::unreadable:
    case read_problem::none:
        r.from = source::unreadable;
        break;
    }
    return r;
}

metric_settings default_metric_settings() {
    metric_settings s;
    const std::array<const char*, value_count> units = {"м", "м", "т", "м", "атм", "м/ч"};
    for (std::size_t i = 0; i < value_count; ++i)
        s[i].unit = units[i];
    s[age_metric].unit = "s";
    // A fresh file is read within moments of its rewrite: its age wanders below a second and says only
    // "fresh". Sent when it moves by more than a second, or with a change of source, not with every reading.
    s[age_metric].deadband = 1;
    return s;
}

double scaled_value(const metric_settings& settings, const reading& r, std::size_t index) {
    return double(r.values[index]) * settings[index].factor + settings[index].offset;
}

namespace {

bool beyond(std::optional<double> last, double now, double deadband) {
    if (!last)
        return true;
    // NaN compares unequal to everything: a value that becomes or stops being NaN is a change.
    if (std::isnan(*last) || std::isnan(now))
        return std::isnan(*last) != std::isnan(now);
    return deadband > 0 ? std::fabs(now - *last) > deadband : now != *last;
}

} // namespace

void exception_filter::reset(const reading& r) {
    clear();
    next(r);
}

void exception_filter::clear() {
    last_values_ = {};
    last_age_.reset();
    last_source_.reset();
    last_report_ms_.reset();
}

exception_filter::mask exception_filter::next(const reading& r) {
    mask m{};
    const metric_settings& s = *settings_;
    const bool source_changed = last_source_ != r.from;
    if (r.live()) {
        for (std::size_t i = 0; i < value_count; ++i) {
            const double v = scaled_value(s, r, i);
            if (s[i].enabled && (source_changed || beyond(last_values_[i], v, s[i].deadband))) {
                m[i] = true;
                last_values_[i] = v;
            }
        }
    } else {
        // Values resume in full once the file is live again: a host must never fill a gap with the old ones.
        last_values_ = {};
    }
    const bool age_changed = r.age_s.has_value() != last_age_.has_value() ||
                             (r.age_s && beyond(last_age_, *r.age_s, s[age_metric].deadband));
    const bool quiet = r.live() && last_report_ms_ && r.time_ms - *last_report_ms_ >= keepalive_ms;
    if (s[age_metric].enabled && (source_changed || age_changed || quiet)) {
        m[age_metric] = true;
        last_age_ = r.age_s;
    }
    if (s[source_metric].enabled && (source_changed || (quiet && !s[age_metric].enabled)))
        m[source_metric] = true;
    last_source_ = r.from;
    if (std::find(m.begin(), m.end(), true) != m.end())
        last_report_ms_ = r.time_ms;
    return m;
}

} // namespace sparkplug
