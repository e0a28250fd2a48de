#include "tools/monitor/TrendStrip.h"

#include "components/FloatFormat.h"

#include <QFontMetrics>

namespace {

constexpr int margin = 3;

QString stale_mark() {
    return QString::fromUtf8(" (устар.)");
}

} // namespace

TTrendStrip::TTrendStrip(const tools::value_history& history, std::size_t index, QWidget* owner)
    : gui::TPaintBox(owner), history_(history), index_(index) {
    SetColor(gui::clWindow);
    const int line = QFontMetrics(font()).height();
    setMinimumHeight(3 * line + 2 * margin);
}

void TTrendStrip::SetTitle(const QString& title) {
    store(title_, title);
}

void TTrendStrip::SetReference(std::optional<std::size_t> index) {
    store(reference_, index);
}

void TTrendStrip::SetView(double now, std::optional<std::pair<double, double>> scale, std::optional<double> current,
                          bool stale) {
    now_ = now;
    scale_ = scale;
    current_ = current;
    stale_ = stale;
    update();
}

gui::TRect TTrendStrip::PlotRect() const {
    const QFontMetrics fm(font());
    const int right_column = fm.horizontalAdvance(QString::fromUtf8("макс 00000,00")) + 2 * margin;
    return {margin, fm.height() + margin, std::max(margin + 1, width() - right_column), height() - margin};
}

void TTrendStrip::draw_trace(gui::TCanvas& canvas, const gui::TRect& plot, std::size_t index, gui::TColor color) {
    const auto columns =
        tools::trace_columns(history_, index, now_, plot.width(), plot.height(), scale_->first, scale_->second);
    canvas.Brush.color = color;
    int x = plot.left;
    for (const tools::trace_span& c : columns) {
        if (!c.empty())
            canvas.FillRect({x, plot.top + c.top, x + 1, plot.top + c.bottom + 1});
        ++x;
    }
}

void TTrendStrip::Paint(gui::TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    const int w = width();
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.FillRect({0, 0, w, height()});
    const gui::TColor text = stale_ ? gui::clGrayText : gui::clWindowText;
    canvas.Brush.style = gui::BrushStyle::Clear;

    // The title on the left, the current value on the right of the top line.
    gui::TRect top{margin, 0, w - margin, canvas.TextHeight(title_)};
    canvas.Font.color = text;
    canvas.DrawText(title_, top, gui::DT_LEFT | gui::DT_SINGLELINE | gui::DT_NOPREFIX | gui::DT_END_ELLIPSIS);
    if (current_) {
        gui::TFont plain = canvas.Font;
        canvas.Font.font.setBold(true);
        canvas.DrawText(format_fixed(*current_, decimals) + (stale_ ? stale_mark() : QString()), top,
                        gui::DT_RIGHT | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
        canvas.Font = plain;
    }

    const gui::TRect plot = PlotRect();
    canvas.Pen.color = gui::clBtnShadow;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Rectangle(plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1);
    // A tick a minute along the bottom edge.
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = gui::clBtnShadow;
    for (int m = 1; m < 10; ++m) {
        const int x = plot.left + plot.width() * m / 10;
        canvas.FillRect({x, plot.bottom - 3, x + 1, plot.bottom});
    }

    const auto range = history_.range(index_, now_);
    if (!scale_) {
        canvas.Brush.style = gui::BrushStyle::Clear;
        canvas.Font.color = gui::clGrayText;
        gui::TRect centre = plot;
        canvas.DrawText(QString::fromUtf8("нет данных"), centre,
                        gui::DT_CENTER | gui::DT_VCENTER | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
        return;
    }
    if (reference_)
        draw_trace(canvas, plot, *reference_, reference_color);
    draw_trace(canvas, plot, index_, trace_color);

    // The window's extremes beside the trace, top and bottom.
    if (!range)
        return;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Font.color = text;
    gui::TRect column{plot.right + margin, plot.top - 1, w - margin, plot.bottom + 1};
    canvas.DrawText(QString::fromUtf8("макс ") + format_fixed(range->second, decimals), column,
                    gui::DT_RIGHT | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
    canvas.DrawText(QString::fromUtf8("мин ") + format_fixed(range->first, decimals), column,
                    gui::DT_RIGHT | gui::DT_BOTTOM | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
}
