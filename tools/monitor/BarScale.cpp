#include "tools/monitor/BarScale.h"

#include "components/FloatFormat.h"
#include "components/Indicator.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

constexpr int tick = 4;

} // namespace

TBarScale::TBarScale(QWidget* owner) : gui::TPaintBox(owner) {
    setFixedHeight(tick + 2 + QFontMetrics(font()).height());
}

void TBarScale::SetRange(double left, double right, double step) {
    store(left_, left);
    store(right_, right);
    store(step_, step);
}

void TBarScale::SetAlarm(double value) {
    store(alarm_, value);
}

int TBarScale::x_of(double v) const {
    // As the bar itself places a value, held inside the scale.
    return std::clamp(TIndicator::bar_position(v, left_, right_, width()), 0, width() - 1);
}

// The number of v centred under its tick, held inside the scale at both ends.
void TBarScale::label(gui::TCanvas& canvas, double v, int top) {
    const QString text = format_fixed(v, std::floor(v) == v ? 0 : 1);
    const int tw = canvas.TextWidth(text);
    canvas.TextOut(std::clamp(x_of(v) - tw / 2, 0, width() - tw), top, text);
}

void TBarScale::Paint(gui::TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.FillRect({0, 0, width(), height()});
    if (!(right_ > left_) || !(step_ > 0))
        return;
    const int steps = static_cast<int>(std::floor((right_ - left_) / step_ + 1e-9));
    canvas.Brush.color = canvas.Font.color;
    canvas.Brush.style = gui::BrushStyle::Solid;
    for (int i = 0; i <= steps; ++i) {
        const int x = x_of(left_ + i * step_);
        canvas.FillRect({x, 0, x + 1, tick});
    }
    // The alarm: a notch pointing up at the level, its number in bold in place of the plain one.
    const bool alarm_shown = alarm_ >= left_ && alarm_ <= right_;
    if (alarm_shown) {
        const int x = x_of(alarm_);
        canvas.Pen.color = canvas.Font.color;
        canvas.Polygon({{x, 0}, {x - tick, tick + 1}, {x + tick, tick + 1}});
    }
    canvas.Brush.style = gui::BrushStyle::Clear;
    const int top = tick + 2;
    for (int i = 0; i <= steps; ++i) {
        const double v = left_ + i * step_;
        if (!alarm_shown || std::fabs(v - alarm_) > step_ / 2)
            label(canvas, v, top);
    }
    if (alarm_shown) {
        canvas.Font.font.setBold(true);
        label(canvas, alarm_, top);
    }
}
