// The draw grid's rules for its current cell and selection, apart from the widget: which cell a key
// leads to, where the current cell may be, and which cells the selection covers. Plain values, so that
// they can be asked without a window.
#pragma once

#include <Qt>
#include <optional>

namespace gui {

// Grid options (bit values of the classic framework, so ported option sets agree).
enum TGridOption : unsigned {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goRangeSelect = 0x10,
    goDrawFocusSelected = 0x20,
    goColSizing = 0x80,
    goEditing = 0x200,
    goTabs = 0x400,
    goRowSelect = 0x800,
    goAlwaysShowEditor = 0x1000,
    goThumbTracking = 0x2000,
};
using TGridOptions = unsigned;

struct TGridCoord {
    int col = -1;
    int row = -1;
    friend constexpr bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// An inclusive range of cells.
struct TGridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr bool contains(int col, int row) const {
        return col >= left && col <= right && row >= top && row <= bottom;
    }
    friend constexpr bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The grid's counts: all columns and rows, and the leading ones that stay fixed.
struct GridCells {
    int cols = 0;
    int rows = 0;
    int fixed_cols = 0;
    int fixed_rows = 0;

    constexpr bool fixed(int col, int row) const { return col < fixed_cols || row < fixed_rows; }
    // Whether any cell can be current: one that is neither in a fixed column nor in a fixed row.
    constexpr bool has_scrolled() const { return cols > fixed_cols && rows > fixed_rows; }
    // The scrolled cell nearest to `cell`; `cell` itself when there is none.
    TGridCoord clamp(TGridCoord cell) const;
};

// Where a navigation key leads.
struct GridMove {
    TGridCoord to;           // the new current cell, a scrolled one
    bool move_anchor = true; // false: the selection stretches from the anchor to `to`
    int scroll_rows = 0;     // paging first moves the top row by this much
};

// The move a key makes from `current`, or none when it is no navigation key. `page` is the number of
// scrolled rows that fit the view completely.
std::optional<GridMove> navigate(const GridCells& cells, TGridCoord current, int page, int key,
                                 Qt::KeyboardModifiers modifiers, TGridOptions options);

// The current cell and the selection's other corner.
struct GridCursor {
    TGridCoord current{1, 1};
    TGridCoord anchor{1, 1};

    // The rectangle between anchor and current; whole rows (past the fixed columns) with goRowSelect.
    TGridRect selection(const GridCells& cells, TGridOptions options) const;
    // Makes `cell` current. The anchor stays only to extend a range, and only with goRangeSelect.
    void move_to(TGridCoord cell, bool move_anchor, TGridOptions options);
};

} // namespace gui
