#pragma once
// What the edge node makes of one read of Borevane.bin: a reading with the time it was taken (the file's
// modification time, so that a host sees when the module wrote it, not when the link let it through), its
// source (live, or why no live value exists) and the file's age. And the report-by-exception rule that decides
// which metrics a data message carries.

#include "acquisition/core/output_reading.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sparkplug {

// Why a reading carries values or not; the numbers are stored in the queue, so they never change.
enum class source : std::uint8_t { live = 0, stale, missing, wrong_size, unreadable, locked, no_install_location };

// "live", "stale", "missing", ... as the Source metric says it.
const char* source_name(source s);

struct reading {
    std::int64_t time_ms = 0; // a live reading: the file's modification time; else the time of the read
    source from = source::missing;
    std::optional<float> age_s;    // the file's age at the read; nothing when no file was read
    std::array<float, 6> values{}; // file order; meaningful only when live
    bool live() const { return from == source::live; }
};

// The reading a read gives; `now_ms` dates a read that found no file.
reading reading_of(const snapshot_result& read, std::int64_t now_ms);

// The device metrics in the order of a birth: the six values in file order, then the reading's age and source.
inline constexpr std::size_t value_count = 6;
inline constexpr std::size_t age_metric = 6;
inline constexpr std::size_t source_metric = 7;
inline constexpr std::size_t metric_count = 8;
inline constexpr std::array<const char*, metric_count> metric_names = {
    "Hole Depth",     "Bit Depth",           "Hook Load",   "Block Position",
    "Inlet Pressure", "Rate of Penetration", "Reading Age", "Source"};

// One metric's treatment: the published value is file value × factor + offset; a change smaller than or equal
// to the deadband (0: any change) is not reported; a disabled metric is never published.
struct metric_setting {
    bool enabled = true;
    double factor = 1;
    double offset = 0;
    double deadband = 0;
    std::string unit; // the engUnit property, UTF-8
};

using metric_settings = std::array<metric_setting, metric_count>;

// The defaults: every metric enabled, unscaled, the monitor's usual units, any change of a value reported and
// the reading's age when it moved by more than a second.
metric_settings default_metric_settings();

// The published value of metric `index` (< age_metric) in a live reading.
double scaled_value(const metric_settings& settings, const reading& r, std::size_t index);

// Which metrics of a stream of readings a data message must carry: each reading is compared with what was
// last reported. Values go only with live readings; the age goes whenever it changed beyond its deadband or
// the source changed; the source goes when it changed.
class exception_filter {
public:
    using mask = std::array<bool, metric_count>;
    // A live reading that changed nothing still reports its age when nothing was reported for this long, so
    // that a host tells a still rig from a silent node (it takes a rig as stale after five seconds without one).
    static constexpr std::int64_t keepalive_ms = 2000;

    explicit exception_filter(const metric_settings& settings) : settings_(&settings) {}

    // Takes `r` as reported in full (a birth): the reference for what follows.
    void reset(const reading& r);
    // Forgets everything: the next reading is reported in full.
    void clear();
    // The metrics of `r` to report, and takes them as reported.
    mask next(const reading& r);

private:
    const metric_settings* settings_;
    std::array<std::optional<double>, value_count> last_values_{};
    std::optional<float> last_age_;
    std::optional<source> last_source_;
    std::optional<std::int64_t> last_report_ms_; // the time of the last reading that reported anything
};

} // namespace sparkplug
