#include "gui/GridCellLook.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

using namespace gui;

constexpr GridCells cells{4, 20, 1, 1};
constexpr TColor white = clWhite, yellow = clYellow, red = clRed;
constexpr TGridOptions lines = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;

// Selection 1,1 .. 1,2 with the current cell at 1,2.
GridCellLook look(TGridOptions options, bool focused = true, bool flat = true, bool editor_shown = false,
                  bool mute_unfocused = false) {
    return GridCellLook({options | goRangeSelect, white, yellow, red, flat, focused, editor_shown, mute_unfocused},
                        cells, GridCursor{{1, 2}, {1, 1}});
}

TEST(DrawGridLook, StatesAndColoursByCell) {
    const GridCellLook l = look(goVertLine | goFixedVertLine | goFixedHorzLine);
    struct Case {
        int col, row;
        TGridDrawState state;
        TColor background, text;
        bool focus_rect;
        TColor right, bottom;
    };
    const Case cases[] = {
        {0, 3, gdFixed, yellow, red, false, clBlack, clBlack},
        {2, 0, gdFixed, yellow, red, false, clBlack, clBlack},
        {1, 1, gdSelected, clHighlight, clHighlightText, false, clSilver,
         white},                                                           // a missing line takes the grid colour
        {1, 2, gdSelected | gdFocused, white, red, true, clSilver, white}, // the focused cell keeps the grid colour
        {2, 2, 0, white, red, false, clSilver, white},                     // no horizontal lines: the background
    };
    for (const Case& c : cases) {
        const CellLook& cell = l(c.col, c.row);
        EXPECT_EQ(cell.state, c.state) << c.col << "," << c.row;
        EXPECT_EQ(cell.background, c.background) << c.col << "," << c.row;
        EXPECT_EQ(cell.text, c.text) << c.col << "," << c.row;
        EXPECT_EQ(cell.focus_rect, c.focus_rect) << c.col << "," << c.row;
        EXPECT_EQ(cell.right_line, c.right) << c.col << "," << c.row;
        EXPECT_EQ(cell.bottom_line, c.bottom) << c.col << "," << c.row;
        EXPECT_FALSE(cell.raised_edge);
    }
    EXPECT_EQ(look(lines)(1, 1).bottom_line, clSilver);
    EXPECT_EQ(look(0)(0, 1).right_line, yellow) << "no fixed lines: the fixed colour";
    EXPECT_EQ(look(0)(0, 1).bottom_line, yellow);
}

TEST(DrawGridLook, FocusHighlightRaisedEdges) {
    EXPECT_EQ(look(goDrawFocusSelected)(1, 2).background, clHighlight) << "the focused cell highlighted too";
    EXPECT_EQ(look(goDrawFocusSelected)(1, 2).text, clHighlightText);
    const CellLook& row_select = look(goRowSelect)(2, 2);
    EXPECT_EQ(row_select.state, gdSelected) << "the whole row";
    EXPECT_EQ(look(goRowSelect)(1, 2).background, clHighlight);
    EXPECT_FALSE(look(goRowSelect)(1, 2).focus_rect) << "no focus rectangle in whole-row selection";
    EXPECT_FALSE(look(0, true, true, true)(1, 2).focus_rect) << "the editor stands in for it";
    const CellLook& unfocused = look(0, false)(1, 2);
    EXPECT_EQ(unfocused.state, gdSelected) << "without the keyboard no cell is focused";
    EXPECT_EQ(unfocused.background, clHighlight);
    // Muted without the keyboard: every selected cell in the button face, the solid highlight only with it.
    for (const bool focused : {false, true})
        for (const auto [col, row] : {std::pair{1, 1}, {1, 2}}) {
            const CellLook& muted = look(goDrawFocusSelected, focused, true, false, true)(col, row);
            EXPECT_EQ(muted.background, focused ? clHighlight : clBtnFace) << focused << col << row;
            EXPECT_EQ(muted.text, focused ? clHighlightText : red) << focused << col << row;
        }
    EXPECT_TRUE(look(0, true, false)(0, 0).raised_edge) << "fixed cells raised in the sunken look";
    EXPECT_FALSE(look(0, true, false)(1, 3).raised_edge);
}

} // namespace
