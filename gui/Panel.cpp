#include "gui/Panel.h"

#include <QPaintEvent>
#include <QPainter>

namespace gui {

// A raised bevel is light at the top and left, dark at the bottom and right; a lowered one the reverse.
// The rectangle shrinks by the bevel's width.
void TPanel::draw_bevel(TCanvas& canvas, TRect& rect, TBevelCut cut) {
    if (cut == bvNone)
        return;
    const TColor top_left = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor bottom_right = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    canvas.Brush.style = BrushStyle::Solid;
    for (int i = 0; i < bevel_width_ && !rect.empty(); ++i) {
        canvas.Brush.color = top_left;
        canvas.FillRect({rect.left, rect.top, rect.right, rect.top + 1});
        canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom});
        canvas.Brush.color = bottom_right;
        canvas.FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom});
        canvas.FillRect({rect.right - 1, rect.top, rect.right, rect.bottom});
        rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    }
}

void TPanel::Paint(TCanvas& canvas) {
    TRect rect{0, 0, width(), height()};
    canvas.Brush.style = BrushStyle::Solid;
    canvas.Brush.color = Color();
    canvas.FillRect(rect);
    draw_bevel(canvas, rect, bevel_outer_);
    rect = {rect.left + border_width_, rect.top + border_width_, rect.right - border_width_,
            rect.bottom - border_width_};
    draw_bevel(canvas, rect, bevel_inner_);
    canvas.Brush.color = Color();
    canvas.Font.font = font();
    canvas.Font.color = FontColor();
    if (Caption().isEmpty())
        return;
    canvas.Brush.style = BrushStyle::Clear;
    const unsigned align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    canvas.DrawText(Caption(), rect, align | DT_VCENTER | DT_SINGLELINE);
    canvas.Brush.style = BrushStyle::Solid;
}

void TPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TCanvas canvas(painter, TRect::from_qrect(event->rect()));
    Paint(canvas);
}

} // namespace gui
