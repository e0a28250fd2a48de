#include "components/MyGroupBox.h"

#include "components/Myfunctions.h"
#include "gui/FormBase.h"

#include <QPaintEvent>
#include <QPainter>

TMyGroupBox::TMyGroupBox(QWidget* owner) : TMyWinBase(owner) {
    resize(100, 100);
}

void TMyGroupBox::SetCaptionFont(const QFont& value) {
    if (caption_font_ == value && caption_font_.resolveMask() == value.resolveMask())
        return;
    caption_font_ = value;
    font_changed(this);
}

void TMyGroupBox::font_changed(QObject* sender) {
    (void)sender;
    update();
}

void TMyGroupBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TCanvas canvas(painter, gui::TRect::from_qrect(event->rect()));
    Paint(canvas);
}

void TMyGroupBox::resizeEvent(QResizeEvent* event) {
    TMyWinBase::resizeEvent(event);
    update();
}

void TMyGroupBox::Paint(TCanvas& canvas) {
    // The window's background, as every windowed control has.
    canvas.Brush.color = Color();
    canvas.FillRect(canvas.ClipRect());
    if (!get_parent())
        return;
    const int w = width();
    const int h = height();
    const int bw = border_width_;
    const int r = static_cast<int>(gui::screen_logical_dpi()) / 40;
    const TColor f = get_dark_color(border_color_, -border_light_, 0);
    canvas.Font.font = caption_font_auto_ ? font() : caption_font_;
    canvas.Font.color = FontColor();
    const QString caption = Caption();
    const int th = canvas.TextHeight(caption);
    const int tw = canvas.TextWidth(caption);
    const int hb = (bw - 1) / 2;
    const int t = th / 2 + 1;

    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = f;
    canvas.FillRect({r, t, w - r, t + bw});
    canvas.FillRect({w - bw, t + r, w, h - r});
    canvas.FillRect({r, h - bw, w - r, h});
    canvas.FillRect({0, t + r, bw, h - r});

    canvas.Pen.style = gui::PenStyle::Solid;
    canvas.Pen.width = bw;
    canvas.Pen.color = f;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Arc(hb, t + hb, 2 * r - hb, t + 2 * r - hb, r, t, 0, t + r + 1);
    canvas.Arc(w - 2 * r + hb, t + hb, w - hb, t + 2 * r - hb, w, t + r, w - r, t);
    canvas.Arc(w - 2 * r + hb, h - 2 * r + hb, w - hb, h - hb, w - r, h, w, h - r);
    canvas.Arc(hb, h - 2 * r + hb, 2 * r - hb, h - hb, 0, h - r, r + 1, h);

    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = caption_color_auto_ ? get_light_color(Color(), 32, ColorHue()) : caption_color_;
    canvas.Pen.style = gui::PenStyle::Clear;
    const int q = th / 3;
    const int x0 = r / 2 + th / 2;
    canvas.RoundRect(x0, 0, x0 + tw + 2 * q, th + 4, q, q);
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.TextOut(x0 + q, 1, caption);
    canvas.Pen.style = gui::PenStyle::Solid;
}
