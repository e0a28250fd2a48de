// The recent past of the six values, one sample per reading in time order: the values read, or a gap where no
// fresh reading came. The room is fixed when made (the monitor's 600 samples for ten minutes, a rig's 3600 for
// an hour on shore), so a run of any length keeps the same size. A reading that arrives late is placed among
// the others by its time; neighbours further apart than the join distance stay unjoined, so a gap stays a gap.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tools {

class value_history {
public:
    // The monitor's: ten minutes of one read a second.
    static constexpr std::size_t monitor_capacity = 600;
    static constexpr double monitor_window_seconds = 600;
    // Neighbours further apart than this are not joined: the readings themselves stopped for a while.
    static constexpr double monitor_join_seconds = 3;

    struct sample {
        double time = 0; // seconds, to the millisecond
        std::array<float, 6> values{};
        bool fresh = false; // false: a gap
    };

    explicit value_history(std::size_t capacity = monitor_capacity, double window_seconds = monitor_window_seconds,
                           double join_seconds = monitor_join_seconds);

    // Adds a sample at its time among those kept (after any of the same millisecond), the oldest giving way when
    // the room is full. Nothing is added (false) before the window ending at the newest, or before all samples
    // when the room is full. A caller that may get the same reading twice asks contains() first.
    bool add(double time, const std::array<float, 6>& values);
    bool add_gap(double time);

    std::size_t size() const { return count_; }
    std::size_t capacity() const { return capacity_; }
    double window_seconds() const { return window_; }
    double join_seconds() const { return join_; }
    // 0 is the oldest sample kept; std::out_of_range beyond the newest.
    sample operator[](std::size_t i) const;
    // Whether a sample at `time` (to the millisecond) is kept.
    bool contains(double time) const;
    // Bytes the samples take when the room is full.
    std::size_t full_bytes() const { return capacity_ * sizeof(slot); }

    // The smallest and largest finite value `index` among the fresh samples of the window ending at
    // `now`; nothing when there is none.
    std::optional<std::pair<double, double>> range(std::size_t index, double now) const;
    // One range over values `a` and `b`, for two values drawn on one scale (the hole and bit depths).
    std::optional<std::pair<double, double>> range(std::size_t a, std::size_t b, double now) const;

    // Whether samples i - 1 and i are drawn as one line.
    bool joined(std::size_t i, std::size_t index) const;

private:
    // 28 bytes: the time in milliseconds from base_ (doubled, the low bit saying fresh) and the values.
    struct slot {
        std::array<float, 6> values;
        std::int32_t stamp;
    };
    bool insert(double time, const std::array<float, 6>& values, bool fresh);
    std::optional<std::int64_t> offset_ms(double time);
    std::int64_t ms_of(std::size_t i) const;
    const slot& at(std::size_t i) const { return ring_[(first_ + i) % capacity_]; }
    slot& at(std::size_t i) { return ring_[(first_ + i) % capacity_]; }
    // The first kept sample not older than `ms` from base_ (after_equal: newer than it).
    std::size_t bound(std::int64_t ms, bool after_equal) const;

    std::size_t capacity_;
    double window_, join_;
    std::vector<slot> ring_; // grows to capacity_, then a ring
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    double base_ = 0; // seconds
};

// One column of a trace: the pixel rows top..bottom (inclusive) it covers; empty where nothing is drawn.
struct trace_span {
    int top = 0;
    int bottom = -1;
    bool empty() const { return bottom < top; }
};

// The columns of value `index`'s trace in a plot width x height: time runs left to right over the
// window ending at `now`, `lo` on the bottom row, `hi` on the top one. Joined neighbours are
// connected through every column between them; gaps stay empty.
std::vector<trace_span> trace_columns(const value_history& history, std::size_t index, double now, int width,
                                      int height, double lo, double hi);

} // namespace tools
