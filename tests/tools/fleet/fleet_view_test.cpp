// The fleet view's table and a rig's detail, rendered offscreen over a host fed by the edge node's own payloads.
#include "tests/support/fleet_edge.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"
#include "tools/fleet/FleetTable.h"
#include "tools/fleet/RigDetail.h"
#include "tools/monitor/TrendStrip.h"
#include "tools/monitor/ValueReadout.h"

#include <QLabel>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

using bv_test::at;
using bv_test::edge;
using sparkplug::reading;
using sparkplug::source;

namespace {

constexpr std::int64_t t0 = 1700000000000;

// One rig in each state, each put there by its edge, at `now` on the host's clock.
struct fleet_of_each_state {
    fleet::fleet_host host{"Borevane"};
    edge live{host, "a-live"}, stale{host, "b-stale"}, offline{host, "c-offline"}, catching{host, "d-catching"},
        none{host, "e-none"};
    std::int64_t now = t0 + 60000;

    fleet_of_each_state() {
        float depth = 3000;
        for (edge* e : {&live, &stale, &offline, &catching}) {
            e->births(at(t0, depth), t0);
            for (std::int64_t t = t0 + 1000; t < now; t += 1000)
                e->data(at(t, depth + static_cast<float>(t - t0) / 1000), t + 100);
            depth -= 1000;
        }
        stale.data(at(now - 500, 0, source::stale), now - 400);
        offline.death(0, now - 300);
        catching.historical({at(now - 90000, 1), at(now - 89000, 2)}, now - 200);
        none.births(at(now, 0, source::missing), now);
    }
};

QStringList column(const TFleetTable& table, int col) {
    QStringList texts;
    for (int row = 1; row < table.RowCount(); ++row)
        texts << table.CellText(col, row);
    return texts;
}

int pixels_of(const QImage& image, const gui::TRect& r, gui::TColor colour) {
    return bv_test::count_colour(image.copy(r.left, r.top, r.width(), r.height()), colour);
}

double contrast(gui::TColor a, gui::TColor b) {
    const double la = bv_test::luminance(QColor(gui::red_of(a), gui::green_of(a), gui::blue_of(a)).rgb());
    const double lb = bv_test::luminance(QColor(gui::red_of(b), gui::green_of(b), gui::blue_of(b)).rgb());
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class FleetViewTest : public ::testing::Test {
protected:
    void SetUp() override { gui::pin_system_colors(gui::standard_system_colors()); }
    void TearDown() override { gui::unpin_system_colors(); }
};

// Each state has a name, a colour and a mark of its own, its colour legible on the rows' backgrounds; values not
// current are greyed and marked, those of a rig without data absent; the drawing agrees with the texts.
TEST_F(FleetViewTest, EveryStateShowsItsOwnColourAndMarkAndOnlyCurrentValuesAreShownAsCurrent) {
    fleet_of_each_state f;
    TFleetTable table(f.host);
    table.resize(table.FullWidth() + 40, 400);
    table.show();
    table.Refresh(f.now);
    ASSERT_EQ(table.RowCount(), 6);
    EXPECT_EQ(column(table, TFleetTable::colState),
              QStringList({"В работе", "Данные устарели", "Нет связи", "Догоняет", "Нет данных"}));
    const QStringList depths = column(table, TFleetTable::colValue);
    EXPECT_EQ(depths[0], "3059.00 м");
    EXPECT_EQ(depths[1], "2059.00 м (устар.)");
    EXPECT_EQ(depths[2], "1059.00 м (устар.)");
    EXPECT_EQ(depths[3], "59.00 м"); // the backlog's older readings do not replace the current values
    EXPECT_EQ(depths[4], "");
    EXPECT_EQ(column(table, TFleetTable::colAge)[0], "1 с");

    std::set<gui::TColor> colours;
    std::set<TFleetTable::Mark> marks;
    for (const auto s : {fleet::rig_state::live, fleet::rig_state::stale, fleet::rig_state::offline,
                         fleet::rig_state::catching_up, fleet::rig_state::no_data}) {
        const auto look = TFleetTable::look_of(s);
        colours.insert(look.color);
        marks.insert(look.mark);
        EXPECT_GE(contrast(look.color, gui::clWhite), 4.5) << int(s);
        EXPECT_GE(contrast(look.color, TFleetTable::current_row_color), 4.5) << int(s);
    }
    EXPECT_EQ(colours.size(), 5u);
    EXPECT_EQ(marks.size(), 5u);
    EXPECT_GE(contrast(TFleetTable::stale_color, TFleetTable::current_row_color), 4.5);

    const QImage image = bv_test::render(*table.viewport());
    for (int row = 1; row <= 5; ++row) {
        const auto look = TFleetTable::look_of(f.host.at(static_cast<std::size_t>(row - 1)).state);
        const gui::TRect state = table.CellRect(TFleetTable::colState, row);
        EXPECT_GT(pixels_of(image, {state.left, state.top, state.left + state.height(), state.bottom}, look.color), 8)
            << "no mark in row " << row;
        const gui::TRect rig = table.CellRect(TFleetTable::colRig, row);
        EXPECT_GT(pixels_of(image, rig, gui::resolve_color(TFleetTable::value_color)), 0) << "no node in row " << row;
        if (row > 1) { // the current row's background blends the glyphs' edges differently
            EXPECT_GT(pixels_of(image, rig, TFleetTable::stale_color), 0) << "no device in row " << row;
        }
        for (int col = TFleetTable::colValue; col < TFleetTable::colCount; ++col) {
            const gui::TRect value = table.CellRect(col, row);
            const bool current = row == 1 || row == 4;
            EXPECT_EQ(pixels_of(image, value, gui::resolve_color(TFleetTable::value_color)) > 0, current) << row;
            EXPECT_EQ(pixels_of(image, value, TFleetTable::stale_color) > 0, row == 2 || row == 3) << row;
            EXPECT_EQ(pixels_of(image, value, TFleetTable::trace_color) > 0, row != 5) << "sparkline " << row << col;
        }
    }
    QStringList headers;
    for (int col = 0; col < TFleetTable::colCount; ++col)
        headers << table.CellText(col, 0);
    EXPECT_EQ(headers, QStringList({"Буровая", "Состояние", "Возраст", "Забой", "Долото", "Вес на крюке", "Тальблок",
                                    "Давление", "Скорость"}));
}

// Sorting: a header click or Space on a column; again the other way round; trouble first by state; rigs without
// the value last either way; the cursor moved by the user stays on its rig; Enter opens the current rig.
TEST_F(FleetViewTest, SortsByAnyColumnFromMouseOrKeyboardAndOpensTheCurrentRig) {
    fleet_of_each_state f;
    TFleetTable table(f.host);
    table.resize(1000, 400);
    table.show();
    table.Refresh(f.now);
    auto rigs = [&] { return column(table, TFleetTable::colRig); };

    const gui::TRect state = table.CellRect(TFleetTable::colState, 0);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(state.left + 5, state.top + 5));
    EXPECT_EQ(rigs(),
              QStringList({"c-offline/depth", "b-stale/depth", "e-none/depth", "d-catching/depth", "a-live/depth"}));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(state.left + 5, state.top + 5));
    EXPECT_EQ(rigs().first(), "a-live/depth");
    EXPECT_TRUE(table.SortDescending());

    table.SortBy(TFleetTable::colValue);
    EXPECT_EQ(rigs(),
              QStringList({"d-catching/depth", "c-offline/depth", "b-stale/depth", "a-live/depth", "e-none/depth"}));
    table.SortBy(TFleetTable::colValue);
    EXPECT_EQ(rigs(),
              QStringList({"a-live/depth", "b-stale/depth", "c-offline/depth", "d-catching/depth", "e-none/depth"}));
    const gui::TRect name = table.CellRect(TFleetTable::colRig, 0);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(name.left + 5, name.top + 5));
    EXPECT_EQ(rigs().first(), "a-live/depth");
    EXPECT_EQ(table.SortColumn(), TFleetTable::colRig);
    table.SortBy(TFleetTable::colValue);
    table.SortBy(TFleetTable::colValue);

    // The user picks the third rig, then sorts by state from the keyboard; the cursor follows the rig.
    table.setFocus();
    QTest::keyClick(&table, Qt::Key_Down);
    QTest::keyClick(&table, Qt::Key_Down);
    QTest::keyClick(&table, Qt::Key_Home);
    EXPECT_EQ(table.Col(), TFleetTable::colState);
    const fleet::rig* chosen = table.RigAt(table.Row());
    ASSERT_EQ(chosen->node, "c-offline");
    QTest::keyClick(&table, Qt::Key_Space);
    EXPECT_EQ(rigs().first(), "c-offline/depth");
    EXPECT_EQ(table.RigAt(table.Row()), chosen);
    const fleet::rig* opened = nullptr;
    table.OnOpenRig = [&](const fleet::rig& r) { opened = &r; };
    QTest::keyClick(&table, Qt::Key_Return);
    EXPECT_EQ(opened, chosen);
}

// What a refresh repaints: the row of the rig that changed, the age of one whose age text moved, nothing else.
TEST_F(FleetViewTest, ARefreshRepaintsOnlyWhatChanged) {
    fleet_of_each_state f;
    TFleetTable table(f.host);
    table.resize(1000, 400);
    table.show();
    table.Refresh(f.now);
    struct spy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } paints;
    table.viewport()->installEventFilter(&paints);
    ASSERT_TRUE(bv_test::wait_for([&] { return !paints.painted.isEmpty(); }, 3000));
    bv_test::pump(50);
    paints.painted = {};

    f.live.data(at(f.now + 500, 4000), f.now + 600);
    table.Refresh(f.now + 600);
    ASSERT_TRUE(bv_test::wait_for([&] { return !paints.painted.isEmpty(); }, 3000));
    bv_test::pump(50);
    auto repainted = [&](int col, int row) { return paints.painted.intersects(table.CellRect(col, row).to_qrect()); };
    EXPECT_TRUE(repainted(TFleetTable::colValue, 1));
    EXPECT_EQ(table.CellText(TFleetTable::colValue, 1), "4000.00 м");
    EXPECT_TRUE(repainted(TFleetTable::colAge, 2)); // its age went from 0 to 1 s
    for (int row = 2; row <= 5; ++row)
        EXPECT_FALSE(repainted(TFleetTable::colValue, row)) << row;
    EXPECT_FALSE(repainted(TFleetTable::colAge, 3));

    paints.painted = {};
    table.Refresh(f.now + 700);
    bv_test::pump(100);
    EXPECT_TRUE(paints.painted.isEmpty());
}

// The detail draws each value's hour; a backlog that arrives later fills the gap it left, in every strip.
TEST_F(FleetViewTest, TheDetailsStripsShowTheHourAndTheBacklogFillsTheGap) {
    fleet::fleet_host host("Borevane");
    edge e{host, "rig001"};
    e.births(at(t0, 1000), t0);
    const std::int64_t now = t0 + 30 * 60000;
    std::vector<reading> missed;
    for (std::int64_t t = t0 + 1000; t < now; t += 1000) {
        const bool outage = t >= t0 + 10 * 60000 && t < t0 + 20 * 60000;
        (outage ? missed.push_back(at(t, 1000 + (t - t0) / 1000.0f)) : e.data(at(t, 1000 + (t - t0) / 1000.0f), t));
    }
    TRigDetail detail(e.shown());
    detail.resize(780, 580);
    detail.show();
    detail.Refresh(now);
    // Empty columns between the first and the last drawn one, per strip.
    auto holes = [&](std::size_t i) {
        const QImage image = bv_test::render(*detail.Strip(i));
        const gui::TRect plot = detail.Strip(i)->PlotRect();
        std::vector<bool> drawn;
        for (int x = plot.left; x < plot.right; ++x)
            drawn.push_back(pixels_of(image, {x, plot.top, x + 1, plot.bottom}, TTrendStrip::trace_color) > 0);
        const auto first = std::find(drawn.begin(), drawn.end(), true);
        const auto last = std::find(drawn.rbegin(), drawn.rend(), true).base();
        return first < last ? std::count(first, last, false) : -1;
    };
    for (std::size_t i = 0; i < fleet::value_count; ++i)
        EXPECT_GT(holes(i), 20) << "strip " << i << " shows no outage";
    EXPECT_EQ(detail.Strip(0)->WindowMinutes(), 60);

    for (std::size_t from = 0; from < missed.size(); from += 100)
        e.historical({missed.begin() + static_cast<long>(from),
                      missed.begin() + static_cast<long>(std::min(missed.size(), from + 100))},
                     now + 100);
    detail.Refresh(now + 200);
    for (std::size_t i = 0; i < fleet::value_count; ++i)
        EXPECT_EQ(holes(i), 0) << "strip " << i << " keeps a gap the backlog filled";
    EXPECT_EQ(detail.StatusLabel()->text(), "Догоняет");
    EXPECT_FALSE(detail.Readout(0)->Stale());
    EXPECT_EQ(detail.Readout(0)->Text(), "2799.00");
}

} // namespace
