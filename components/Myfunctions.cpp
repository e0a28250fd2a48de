#include "components/Myfunctions.h"

#include "gui/SystemColors.h"

#include <algorithm>
#include <limits>

namespace {

TColor pack(int r, int g, int b) {
    clamp_rgb(r, g, b);
    return static_cast<TColor>(r + g * 256 + b * 65536);
}

TColor shade(TColor color, int amount, TColor hue) {
    int r, g, b, hr, hg, hb;
    calc_rgb(color, r, g, b);
    calc_rgb(hue, hr, hg, hb);
    const int t = ((hr + hg + hb) / 3) / 16;
    return pack(r + amount + hr / 16 - t, g + amount + hg / 16 - t, b + amount + hb / 16 - t);
}

} // namespace

void calc_rgb(const TColor color, int& r, int& g, int& b) {
    const TColor c = gui::resolve_color(color);
    r = gui::red_of(c);
    g = gui::green_of(c);
    b = gui::blue_of(c);
}

void clamp_rgb(int& a, int& b, int& c) {
    for (int* v : {&a, &b, &c}) {
        if (*v >= 256)
            *v = 255;
        if (*v < 0)
            *v = 0;
    }
}

TColor get_inv_color(TColor color) {
    // The threshold sits exactly on values that plain doubles round the other way (r 100, g 180,
    // b 0 must give white), so the sum is formed in 80-bit extended precision from double constants.
    static_assert(std::numeric_limits<long double>::digits >= 64, "needs extended precision");
    int r, g, b;
    calc_rgb(color, r, g, b);
    const long double y = static_cast<long double>(0.2) * b + 0.5L * g + static_cast<long double>(0.3) * r;
    return y >= 120 ? 0x000000 : 0xFFFFFF;
}

TColor transform_color_light(TColor color, int delta) {
    if (delta == 0)
        return color;
    int r, g, b;
    calc_rgb(color, r, g, b);
    return pack(r + delta, g + delta, b + delta);
}

TColor get_grad_color(int pos, int total, TColor from, TColor to) {
    int r1, g1, b1, r2, g2, b2;
    calc_rgb(from, r1, g1, b1);
    calc_rgb(to, r2, g2, b2);
    if (total == 0) // no extent to interpolate over: stay at the start instead of dividing by zero
        return pack(r1, g1, b1);
    return pack((r2 - r1) * pos / total + r1, (g2 - g1) * pos / total + g1, (b2 - b1) * pos / total + b1);
}

TColor get_light_color(TColor color, int amount, TColor hue) {
    return shade(color, amount, hue);
}

TColor get_dark_color(TColor color, int amount, TColor hue) {
    return shade(color, -amount, hue);
}

void draw_gradient(TCanvas* canvas, TMyButtonGradientTypes type, TColor from, TColor to, int left, int top, int right,
                   int bottom) {
    canvas->Brush.style = gui::BrushStyle::Solid;
    const int h = bottom - top;
    const int w = right - left;
    int step = 4;
    switch (type) {
    case mbgtVertical:
        if (h < 60)
            step = 2;
        for (int y = top; y < bottom; y += step) {
            canvas->Brush.color = get_grad_color(y, h, from, to);
            canvas->FillRect({left, y, right, std::min(y + step, bottom)});
        }
        break;
    case mbgtHorizontal:
        if (w < 160)
            step = 2;
        for (int x = left; x < right; x += step) {
            canvas->Brush.color = get_grad_color(x, w, from, to);
            canvas->FillRect({x, top, std::min(x + step, right), bottom});
        }
        break;
    case mbgtDiagonal1:
        if (w <= 0 || h <= 0)
            break;
        canvas->Pen.style = gui::PenStyle::Clear;
        for (int x = left - w; x < right; x += step) {
            const int x2 = std::min(x + step, right);
            canvas->Brush.color = get_grad_color(x + (2 * w) / 3, right + w / 3, from, to);
            canvas->Polygon({{x, bottom}, {x2, bottom}, {x2 + w, top}, {x + w, top}});
        }
        canvas->Pen.style = gui::PenStyle::Solid;
        break;
    case mbgtNone:
    case mbgtDiagonal2:
        break;
    }
}
