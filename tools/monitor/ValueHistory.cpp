#include "tools/monitor/ValueHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace tools {
namespace {

// Offsets from the base are kept within this many milliseconds (about 12 days either way).
constexpr std::int64_t offset_limit = (std::int64_t{1} << 30) - 1;

std::int64_t to_ms(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * 1000.0));
}

} // namespace

value_history::value_history(std::size_t capacity, double window_seconds, double join_seconds)
    : capacity_(std::max<std::size_t>(capacity, 1)), window_(window_seconds), join_(join_seconds) {}

std::int64_t value_history::ms_of(std::size_t i) const {
    const std::int32_t stamp = at(i).stamp;
    return (std::int64_t{stamp} - (stamp & 1)) / 2;
}

value_history::sample value_history::operator[](std::size_t i) const {
    if (i >= count_)
        throw std::out_of_range("value_history: no sample " + std::to_string(i));
    const slot& s = at(i);
    return {base_ + static_cast<double>(ms_of(i)) / 1000.0, s.values, (s.stamp & 1) != 0};
}

std::size_t value_history::bound(std::int64_t ms, bool after_equal) const {
    std::size_t lo = 0, hi = count_;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (ms_of(mid) < ms || (after_equal && ms_of(mid) == ms))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::optional<std::int64_t> value_history::offset_ms(double time) {
    if (count_ == 0)
        base_ = time;
    const std::int64_t ms = to_ms(time - base_);
    if (ms >= -offset_limit && ms <= offset_limit)
        return ms;
    if (ms < 0)
        return std::nullopt; // far older than anything a window shows
    // Far newer than the base: the base moves to this time; samples too old to be told apart from it go (far
    // outside any window).
    std::size_t dropped = 0;
    while (dropped < count_ && ms_of(dropped) - ms < -offset_limit)
        ++dropped;
    if (ring_.size() < capacity_)
        ring_.erase(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(dropped));
    else
        first_ = (first_ + dropped) % capacity_;
    count_ -= dropped;
    for (std::size_t i = 0; i < count_; ++i) {
        const bool fresh = (at(i).stamp & 1) != 0;
        at(i).stamp = static_cast<std::int32_t>((ms_of(i) - ms) * 2 + (fresh ? 1 : 0));
    }
    base_ += static_cast<double>(ms) / 1000.0;
    return 0;
}

bool value_history::insert(double time, const std::array<float, 6>& values, bool fresh) {
    if (!std::isfinite(time))
        return false;
    if (count_ > 0 && time < (*this)[count_ - 1].time - window_)
        return false;
    const auto ms = offset_ms(time);
    if (!ms)
        return false;
    std::size_t pos = bound(*ms, true);
    const slot s{values, static_cast<std::int32_t>(*ms * 2 + (fresh ? 1 : 0))};
    if (ring_.size() < capacity_) {
        ring_.reserve(capacity_); // the room, once and exactly
        // Still growing: first_ is 0 and the ring is a plain vector.
        ring_.insert(ring_.begin() + static_cast<std::ptrdiff_t>(pos), s);
        ++count_;
        return true;
    }
    if (count_ < capacity_) {
        // Room left after old samples went: the newer ones move up by one.
        ++count_;
        for (std::size_t i = count_ - 1; i > pos; --i)
            at(i) = at(i - 1);
        at(pos) = s;
        return true;
    }
    if (pos == 0)
        return false; // older than everything kept, and no room
    // The oldest gives way; the newer ones move up into its slot, now the last.
    first_ = (first_ + 1) % capacity_;
    --pos;
    for (std::size_t i = count_ - 1; i > pos; --i)
        at(i) = at(i - 1);
    at(pos) = s;
    return true;
}

bool value_history::add(double time, const std::array<float, 6>& values) {
    return insert(time, values, true);
}

bool value_history::add_gap(double time) {
    return insert(time, {}, false);
}

bool value_history::contains(double time) const {
    if (count_ == 0)
        return false;
    const std::int64_t ms = to_ms(time - base_);
    const std::size_t pos = bound(ms, false);
    return pos < count_ && ms_of(pos) == ms;
}

std::optional<std::pair<double, double>> value_history::range(std::size_t index, double now) const {
    std::optional<std::pair<double, double>> out;
    for (std::size_t i = 0; i < count_; ++i) {
        const sample s = (*this)[i];
        const double v = s.values[index];
        if (!s.fresh || s.time < now - window_ || !std::isfinite(v))
            continue;
        if (!out)
            out.emplace(v, v);
        out->first = std::min(out->first, v);
        out->second = std::max(out->second, v);
    }
    return out;
}

std::optional<std::pair<double, double>> value_history::range(std::size_t a, std::size_t b, double now) const {
    const auto first = range(a, now), second = range(b, now);
    if (!first || !second)
        return first ? first : second;
    return std::make_pair(std::min(first->first, second->first), std::max(first->second, second->second));
}

bool value_history::joined(std::size_t i, std::size_t index) const {
    if (i == 0 || i >= count_)
        return false;
    const sample a = (*this)[i - 1];
    const sample b = (*this)[i];
    return a.fresh && b.fresh && b.time - a.time <= join_ && std::isfinite(a.values[index]) &&
           std::isfinite(b.values[index]);
}

std::vector<trace_span> trace_columns(const value_history& history, std::size_t index, double now, int width,
                                      int height, double lo, double hi) {
    std::vector<trace_span> columns(static_cast<std::size_t>(std::max(0, width)));
    if (width <= 0 || height <= 0)
        return columns;
    const double window = history.window_seconds();
    const double start = now - window;
    auto x_of = [&](double t) { return (t - start) / window * width; };
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
        const auto s = history[i];
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
