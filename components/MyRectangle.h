// TMyRectangle: a paint-box rectangle filled with its colour brightened by ColorLight and framed by
// a solid border; optionally held at a fixed width or height, applied when it paints.
#pragma once

#include "gui/PaintBox.h"

using gui::TCanvas;
using gui::TColor;

class TMyRectangle : public gui::TPaintBox {
    Q_OBJECT
public:
    using TPaintBox::TPaintBox;

    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value) { store(border_width_, value); }
    TColor BorderColor() const { return border_color_; }
    void SetBorderColor(TColor value) { store(border_color_, value); }
    int FixedWidth() const { return fixed_width_; }
    void SetFixedWidth(int value) { store(fixed_width_, value); }
    int FixedHeight() const { return fixed_height_; }
    void SetFixedHeight(int value) { store(fixed_height_, value); }
    int ColorLight() const { return color_light_; }
    void SetColorLight(int value) { store(color_light_, value); }

protected:
    void Paint(TCanvas& canvas) override;

private:
    int border_width_ = 0;
    TColor border_color_ = gui::clBtnShadow;
    int fixed_width_ = -1;
    int fixed_height_ = -1;
    int color_light_ = 0;
};
