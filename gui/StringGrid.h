// The string grid: a draw grid that stores a text per cell, edits it in place and draws it at the
// cell's left, vertically centred, with a small margin.
#pragma once

#include "gui/DrawGrid.h"

#include <QString>
#include <vector>

namespace gui {

class TStringGrid : public TDrawGrid {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* owner = nullptr);

    QString Cells(int col, int row) const;
    // Stores the text and repaints the cell; out-of-range cells are ignored.
    void SetCellText(int col, int row, const QString& text);

    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& text) override;

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void layout_changed(int old_cols, int old_rows) override;

private:
    // Row-major; resized with the grid so that a cell's text stays with its cell.
    std::vector<QString> cells_;
    int stored_cols_ = 0;
};

} // namespace gui
