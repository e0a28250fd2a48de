#include "components/ColorSelector.h"
#include "tests/support/widget_image.h"

#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

using bv_test::at;
using bv_test::render;

TEST(ColorSelectorTest, PaletteRowsWithTheDuplicatesOfClamping) {
    const std::vector<std::pair<TColor, TColor>> ends = {
        {0xE0E0FF, 0x00005F}, {0xE0FFFF, 0x00005F}, {0xE0FFFF, 0x005F5F}, {0xE0FFE0, 0x005F00},
        {0xFFFFE0, 0x5F5F00}, {0xFFE0E0, 0x5F0000}, {0xFFE0FF, 0x5F005F}, {0xFFFFFF, 0x000000}};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(palette_color(row, 0), ends[row].first) << row;
        EXPECT_EQ(palette_color(row, 12), ends[row].second) << row;
        // The base colour itself: column 7 of the coloured rows, column 6 of the grey one.
        EXPECT_EQ(
            palette_color(row, row == 7 ? 6 : 7),
            std::vector<TColor>({0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x808080})[row]);
    }
    for (int k : {0, 1, 2, 3})
        EXPECT_EQ(palette_color(1, k), palette_color(2, k)) << k;
    EXPECT_EQ(palette_color(1, 3), 0x80FFFFu);
    EXPECT_NE(palette_color(1, 4), palette_color(2, 4));
    EXPECT_EQ(palette_color(0, 11), palette_color(1, 11));
    EXPECT_EQ(palette_color(0, 11), 0x00007Fu);
    // The grey row: 256 * (6 - k) / 12 truncated toward zero.
    const int grey[13] = {128, 106, 85, 64, 42, 21, 0, -21, -42, -64, -85, -106, -128};
    for (int k = 0; k < 13; ++k) {
        const int v = std::clamp(0x80 + grey[k], 0, 255);
        EXPECT_EQ(palette_color(7, k), gui::rgb_color(v, v, v)) << k;
    }
    EXPECT_EQ(palette_color(3, 2), 0xA0FFA0u); // 0 + 160, and 255 + 160 clamped
}

TEST(ColorSelectorTest, HitTestingUsesTheFullSize) {
    int row = -1, column = -1;
    ASSERT_TRUE(palette_cell_at(20, 20, 261, 161, row, column));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    ASSERT_TRUE(palette_cell_at(21, 21, 261, 161, row, column));
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 1);
    ASSERT_TRUE(palette_cell_at(260, 160, 261, 161, row, column));
    EXPECT_EQ(column, 12);
    EXPECT_EQ(row, 7);
    ASSERT_TRUE(palette_cell_at(0, 0, 261, 161, row, column));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    EXPECT_FALSE(palette_cell_at(5, 5, 0, 161, row, column)); // an empty palette has no cells
    EXPECT_FALSE(palette_cell_at(5, 5, 261, 0, row, column));
    EXPECT_FALSE(palette_cell_at(261, 10, 261, 161, row, column));
    EXPECT_FALSE(palette_cell_at(10, 161, 261, 161, row, column));
    EXPECT_FALSE(palette_cell_at(-1, 10, 261, 161, row, column));
    EXPECT_FALSE(palette_cell_at(10, -1, 261, 161, row, column));
}

// The 5-pixel blue frame of the mark around the cell's outline (x1..x2, y1..y2).
bool marked_at(const QImage& image, int x1, int y1) {
    return at(image, x1, y1 + 10) == 0xFF0000 && at(image, x1 + 2, y1 + 10) == 0xFF0000 &&
           at(image, x1 + 10, y1) == 0xFF0000;
}

TEST(ColorSelectorTest, PaintsCellsTwentyApartAndMarksTheLastEqualCell) {
    TColorSelector selector;
    selector.resize(261, 161);
    EXPECT_EQ(selector.ColorValue(), 0u);
    EXPECT_TRUE(marked_at(render(selector), 240, 140)) << "black is the last cell";
    selector.SetValueColor(0x010203);
    QImage image = render(selector);
    const QImage unmarked = image;
    // Shared outlines at x = 20 k and y = 20 j; cell colours inside.
    EXPECT_EQ(at(image, 20, 10), 0u);
    EXPECT_EQ(at(image, 40, 10), 0u);
    EXPECT_EQ(at(image, 10, 20), 0u);
    EXPECT_EQ(at(image, 260, 160), 0u);
    EXPECT_EQ(at(image, 10, 10), 0xE0E0FFu);
    EXPECT_EQ(at(image, 30, 50), palette_color(2, 1));
    EXPECT_EQ(at(image, 250, 150), 0x000000u);
    EXPECT_EQ(at(image, 249, 149), palette_color(7, 12));
    EXPECT_EQ(selector.cells()[13 * 3 + 5], palette_color(3, 5));

    selector.SetValueColor(0xE0FFFF);
    image = render(selector);
    EXPECT_TRUE(marked_at(image, 0, 40)) << "row 2, column 0";
    EXPECT_FALSE(marked_at(image, 0, 20)) << "the earlier equal cell of row 1 stays plain";
    EXPECT_EQ(at(image, 20, 50), 0xFF0000u); // the mark is one cell wide
    EXPECT_EQ(at(image, 40, 50), 0u);
    EXPECT_EQ(at(image, 10, 50), 0xE0FFFFu);

    selector.SetValueColor(0x123456);
    EXPECT_TRUE(render(selector) == unmarked);
}

TEST(ColorSelectorTest, ClickChangesAndReportsOnlyANewColour) {
    TColorSelector selector;
    selector.resize(261, 161);
    selector.show();
    std::vector<TColor> reported;
    int clicks = 0;
    selector.OnChangeColor = [&](QObject* sender, TColor color) {
        EXPECT_EQ(sender, &selector);
        reported.push_back(color);
    };
    selector.OnClick = [&](QObject*) { ++clicks; };
    // Setting a colour and clicking a cell paint at once, not at the next event loop pass.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    int paints = 0;
    selector.OnPaint = [&](QObject*, TCanvas&) { ++paints; };
    selector.SetValueColor(0x010203);
    EXPECT_EQ(paints, 1);
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(0, 1)); // (0, 0) would mean the centre
    EXPECT_EQ(paints, 2);
    EXPECT_EQ(selector.ColorValue(), palette_color(0, 0));
    reported.clear();
    clicks = 0;
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(21, 41)); // row 2, column 1
    EXPECT_EQ(selector.ColorValue(), palette_color(2, 1));
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(39, 59)); // the same cell again
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(20, 20)); // outline: column 0, row 0
    EXPECT_EQ(selector.ColorValue(), palette_color(0, 0));
    QTest::mouseClick(&selector, Qt::RightButton, {}, QPoint(250, 150));
    EXPECT_EQ(reported, (std::vector<TColor>{palette_color(2, 1), palette_color(0, 0)}));
    EXPECT_EQ(clicks, 3);
}

} // namespace
