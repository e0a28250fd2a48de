#include "gui/GridCellLook.h"

namespace gui {

namespace {

constexpr TColor fixed_line_color = clBlack;
constexpr TColor line_color = clSilver;

CellLook make_look(const GridCellLook::Settings& s, TGridDrawState state) {
    const bool fixed = state & gdFixed;
    const bool highlight_focused = s.options & (goDrawFocusSelected | goRowSelect);
    CellLook look;
    look.state = state;
    const TColor background = fixed ? s.fixed_color : s.color;
    if ((state & gdSelected) && s.mute_unfocused && !s.focused) {
        look.background = clBtnFace;
        look.text = s.font_color;
    } else if ((state & gdSelected) && (!(state & gdFocused) || highlight_focused)) {
        look.background = clHighlight;
        look.text = clHighlightText;
    } else {
        look.background = background;
        look.text = s.font_color;
    }
    look.raised_edge = fixed && !s.flat;
    look.focus_rect = (state & gdFocused) && !s.editor_shown && !(s.options & goRowSelect);
    const TColor lines = fixed ? fixed_line_color : line_color;
    look.right_line = s.options & (fixed ? goFixedVertLine : goVertLine) ? lines : background;
    look.bottom_line = s.options & (fixed ? goFixedHorzLine : goHorzLine) ? lines : background;
    return look;
}

} // namespace

GridCellLook::GridCellLook(const Settings& settings, const GridCells& cells, const GridCursor& cursor)
    : cells_(cells), selection_(cursor.selection(cells, settings.options)),
      focused_cell_(settings.focused ? cursor.current : TGridCoord{}) {
    looks_[Fixed] = make_look(settings, gdFixed);
    looks_[Plain] = make_look(settings, 0);
    looks_[Selected] = make_look(settings, gdSelected);
    looks_[Current] = make_look(settings, gdFocused);
    looks_[SelectedCurrent] = make_look(settings, gdSelected | gdFocused);
}

const CellLook& GridCellLook::operator()(int col, int row) const {
    if (cells_.fixed(col, row))
        return looks_[Fixed];
    const bool selected = selection_.contains(col, row);
    if (TGridCoord{col, row} == focused_cell_)
        return looks_[selected ? SelectedCurrent : Current];
    return looks_[selected ? Selected : Plain];
}

} // namespace gui
