#include "tools/monitor/TrendStrip.h"

#include "components/FloatFormat.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 3;
constexpr int tick = 4;

} // namespace

TTrendStrip::TTrendStrip(const tools::value_history& history, std::size_t index, QWidget* owner)
    : gui::TPaintBox(owner), history_(history), index_(index) {
    SetColor(gui::clWindow);
    const int line = QFontMetrics(font()).height();
    setMinimumHeight(3 * line + 2 * margin);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TTrendStrip::SetReference(std::optional<std::size_t> index) {
    store(reference_, index);
}

void TTrendStrip::SetTimeAxis(bool shown) {
    if (!store(time_axis_, shown))
        return;
    const int line = QFontMetrics(font()).height();
    setMinimumHeight((shown ? 4 : 3) * line + 2 * margin);
}

void TTrendStrip::SetView(double now, std::optional<std::pair<double, double>> scale, bool stale) {
    now_ = now;
    scale_ = scale;
    stale_ = stale;
    update();
}

gui::TRect TTrendStrip::PlotRect() const {
    const int axis = time_axis_ ? QFontMetrics(font()).height() : 0;
    return {margin + 1, margin + 1, std::max(margin + 2, width() - margin - 1),
            std::max(margin + 2, height() - margin - 1 - axis)};
}

int TTrendStrip::WindowMinutes() const {
    return std::max(1, static_cast<int>(std::lround(history_.window_seconds() / 60)));
}

int TTrendStrip::minute_x(const gui::TRect& plot, int minutes_ago) const {
    const int window = WindowMinutes();
    return plot.left + plot.width() * (window - minutes_ago) / window;
}

void TTrendStrip::draw_trace(gui::TCanvas& canvas, const gui::TRect& plot, std::size_t index, gui::TColor color) {
    const auto columns =
        tools::trace_columns(history_, index, now_, plot.width(), plot.height(), scale_->first, scale_->second);
    // Solid whatever was drawn before: the time axis leaves a clear brush, which would fill nothing.
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = color;
    int x = plot.left;
    for (const tools::trace_span& c : columns) {
        if (!c.empty())
            canvas.FillRect({x, plot.top + c.top, x + 1, plot.top + c.bottom + 1});
        ++x;
    }
}

// The scale's upper limit in the top-left corner, its lower one in the bottom-left, each on a
// patch of the window colour so the trace never runs through the digits.
void TTrendStrip::draw_limits(gui::TCanvas& canvas, const gui::TRect& plot) {
    canvas.Font.color = stale_ ? stale_color : text_color;
    for (const bool upper : {true, false}) {
        const QString text = format_fixed(upper ? scale_->second : scale_->first, decimals);
        const int tw = canvas.TextWidth(text) + 4;
        const int th = canvas.TextHeight(text);
        const int top = upper ? plot.top : plot.bottom - th;
        canvas.Brush.style = gui::BrushStyle::Solid;
        canvas.Brush.color = gui::clWindow;
        canvas.FillRect({plot.left, top, plot.left + tw, top + th});
        canvas.Brush.style = gui::BrushStyle::Clear;
        canvas.TextOut(plot.left + 2, top, text);
    }
}

// Under the plot: "10 мин назад" (the window's length) at its left end, every other tick's minutes at
// their ticks, 0 at the right end; a label that would run into the previous one is left out.
void TTrendStrip::draw_time_axis(gui::TCanvas& canvas, const gui::TRect& plot) {
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Font.color = text_color;
    const int window = WindowMinutes();
    int free_from = plot.left;
    for (int m = window; m >= 0; m -= LabelMinutes()) {
        const QString text = m == window ? QString::fromUtf8("%1 мин назад").arg(window) : QString::number(m);
        const int tw = canvas.TextWidth(text);
        const int x = m == window ? plot.left : m == 0 ? plot.right - tw : minute_x(plot, m) - tw / 2;
        if (x < free_from)
            continue;
        canvas.TextOut(x, plot.bottom + 1, text);
        free_from = x + tw + canvas.TextWidth(QStringLiteral(" "));
    }
}

void TTrendStrip::Paint(gui::TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.FillRect({0, 0, width(), height()});

    const gui::TRect plot = PlotRect();
    canvas.Pen.color = gui::clBtnShadow;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Rectangle(plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1);
    // A tick every TickMinutes along the bottom edge.
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = gui::clBtnShadow;
    for (int m = TickMinutes(); m < WindowMinutes(); m += TickMinutes()) {
        const int x = minute_x(plot, m);
        canvas.FillRect({x, plot.bottom - tick, x + 1, plot.bottom});
    }
    if (time_axis_)
        draw_time_axis(canvas, plot);

    if (!scale_) {
        canvas.Brush.style = gui::BrushStyle::Clear;
        canvas.Font.color = stale_color;
        gui::TRect centre = plot;
        canvas.DrawText(QString::fromUtf8("нет данных"), centre,
                        gui::DT_CENTER | gui::DT_VCENTER | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
        return;
    }
    if (reference_)
        draw_trace(canvas, plot, *reference_, reference_color);
    draw_trace(canvas, plot, index_, trace_color);
    draw_limits(canvas, plot);
}
