// The last ten minutes of the six values of Borevane.bin, one sample per read: the values read, or a
// gap where no fresh reading came. The storage is fixed (600 samples), so a run of any length keeps
// the same size.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace tools {

class value_history {
public:
    static constexpr std::size_t capacity = 600;
    static constexpr double window_seconds = 600;
    // Neighbours further apart than this are not joined: the reads themselves stopped for a while.
    static constexpr double join_seconds = 3;

    struct sample {
        double time = 0; // seconds on a steady clock
        std::array<float, 6> values{};
        bool fresh = false; // false: a gap
    };

    void add(double time, const std::array<float, 6>& values);
    void add_gap(double time);

    std::size_t size() const { return count_; }
    // 0 is the oldest sample kept.
    const sample& operator[](std::size_t i) const { return ring_[(first_ + i) % capacity]; }

    // The smallest and largest finite value `index` among the fresh samples of the window ending at
    // `now`; nothing when there is none.
    std::optional<std::pair<double, double>> range(std::size_t index, double now) const;

    // Whether samples i - 1 and i are drawn as one line.
    bool joined(std::size_t i, std::size_t index) const;

private:
    void push(const sample& s);

    std::array<sample, capacity> ring_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
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
