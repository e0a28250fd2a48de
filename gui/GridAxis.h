// One axis of a grid, its columns or its rows: the items' sizes, the leading items that stay fixed
// while the others scroll, the first scrolled item shown after them and the width of the grid line
// that follows every item. Pure geometry, no widget: positions are pixels from the view's leading
// edge, an item's line belongs to it, and `length` is the view's extent along the axis.
#pragma once

#include <algorithm>
#include <vector>

namespace gui {

class GridAxis {
public:
    // An item as shown: its index, its leading edge and its size without the line.
    struct Span {
        int index = -1; // -1: not in view
        int pos = 0;
        int size = 0;
        int end() const { return pos + size; }
    };

    GridAxis(int count, int default_size, int fixed);

    int count() const { return static_cast<int>(sizes_.size()); }
    // Keeps the existing sizes (new items take the default) and the fixed count within it; true on a
    // change.
    bool set_count(int count);
    int fixed() const { return fixed_; }
    // Clamped to the count; the scrolled items start again right after the fixed ones. True on a change.
    bool set_fixed(int fixed);
    int first() const { return first_; }
    void set_first(int first) { first_ = std::max(first, fixed_); } // never onto the fixed items
    int default_size() const { return default_size_; }
    void set_default_size(int size); // every item takes it
    int size(int index) const { return index >= 0 && index < count() ? sizes_[static_cast<size_t>(index)] : 0; }
    bool set_size(int index, int size); // ignored outside the axis; true on a change
    int line() const { return line_; }
    void set_line(int width) { line_ = std::max(0, width); }

    // The fixed items with their lines.
    int fixed_extent() const;
    // The items in view, in painting order: the fixed ones, then the scrolled ones from first().
    std::vector<Span> spans(int length) const;
    // The item in view; index -1 when it is not (a partly shown item counts as shown).
    Span span(int index, int length) const;
    // The shown item under pixel p, its line included; -1 before the first and past the last.
    int index_at(int p) const;
    // The shown item whose trailing line is within `grip` pixels of p, or -1.
    int line_at(int p, int grip) const;

    // The first item of the page that ends with item end-1: it and the items up to end-1 fit
    // completely after the fixed ones (at least one item, never a fixed one).
    int page_start(int end, int length) const;
    // The largest first(): the last page ends with the last item fully shown.
    int max_first(int length) const { return count() <= fixed_ ? fixed_ : page_start(count(), length); }
    // How many items from first() on fit completely after the fixed ones.
    int fitting(int length) const;
    // The index nearest to `index` that is not a fixed item's (the last item's when all are fixed,
    // 0 on an empty axis): where the current cell may be.
    int clamp_index(int index) const;

private:
    template <typename Visit> void walk(Visit visit) const;

    std::vector<int> sizes_;
    int default_size_ = 0;
    int fixed_ = 0;
    int first_ = 0;
    int line_ = 1;
};

} // namespace gui
