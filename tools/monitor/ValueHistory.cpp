#include "tools/monitor/ValueHistory.h"

#include <algorithm>
#include <cmath>

namespace tools {

void value_history::push(const sample& s) {
    if (count_ < capacity) {
        ring_[(first_ + count_++) % capacity] = s;
        return;
    }
    ring_[first_] = s;
    first_ = (first_ + 1) % capacity;
}

void value_history::add(double time, const std::array<float, 6>& values) {
    push({time, values, true});
}

void value_history::add_gap(double time) {
    push({time, {}, false});
}

std::optional<std::pair<double, double>> value_history::range(std::size_t index, double now) const {
    std::optional<std::pair<double, double>> out;
    for (std::size_t i = 0; i < count_; ++i) {
        const sample& s = (*this)[i];
        const double v = s.values[index];
        if (!s.fresh || s.time < now - window_seconds || !std::isfinite(v))
            continue;
        if (!out)
            out.emplace(v, v);
        out->first = std::min(out->first, v);
        out->second = std::max(out->second, v);
    }
    return out;
}

bool value_history::joined(std::size_t i, std::size_t index) const {
    if (i == 0 || i >= count_)
        return false;
    const sample& a = (*this)[i - 1];
    const sample& b = (*this)[i];
    return a.fresh && b.fresh && b.time - a.time <= join_seconds && std::isfinite(a.values[index]) &&
           std::isfinite(b.values[index]);
}

std::vector<trace_span> trace_columns(const value_history& history, std::size_t index, double now, int width,
                                      int height, double lo, double hi) {
    std::vector<trace_span> columns(static_cast<std::size_t>(std::max(0, width)));
    if (width <= 0 || height <= 0)
        return columns;
    const double start = now - value_history::window_seconds;
    auto x_of = [&](double t) { return (t - start) / value_history::window_seconds * width; };
    auto y_of = [&](double v) {
        const double y = hi > lo ? (hi - v) / (hi - lo) * (height - 1) : (height - 1) / 2.0;
        return std::clamp(y, 0.0, double(height - 1));
    };
    auto cover = [&](int x, double y1, double y2) {
        if (x < 0 || x >= width)
            return;
        trace_span& c = columns[static_cast<std::size_t>(x)];
        const int top = static_cast<int>(std::lround(std::min(y1, y2)));
        const int bottom = static_cast<int>(std::lround(std::max(y1, y2)));
        c.top = c.empty() ? top : std::min(c.top, top);
        c.bottom = c.empty() ? bottom : std::max(c.bottom, bottom);
    };
    for (std::size_t i = 0; i < history.size(); ++i) {
        const auto& s = history[i];
        const double v = s.values[index];
        if (!s.fresh || !std::isfinite(v) || s.time > now)
            continue;
        const double x1 = std::min(x_of(s.time), width - 0.5);
        const double y1 = y_of(v);
        if (!history.joined(i, index)) {
            cover(static_cast<int>(std::floor(x1)), y1, y1);
            continue;
        }
        // Through every column between the two samples, each covering the line's rows inside it.
        const double x0 = std::min(x_of(history[i - 1].time), width - 0.5);
        const double y0 = y_of(history[i - 1].values[index]);
        const int c0 = static_cast<int>(std::floor(x0));
        const int c1 = static_cast<int>(std::floor(x1));
        if (c1 < 0)
            continue;
        auto y_at = [&](double x) { return x1 > x0 ? y0 + (y1 - y0) * (std::clamp(x, x0, x1) - x0) / (x1 - x0) : y1; };
        for (int c = std::max(c0, 0); c <= c1; ++c)
            cover(c, y_at(c), y_at(c + 1.0));
    }
    return columns;
}

} // namespace tools
