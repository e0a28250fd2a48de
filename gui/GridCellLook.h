// How the draw grid paints a cell, apart from the widget: the state it passes to DrawCell, the
// background and text colours, the raised edge of fixed cells, the focus rectangle and the colours of
// the lines after the cell. The looks are worked out once per paint from the grid's settings; a cell
// then only picks one of them.
#pragma once

#include "gui/GridNavigation.h"
#include "library/Color.h"

namespace gui {

// State of a cell being drawn.
enum TGridDrawStateFlag : unsigned { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
using TGridDrawState = unsigned;

struct CellLook {
    TGridDrawState state = 0;
    TColor background = 0;
    TColor text = 0;
    bool raised_edge = false; // a fixed cell's top and left edge in the button highlight, in the sunken look
    bool focus_rect = false;
    // The lines after the cell, to its right and below it; the background's colour where the options
    // leave a line out.
    TColor right_line = 0;
    TColor bottom_line = 0;
};

class GridCellLook {
public:
    // What the looks depend on besides the cell.
    struct Settings {
        TGridOptions options = 0;
        TColor color = 0;       // background of scrolled cells
        TColor fixed_color = 0; // background of fixed cells
        TColor font_color = 0;
        bool flat = false;
        bool focused = false;      // the grid or its editor has the keyboard
        bool editor_shown = false; // the editor stands in for the focus rectangle
        // Without the keyboard the selection is shown in the button face rather than the highlight, so that
        // the solid highlight says where typing goes.
        bool mute_unfocused = false;
    };

    GridCellLook(const Settings& settings, const GridCells& cells, const GridCursor& cursor);

    const CellLook& operator()(int col, int row) const;

private:
    enum Kind { Fixed, Plain, Selected, Current, SelectedCurrent, Kinds };
    CellLook looks_[Kinds];
    GridCells cells_;
    TGridRect selection_;
    TGridCoord focused_cell_; // {-1, -1} without the keyboard
};

} // namespace gui
