// TColorSelector: a paint-box palette of 8 rows by 13 columns of colour cells. It marks the cell of
// the current colour with a thick blue frame and reports a click that changes the colour.
#pragma once

#include "gui/PaintBox.h"

#include <array>
#include <functional>

using gui::TCanvas;
using gui::TColor;

constexpr int palette_rows = 8;
constexpr int palette_columns = 13;

// The colour of a palette cell: the row's base colour with every channel moved by the column's delta
// and clamped, so some cells of neighbouring rows come out equal.
TColor palette_color(int row, int column);
// The cell under the point (x, y) of a palette of width x height pixels; false outside the grid.
bool palette_cell_at(int x, int y, int width, int height, int& row, int& column);

class TColorSelector : public gui::TPaintBox {
    Q_OBJECT
public:
    explicit TColorSelector(QWidget* owner = nullptr);

    TColor ColorValue() const { return color_value_; }
    // Stores a different colour and repaints at once.
    void SetValueColor(TColor value);

    // The palette's colours in row-major order, as the last paint laid them out.
    const std::array<TColor, palette_rows * palette_columns>& cells() const { return cells_; }

    std::function<void(QObject* sender, TColor color)> OnChangeColor;
    std::function<void(QObject* sender)> OnClick;

protected:
    void Paint(TCanvas& canvas) override;
    // A click at the point: the cell there becomes the colour; a change is reported.
    virtual void Click(QPoint pos);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fill_cells();

    TColor color_value_ = 0;
    std::array<TColor, palette_rows * palette_columns> cells_{};
    bool click_armed_ = false;
};
