#include "components/MyRectangle.h"

#include "components/Myfunctions.h"

void TMyRectangle::Paint(TCanvas& canvas) {
    if (fixed_width_ > 0 && fixed_width_ != width())
        resize(fixed_width_, height());
    if (fixed_height_ > 0 && fixed_height_ != height())
        resize(width(), fixed_height_);
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = transform_color_light(Color(), color_light_);
    canvas.FillRect(canvas.ClipRect());
    if (border_width_ == 0)
        return;
    const int w = width();
    const int h = height();
    const int bw = border_width_;
    canvas.Brush.color = border_color_;
    canvas.FillRect({0, 0, bw, h});
    canvas.FillRect({0, 0, w, bw});
    canvas.FillRect({w - bw, 0, w, h});
    canvas.FillRect({0, h - bw, w, h});
}
