// TTrendStrip: one value's last ten minutes as a self-painted strip: the title and the current
// value above, the trace below with the window's maximum and minimum beside it, gaps left empty.
// The scale is given from outside, so that two strips can share one (the hole and bit depths).
// An optional second value of the same history is drawn faintly behind the first on the same scale.
#pragma once

#include "gui/PaintBox.h"
#include "tools/monitor/ValueHistory.h"

#include <optional>

class TTrendStrip : public gui::TPaintBox {
    Q_OBJECT
public:
    static constexpr gui::TColor trace_color = gui::clNavy;
    static constexpr gui::TColor reference_color = gui::clSilver;
    // Of every value the monitor shows, here and in its table.
    static constexpr int decimals = 2;

    TTrendStrip(const tools::value_history& history, std::size_t index, QWidget* owner = nullptr);

    void SetTitle(const QString& title);
    // The value of the history drawn behind this one.
    void SetReference(std::optional<std::size_t> index);
    // What the next paint shows: the window ending at `now`, the scale, the current value (nothing
    // before the first read) and whether it is stale (then shown greyed and marked).
    void SetView(double now, std::optional<std::pair<double, double>> scale, std::optional<double> current, bool stale);

    bool Stale() const { return stale_; }
    // Where the trace goes inside a strip of this size.
    gui::TRect PlotRect() const;

protected:
    void Paint(gui::TCanvas& canvas) override;

private:
    void draw_trace(gui::TCanvas& canvas, const gui::TRect& plot, std::size_t index, gui::TColor color);

    const tools::value_history& history_;
    std::size_t index_;
    std::optional<std::size_t> reference_;
    QString title_;
    double now_ = 0;
    std::optional<std::pair<double, double>> scale_;
    std::optional<double> current_;
    bool stale_ = true;
};
