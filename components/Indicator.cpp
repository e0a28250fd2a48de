#include "components/Indicator.h"

#include "components/FloatFormat.h"
#include "gui/SystemColors.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <cmath>

// Reformats the caption from the value, so a caption set by hand gives way to the number again.
void TIndicator::SetDigNum(int value) {
    const bool changed = dig_num_ != value;
    dig_num_ = value;
    const QString text = has_value_ ? format_fixed(value_, dig_num_) : Caption();
    if (text != Caption())
        SetCaption(text);
    else if (changed)
        repaint();
}

void TIndicator::SetValue(long double value) {
    if (has_value_ && std::fabs(static_cast<double>(value_ - value)) < 1e-7)
        return;
    has_value_ = true;
    value_ = value;
    const QString text = format_fixed(value_, dig_num_);
    if (text == Caption())
        repaint(); // the bar follows the value where the text stays, and a first value always shows
    else
        SetCaption(text);
}

void TIndicator::CaptionChanged() {
    repaint();
}

void TIndicator::Paint(TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    // At the pixel ratio of the device painted on (the engine's: rendering into an image redirects the
    // widget's painter there), so text and edges stay sharp on a scaled screen.
    QPaintEngine* engine = canvas.painter().paintEngine();
    const qreal ratio = (engine ? engine->paintDevice() : canvas.painter().device())->devicePixelRatioF();
    QPixmap image(size() * ratio);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    TCanvas off(painter, {0, 0, width(), height()});
    off.Font = canvas.Font;
    off.Brush = canvas.Brush;
    off.Pen = canvas.Pen;
    draw(off);
    painter.end();
    canvas.Draw(0, 0, image);
}

void TIndicator::draw(TCanvas& canvas) {
    const int w = width();
    const int h = height();
    canvas.Pen.style = gui::PenStyle::Solid;
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = Color();
    canvas.FillRect({0, 0, w, h});
    if (type_ == itValue)
        draw_value_indicator(&canvas);
    else
        draw_hor_line_indicator(&canvas);
    if (frame_width_ == 0)
        return;
    const int fw = frame_width_;
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Pen.style = gui::PenStyle::Solid;
    canvas.Brush.color = gui::clWindowText;
    canvas.Pen.color = gui::clWindowText;
    canvas.Rectangle(0, 0, w, fw);
    canvas.Rectangle(w - fw, 0, w, h);
    canvas.Rectangle(0, 0, fw, h);
    canvas.Rectangle(0, h - fw, w, h);
}

void TIndicator::draw_value_indicator(TCanvas* canvas) {
    canvas->Brush.style = gui::BrushStyle::Clear;
    const int tw = canvas->TextWidth(Caption());
    const int th = canvas->TextHeight(Caption());
    const int x = (width() - tw) / 2;
    const int y = (height() - th) / 2;
    if (text_shadow_ && gui::resolve_color(canvas->Font.color) != gui::resolve_color(gui::clWindowText)) {
        int points = canvas->Font.font.pointSize();
        if (points <= 0) // a font sized in pixels
            points = canvas->Font.font.pixelSize() * 72 / 96;
        const int s = points / 18 + 1;
        const TColor font_color = canvas->Font.color;
        canvas->Font.color = gui::clWindowText;
        canvas->TextOut(x + s, y + s, Caption());
        canvas->Font.color = font_color;
    }
    canvas->TextOut(x, y, Caption());
}

int TIndicator::bar_position(long double v, long double left, long double right, int w) {
    const long double x = w * (v - left) / (right - left);
    if (std::isnan(x) || x < -1)
        return -1;
    if (x > w + 1)
        return w + 1;
    return static_cast<int>(x);
}

void TIndicator::draw_hor_line_indicator(TCanvas* canvas) {
    if (!has_value_) {
        draw_value_indicator(canvas); // a caption set explicitly, never a bar
        return;
    }
    if (!(value_right_ - value_left_ > 0))
        return;
    const int w = width();
    const int h = height();
    const int x = bar_position(value_, value_left_, value_right_, w);
    canvas->Brush.color = value_ < AlarmValue ? indicator_color_ : alarm_color_;
    canvas->FillRect({0, 0, x, h});
    const int xa = bar_position(AlarmValue, value_left_, value_right_, w);
    canvas->Pen.color = alarm_color_;
    canvas->MoveTo(xa, 0);
    canvas->LineTo(xa, h);
    draw_value_indicator(canvas);
}
