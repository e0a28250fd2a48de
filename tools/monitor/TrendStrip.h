// TTrendStrip: one value's recent past (its history's window: the monitor's ten minutes, a rig's hour)
// as a self-painted strip across its row: the trace with gaps left empty, the scale's limits labelled at
// the strip's left end, a tick a minute (every five minutes over an hour), and, where asked, the time axis
// (minutes ago) under it. The scale is given from outside, so that two strips
// can share one (the hole and bit depths). An optional second value of the same history is drawn
// faintly behind the first on the same scale.
#pragma once

#include "gui/PaintBox.h"
#include "tools/monitor/ValueHistory.h"

#include <optional>

class TTrendStrip : public gui::TPaintBox {
    Q_OBJECT
public:
    static constexpr gui::TColor trace_color = gui::clNavy;
    static constexpr gui::TColor reference_color = gui::clSilver;
    // Labels: current and not current, each at least 4.5:1 on the window colour.
    static constexpr gui::TColor text_color = gui::clWindowText;
    static constexpr gui::TColor stale_color = 0x595959;
    // Of every value the monitor shows.
    static constexpr int decimals = 2;

    TTrendStrip(const tools::value_history& history, std::size_t index, QWidget* owner = nullptr);

    // The value of the history drawn behind this one.
    void SetReference(std::optional<std::size_t> index);
    // Minutes ago under the trace.
    void SetTimeAxis(bool shown);
    // What the next paint shows: the window ending at `now`, the scale (none before the first
    // fresh read in the window) and whether the value is stale (then the labels are greyed).
    void SetView(double now, std::optional<std::pair<double, double>> scale, bool stale);

    bool Stale() const { return stale_; }
    // Where the trace goes inside a strip of this size: the whole width, less a small margin.
    gui::TRect PlotRect() const;
    // The window's length in whole minutes, and the minutes between two ticks and between two labels.
    int WindowMinutes() const;
    int TickMinutes() const { return WindowMinutes() > 10 ? 5 : 1; }
    int LabelMinutes() const { return 2 * TickMinutes(); }
    // The x of a time `minutes_ago` in the plot: the window's start at the left edge, now at the right.
    int minute_x(const gui::TRect& plot, int minutes_ago) const;

protected:
    void Paint(gui::TCanvas& canvas) override;

private:
    void draw_trace(gui::TCanvas& canvas, const gui::TRect& plot, std::size_t index, gui::TColor color);
    void draw_limits(gui::TCanvas& canvas, const gui::TRect& plot);
    void draw_time_axis(gui::TCanvas& canvas, const gui::TRect& plot);

    const tools::value_history& history_;
    std::size_t index_;
    std::optional<std::size_t> reference_;
    bool time_axis_ = false;
    double now_ = 0;
    std::optional<std::pair<double, double>> scale_;
    bool stale_ = true;
};
