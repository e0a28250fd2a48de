#include "gui/StringGrid.h"

namespace gui {

TStringGrid::TStringGrid(QWidget* owner) : TDrawGrid(owner) {
    cells_.resize(static_cast<size_t>(ColCount()) * static_cast<size_t>(RowCount()));
    stored_cols_ = ColCount();
}

QString TStringGrid::Cells(int col, int row) const {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        return {};
    return cells_[static_cast<size_t>(row) * static_cast<size_t>(stored_cols_) + static_cast<size_t>(col)];
}

void TStringGrid::SetCellText(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        return;
    cells_[static_cast<size_t>(row) * static_cast<size_t>(stored_cols_) + static_cast<size_t>(col)] = text;
    InvalidateCell(col, row);
}

QString TStringGrid::GetEditText(int col, int row) {
    return Cells(col, row);
}

void TStringGrid::SetEditText(int col, int row, const QString& text) {
    SetCellText(col, row, text);
}

void TStringGrid::layout_changed(int old_cols, int old_rows) {
    const size_t cols = static_cast<size_t>(ColCount());
    const size_t rows = static_cast<size_t>(RowCount());
    if (static_cast<int>(cols) == old_cols) {
        cells_.resize(cols * rows); // rows added or dropped at the end keep the others in place
    } else {
        std::vector<QString> moved(cols * rows);
        const size_t keep_cols = std::min(cols, static_cast<size_t>(old_cols));
        const size_t keep_rows = std::min(rows, static_cast<size_t>(old_rows));
        for (size_t r = 0; r < keep_rows; ++r)
            for (size_t c = 0; c < keep_cols; ++c)
                moved[r * cols + c] = std::move(cells_[r * static_cast<size_t>(old_cols) + c]);
        cells_ = std::move(moved);
    }
    stored_cols_ = ColCount();
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    TRect text_rect{rect.left + 2, rect.top, rect.right - 2, rect.bottom};
    Canvas().DrawText(Cells(col, row), text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    TDrawGrid::DrawCell(col, row, rect, state);
}

} // namespace gui
