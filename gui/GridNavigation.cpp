#include "gui/GridNavigation.h"

#include <algorithm>

namespace gui {

TGridCoord GridCells::clamp(TGridCoord cell) const {
    if (!has_scrolled())
        return cell;
    return {std::clamp(cell.col, fixed_cols, cols - 1), std::clamp(cell.row, fixed_rows, rows - 1)};
}

std::optional<GridMove> navigate(const GridCells& cells, TGridCoord current, int page, int key,
                                 Qt::KeyboardModifiers modifiers, TGridOptions options) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool extend = (modifiers & Qt::ShiftModifier) && (options & goRangeSelect);
    GridMove move{current, !extend, 0};
    TGridCoord& to = move.to;
    page = std::max(1, page);
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        to.row += key == Qt::Key_Up ? -1 : 1;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        to.col += key == Qt::Key_Left ? -1 : 1;
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The view pages first, so the current row keeps its place in it.
        move.scroll_rows = key == Qt::Key_PageUp ? -page : page;
        to.row += move.scroll_rows;
        break;
    case Qt::Key_Home:
        to.col = cells.fixed_cols;
        if (ctrl)
            to.row = cells.fixed_rows;
        break;
    case Qt::Key_End:
        to.col = cells.cols - 1;
        if (ctrl)
            to.row = cells.rows - 1;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // Along the row, wrapping to the next or previous row; never a range.
        const bool back = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
        to.col += back ? -1 : 1;
        if (to.col >= cells.cols && to.row + 1 < cells.rows) {
            to.col = cells.fixed_cols;
            ++to.row;
        } else if (to.col < cells.fixed_cols && to.row - 1 >= cells.fixed_rows) {
            to.col = cells.cols - 1;
            --to.row;
        }
        move.move_anchor = true;
        break;
    }
    default:
        return std::nullopt;
    }
    to = cells.clamp(to);
    return move;
}

TGridRect GridCursor::selection(const GridCells& cells, TGridOptions options) const {
    const int top = std::min(anchor.row, current.row);
    const int bottom = std::max(anchor.row, current.row);
    if (options & goRowSelect)
        return {cells.fixed_cols, top, cells.cols - 1, bottom};
    return {std::min(anchor.col, current.col), top, std::max(anchor.col, current.col), bottom};
}

void GridCursor::move_to(TGridCoord cell, bool move_anchor, TGridOptions options) {
    current = cell;
    if (move_anchor || !(options & goRangeSelect))
        anchor = cell;
}

} // namespace gui
