#include "components/ColorSelector.h"

#include "components/Myfunctions.h"

#include <QMouseEvent>

namespace {

constexpr std::array<TColor, palette_rows> row_bases = {0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00,
                                                        0xFFFF00, 0xFF0000, 0xFF00FF, 0x808080};

int column_delta(int row, int column) {
    return row == palette_rows - 1 ? 256 * (6 - column) / 12 : 32 * (7 - column);
}

} // namespace

TColor palette_color(int row, int column) {
    const TColor base = row_bases[row];
    const int delta = column_delta(row, column);
    int r = gui::red_of(base) + delta;
    int g = gui::green_of(base) + delta;
    int b = gui::blue_of(base) + delta;
    clamp_rgb(r, g, b);
    return static_cast<TColor>(r + g * 256 + b * 65536);
}

bool palette_cell_at(int x, int y, int width, int height, int& row, int& column) {
    if (width <= 0 || height <= 0)
        return false;
    column = palette_columns * x / width;
    row = palette_rows * y / height;
    return column >= 0 && column < palette_columns && row >= 0 && row < palette_rows && x >= 0 && y >= 0;
}

TColorSelector::TColorSelector(QWidget* owner) : gui::TPaintBox(owner) {
    // A click may come before the first paint: the cells are known from the start.
    fill_cells();
}

void TColorSelector::fill_cells() {
    for (int j = 0; j < palette_rows; ++j)
        for (int k = 0; k < palette_columns; ++k)
            cells_[j * palette_columns + k] = palette_color(j, k);
}

void TColorSelector::SetValueColor(TColor value) {
    if (gui::store_changed(color_value_, value))
        repaint();
}

void TColorSelector::Paint(TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    const int w = width() - 1;
    const int h = height() - 1;
    canvas.Pen = {gui::clBlack, 1, gui::PenStyle::Solid};
    canvas.Brush.style = gui::BrushStyle::Solid;
    bool marked = false;
    gui::TRect mark;
    for (int j = 0; j < palette_rows; ++j) {
        const int y1 = h * j / palette_rows;
        const int y2 = h * (j + 1) / palette_rows;
        for (int k = 0; k < palette_columns; ++k) {
            const int x1 = w * k / palette_columns;
            const int x2 = w * (k + 1) / palette_columns;
            const TColor color = palette_color(j, k);
            cells_[j * palette_columns + k] = color;
            const gui::TRect cell{x1, y1, x2 + 1, y2 + 1};
            canvas.Brush.color = color;
            canvas.Rectangle(cell);
            if (color == color_value_) {
                mark = cell;
                marked = true;
            }
        }
    }
    if (marked) {
        canvas.Pen = {0xFF0000, 5, gui::PenStyle::Solid};
        canvas.Brush.color = color_value_;
        canvas.Rectangle(mark);
        canvas.Pen.width = 1;
    }
}

void TColorSelector::mousePressEvent(QMouseEvent* event) {
    click_armed_ = event->button() == Qt::LeftButton;
}

void TColorSelector::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool click = click_armed_ && event->button() == Qt::LeftButton && rect().contains(pos);
    click_armed_ = false;
    if (click)
        Click(pos);
}

void TColorSelector::Click(QPoint pos) {
    if (OnClick)
        OnClick(this);
    int row, column;
    if (!palette_cell_at(pos.x(), pos.y(), width(), height(), row, column))
        return;
    const TColor old = color_value_;
    color_value_ = cells_[row * palette_columns + column];
    repaint();
    if (color_value_ != old && OnChangeColor)
        OnChangeColor(this, color_value_);
}
