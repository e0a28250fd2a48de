#include "gui/GridNavigation.h"

#include <gtest/gtest.h>

namespace {

using gui::GridCells;
using gui::TGridCoord;
using gui::TGridRect;

// 4 columns x 20 rows, one fixed of each; a page of 9 rows.
constexpr GridCells cells{4, 20, 1, 1};
constexpr int page = 9;
constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifiers shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
constexpr gui::TGridOptions range = gui::goRangeSelect;

TEST(DrawGridNavigation, WhereEachKeyLeads) {
    struct Case {
        TGridCoord from;
        int key;
        Qt::KeyboardModifiers mods;
        TGridCoord to;
        bool move_anchor;
        int scroll;
    };
    const Case cases[] = {
        {{2, 5}, Qt::Key_Down, none, {2, 6}, true, 0},
        {{2, 5}, Qt::Key_Up, none, {2, 4}, true, 0},
        {{2, 5}, Qt::Key_Right, shift, {3, 5}, false, 0}, // Shift extends the range
        {{2, 5}, Qt::Key_Left, none, {1, 5}, true, 0},
        {{2, 19}, Qt::Key_Down, none, {2, 19}, true, 0}, // never past the last row
        {{2, 1}, Qt::Key_Up, none, {2, 1}, true, 0},     // never onto a fixed row
        {{1, 5}, Qt::Key_Left, none, {1, 5}, true, 0},   // nor a fixed column
        {{3, 5}, Qt::Key_Right, none, {3, 5}, true, 0},
        {{2, 5}, Qt::Key_Home, none, {1, 5}, true, 0},
        {{2, 5}, Qt::Key_Home, ctrl, {1, 1}, true, 0},
        {{2, 5}, Qt::Key_End, none, {3, 5}, true, 0},
        {{2, 5}, Qt::Key_End, ctrl, {3, 19}, true, 0},
        {{2, 5}, Qt::Key_PageDown, none, {2, 14}, true, 9}, // the view pages with the row
        {{2, 15}, Qt::Key_PageUp, shift, {2, 6}, false, -9},
        {{2, 15}, Qt::Key_PageDown, none, {2, 19}, true, 9},
        {{2, 5}, Qt::Key_PageUp, none, {2, 1}, true, -9},
        {{3, 5}, Qt::Key_Tab, none, {1, 6}, true, 0},      // wraps onto the next row
        {{2, 5}, Qt::Key_Tab, shift, {1, 5}, true, 0},     // Shift+Tab goes back, never a range
        {{1, 5}, Qt::Key_Backtab, shift, {3, 4}, true, 0}, // and wraps onto the previous row
        {{1, 1}, Qt::Key_Backtab, none, {1, 1}, true, 0},  // nothing before the first cell
        {{3, 19}, Qt::Key_Tab, none, {3, 19}, true, 0},    // nothing after the last
        {{3, 18}, Qt::Key_Tab, none, {1, 19}, true, 0},
    };
    for (const Case& c : cases) {
        const auto move = gui::navigate(cells, c.from, page, c.key, c.mods, range);
        ASSERT_TRUE(move) << c.key;
        EXPECT_EQ(move->to, c.to) << c.key << " from " << c.from.col << "," << c.from.row;
        EXPECT_EQ(move->move_anchor, c.move_anchor) << c.key;
        EXPECT_EQ(move->scroll_rows, c.scroll) << c.key;
    }
    EXPECT_FALSE(gui::navigate(cells, {2, 5}, page, Qt::Key_F5, none, range)) << "no navigation key";
    EXPECT_TRUE(gui::navigate(cells, {2, 5}, page, Qt::Key_Down, shift, 0)->move_anchor)
        << "no range without the option";
    EXPECT_EQ(gui::navigate(cells, {2, 5}, 0, Qt::Key_PageDown, none, range)->scroll_rows, 1)
        << "a page is a row at least";
    EXPECT_EQ(gui::navigate({4, 1, 1, 1}, {2, 5}, page, Qt::Key_Down, none, range)->to, (TGridCoord{2, 6}))
        << "no scrolled cell to keep it in";
}

TEST(DrawGridNavigation, SelectionAndAnchor) {
    gui::GridCursor cursor{{2, 5}, {3, 2}};
    EXPECT_EQ(cursor.selection(cells, range), (TGridRect{2, 2, 3, 5}));
    EXPECT_EQ(cursor.selection(cells, gui::goRowSelect), (TGridRect{1, 2, 3, 5}))
        << "whole rows past the fixed columns";
    cursor.move_to({1, 7}, false, range);
    EXPECT_EQ(cursor.selection(cells, range), (TGridRect{1, 2, 3, 7})) << "extended from the anchor";
    cursor.move_to({2, 8}, false, 0);
    EXPECT_EQ(cursor.selection(cells, range), (TGridRect{2, 8, 2, 8})) << "without range selection: the cell";
    cursor.move_to({3, 9}, true, range);
    EXPECT_EQ(cursor.anchor, (TGridCoord{3, 9}));
    EXPECT_TRUE(cells.fixed(0, 5));
    EXPECT_TRUE(cells.fixed(2, 0));
    EXPECT_FALSE(cells.fixed(1, 1));
    EXPECT_FALSE((GridCells{1, 5, 1, 0}.has_scrolled()));
    EXPECT_FALSE((GridCells{4, 1, 0, 1}.has_scrolled()));
    EXPECT_TRUE((GridCells{2, 2, 1, 1}.has_scrolled()));
}

} // namespace
