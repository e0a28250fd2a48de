#include "components/SuperPanel.h"

#include "components/Myfunctions.h"
#include "gui/FormBase.h"

#include <algorithm>

TColor TSuperPanel::get_grad_color(int pos, int total) const {
    int r1, g1, b1, r2, g2, b2;
    calc_rgb(color1_, r1, g1, b1);
    calc_rgb(color2_, r2, g2, b2);
    const int r = (r2 - r1) * pos / total + r1;
    const int g = (g2 - g1) * pos / total + g1;
    const int b = (b2 - b1) * pos / total + b1;
    return static_cast<TColor>(r + g * 256 + b * 65536);
}

void TSuperPanel::Paint(TCanvas& canvas) {
    gui::TPanel::Paint(canvas);
    if (!wow_effects_) {
        draw_border(canvas);
        return;
    }
    const int bevels = (BevelInner() != gui::bvNone ? 1 : 0) + (BevelOuter() != gui::bvNone ? 1 : 0);
    const int a = BevelWidth() * bevels + BorderWidth();
    const gui::TRect face{a, a + horizontal_layer_, width() - a, height() - a - horizontal_layer_};
    canvas.Brush.style = gui::BrushStyle::Solid;
    if (color1_ == color2_) {
        canvas.Brush.color = Color();
        canvas.FillRect(face);
    } else if (vertical_gradiented_) {
        for (int y = face.top; y < face.bottom; y += 4) {
            canvas.Brush.color = get_grad_color(y, face.height());
            canvas.FillRect({face.left, y, face.right, std::min(y + 4, face.bottom)});
        }
    } else {
        for (int x = face.left; x < face.right; x += 4) {
            canvas.Brush.color = get_grad_color(x, face.width());
            canvas.FillRect({x, face.top, std::min(x + 4, face.right), face.bottom});
        }
    }
    // Point size of a font given in pixels: pixels at the screen's resolution.
    const double points =
        font().pointSizeF() > 0 ? font().pointSizeF() : font().pixelSize() * 72.0 / gui::screen_logical_dpi();
    const int shadow = points > 12 ? 2 : 1;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Font.font = font();
    if (text_shadow_) {
        canvas.Font.color = gui::clBlack;
        out_text(canvas, shadow, Caption());
        canvas.Font.color = FontColor();
    }
    out_text(canvas, 0, Caption());
    draw_border(canvas);
}

void TSuperPanel::out_text(TCanvas& canvas, int offset, const QString& text) {
    const int tw = canvas.TextWidth(text);
    const int th = canvas.TextHeight(text);
    const int y = (height() - th) / 2 + offset;
    int x = (width() - tw) / 2 + offset;
    if (Alignment() == gui::taLeftJustify)
        x = offset + 4;
    else if (Alignment() == gui::taRightJustify)
        x = width() - tw + offset - 4;
    canvas.TextOut(x, y, text);
}

void TSuperPanel::draw_border(TCanvas& canvas) {
    const int bw = BorderWidth();
    if (bw == 0)
        return;
    const TColor brush = canvas.Brush.color;
    const gui::BrushStyle brush_style = canvas.Brush.style;
    const int w = width();
    const int h = height();
    canvas.Brush.color = border_color_;
    canvas.Brush.style = gui::BrushStyle::Solid;
    // Bands along the top, right, bottom and left edges, bw pixels wide.
    canvas.FillRect({0, 0, w, bw});
    canvas.FillRect({w - bw, 0, w, h});
    canvas.FillRect({0, h - bw, w, h});
    canvas.FillRect({0, 0, bw, h});
    canvas.Brush.color = brush;
    canvas.Brush.style = brush_style;
}
