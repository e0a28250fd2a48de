// TFleetTable: every rig of a group at a glance, one row per edge node and device: the rig's name, its state
// (a colour AND a mark of its own, so that no state is told by colour alone), the six values with their units,
// each beside its last hour as a sparkline, and the reading's age. Values that are not current are greyed
// (still at least 4.5:1) and marked "устар.", as the monitor marks them.
//
// It keeps no copy of the rigs: it reads the host's, and on each Refresh repaints only the visible cells whose
// rig changed (or whose age text did), so that a view of 500 rigs costs what its visible rows cost. A click on
// a header, or Space on a cell, sorts by that column (again: the other way); once the user has moved the
// cursor, it stays on its rig whatever the order. Double click or Enter opens the rig.
#pragma once

#include "gui/DrawGrid.h"
#include "tools/fleet/fleet_host.h"

#include <QRegion>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TFleetTable : public gui::TDrawGrid {
    Q_OBJECT
public:
    enum Column { colRig, colState, colAge, colValue, colCount = colValue + fleet::value_count };

    // A state's look: its colour (text at least 4.5:1 on the window colour) and the shape of its mark.
    enum class Mark { disc, triangle, cross, chevrons, ring };
    struct StateLook {
        gui::TColor color;
        Mark mark;
    };
    static StateLook look_of(fleet::rig_state state);
    static constexpr gui::TColor value_color = gui::clWindowText;
    static constexpr gui::TColor stale_color = 0x595959;
    static constexpr gui::TColor trace_color = gui::clNavy;
    // Behind the current rig's row: light, so that every state's colour keeps its contrast on it.
    static constexpr gui::TColor current_row_color = gui::rgb_color(0xDD, 0xEB, 0xF7);

    explicit TFleetTable(const fleet::fleet_host& host, QWidget* owner = nullptr);

    // Takes what changed in the host since the last call, `now_ms` on the host's wall clock: new rows, the
    // order when sorted by something that changed, and the cells to repaint.
    void Refresh(std::int64_t now_ms);

    // Sorts by `column`; the same column again reverses the order.
    void SortBy(int column);
    int SortColumn() const { return sort_column_; }
    bool SortDescending() const { return descending_; }

    // The rig of grid row `row` (the first rig is row 1); nullptr for the header or beyond.
    const fleet::rig* RigAt(int row) const;
    int RowOf(const fleet::rig* rig) const;
    // What a cell shows, as drawn: header names, "node/device", the state's name, the value with its unit and
    // the stale mark, the age.
    QString CellText(int col, int row) const;
    static QString ColumnTitle(int col);
    // Every column side by side, with the frame.
    int FullWidth() const;

    // The newest reading time among the visible rows as they were last drawn; for the delay figures.
    std::optional<std::int64_t> NewestPaintedReading() const { return newest_painted_; }

    // Double click or Enter on a rig's row.
    std::function<void(const fleet::rig&)> OnOpenRig;

protected:
    void DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state) override;
    void DblClick() override;
    void Click() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fit_sizes();
    void sort_rows();
    bool less(const fleet::rig& a, const fleet::rig& b) const;
    QString age_text(const fleet::rig& r) const;
    void draw_header(gui::TCanvas& canvas, int col, const gui::TRect& rect);
    void draw_state(gui::TCanvas& canvas, const fleet::rig& r, const gui::TRect& rect);
    void draw_value(gui::TCanvas& canvas, const fleet::rig& r, std::size_t index, const gui::TRect& rect);
    void invalidate_row(int row);

    const fleet::fleet_host& host_;
    std::vector<std::size_t> order_;                    // host index of each row's rig
    std::vector<std::uint64_t> painted_;                // per host index: the revision last asked to repaint
    std::vector<QString> painted_age_;                  // per host index: the age text last asked to repaint
    std::vector<std::optional<std::int64_t>> shown_ms_; // per host index: the reading time its row was drawn with
    std::int64_t now_ms_ = 0;
    std::int64_t sparklines_ms_ = 0; // when every visible sparkline was last moved on
    int sort_column_ = colRig;
    bool descending_ = false;
    QRegion paint_region_;
    std::optional<std::int64_t> newest_painted_;
    int highlighted_row_ = -1;
    bool cursor_chosen_ = false; // until the user moves the cursor, it stays on the first row whatever the order
};
