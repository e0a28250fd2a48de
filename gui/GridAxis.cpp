#include "gui/GridAxis.h"

#include <algorithm>
#include <cstdlib>

namespace gui {

GridAxis::GridAxis(int count, int default_size, int fixed) {
    set_default_size(default_size);
    set_count(count);
    set_fixed(fixed);
}

bool GridAxis::set_count(int count) {
    count = std::max(0, count);
    if (count == this->count())
        return false;
    sizes_.resize(static_cast<size_t>(count), default_size_);
    fixed_ = std::min(fixed_, count);
    return true;
}

bool GridAxis::set_fixed(int fixed) {
    fixed = std::clamp(fixed, 0, count());
    if (fixed == fixed_)
        return false;
    fixed_ = first_ = fixed;
    return true;
}

void GridAxis::set_default_size(int size) {
    default_size_ = std::max(0, size);
    std::fill(sizes_.begin(), sizes_.end(), default_size_);
}

bool GridAxis::set_size(int index, int size) {
    if (index < 0 || index >= count())
        return false;
    size = std::max(0, size);
    if (sizes_[static_cast<size_t>(index)] == size)
        return false;
    sizes_[static_cast<size_t>(index)] = size;
    return true;
}

int GridAxis::fixed_extent() const {
    int extent = 0;
    for (int i = 0; i < fixed_; ++i)
        extent += sizes_[static_cast<size_t>(i)] + line_;
    return extent;
}

// The one walk over the shown items: the fixed ones, then the scrolled ones from first(), each with
// its leading edge, for as long as visit returns true.
template <typename Visit> void GridAxis::walk(Visit visit) const {
    int pos = 0;
    for (int i = 0; i < count(); ++i) {
        if (i == fixed_)
            i = first_;
        if (i >= count() || !visit(Span{i, pos, sizes_[static_cast<size_t>(i)]}))
            return;
        pos += sizes_[static_cast<size_t>(i)] + line_;
    }
}

std::vector<GridAxis::Span> GridAxis::spans(int length) const {
    std::vector<Span> shown;
    walk([&](const Span& s) {
        if (s.pos >= length)
            return false;
        shown.push_back(s);
        return true;
    });
    return shown;
}

GridAxis::Span GridAxis::span(int index, int length) const {
    Span found;
    walk([&](const Span& s) {
        if (s.pos >= length || s.index > index) // past the view, scrolled away before first() or no item
            return false;
        if (s.index < index)
            return true;
        found = s;
        return false;
    });
    return found;
}

int GridAxis::index_at(int p) const {
    int found = -1;
    if (p >= 0)
        walk([&](const Span& s) {
            if (p < s.end() + line_)
                found = s.index;
            return found < 0;
        });
    return found;
}

int GridAxis::line_at(int p, int grip) const {
    int found = -1;
    walk([&](const Span& s) {
        if (s.pos > p + grip)
            return false;
        if (std::abs(p - s.end()) > grip)
            return true;
        found = s.index; // the first line within the grip, not the nearest
        return false;
    });
    return found;
}

int GridAxis::page_start(int end, int length) const {
    const int room = length - fixed_extent();
    int start = end;
    int used = 0;
    while (start > fixed_) {
        used += sizes_[static_cast<size_t>(start - 1)] + line_;
        if (used - line_ > room)
            break;
        --start;
    }
    return std::max(fixed_, std::min(start, end - 1)); // at least item end-1
}

int GridAxis::fitting(int length) const {
    const int room = length - fixed_extent();
    int fit = 0;
    int used = 0;
    for (int i = first_; i < count(); ++i) {
        used += sizes_[static_cast<size_t>(i)] + line_;
        if (used - line_ > room)
            break;
        ++fit;
    }
    return fit;
}

int GridAxis::clamp_index(int index) const {
    return count() <= 0 ? 0 : std::clamp(index, std::min(fixed_, count() - 1), count() - 1);
}

} // namespace gui
