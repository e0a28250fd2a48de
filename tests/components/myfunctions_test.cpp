#include "components/Myfunctions.h"
#include "tests/support/widget_image.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    std::string what;
    std::function<TColor()> compute;
    TColor expected;
};

TEST(ColourHelpers, Arithmetic) {
    const Case cases[] = {
        {"inv of green 240: Y = 120", [] { return get_inv_color(0x00F000); }, 0x000000},
        {"inv of green 238: Y = 119", [] { return get_inv_color(0x00EE00); }, 0xFFFFFF},
        {"inv just below 120 in extended precision", [] { return get_inv_color(gui::rgb_color(100, 180, 0)); },
         0xFFFFFF},
        {"inv of white", [] { return get_inv_color(0xFFFFFF); }, 0x000000},
        {"inv resolves the window text reference", [] { return get_inv_color(gui::clWindowText); }, 0xFFFFFF},
        {"transform by 0 keeps a reference", [] { return transform_color_light(0x8000000F, 0); }, 0x8000000F},
        {"transform resolves a reference", [] { return transform_color_light(0x8000000F, 1); }, 0xF1F1F1},
        {"transform clamps per channel", [] { return transform_color_light(0x102030, -0x20); }, 0x000010},
        {"transform drops the top byte", [] { return transform_color_light(0x12345678, 1); }, 0x355779},
        {"grad a third of the way", [] { return get_grad_color(1, 3, 0x000000, 0xFFFFFF); }, 0x555555},
        {"grad start", [] { return get_grad_color(0, 7, 0x102030, 0xFFFFFF); }, 0x102030},
        {"grad end", [] { return get_grad_color(7, 7, 0x102030, 0x405060); }, 0x405060},
        {"grad beyond the end extrapolates", [] { return get_grad_color(22, 21, 0x000000, 0x808080); }, 0x868686},
        {"grad beyond the end clamps", [] { return get_grad_color(22, 21, 0x000000, 0xFFFFFF); }, 0xFFFFFF},
        {"grad truncates toward zero going down", [] { return get_grad_color(1, 3, 0x000064, 0x000000); }, 0x000043},
        {"grad before the start clamps", [] { return get_grad_color(-5, 3, 0x000000, 0xFFFFFF); }, 0x000000},
        {"grad with no extent stays at from", [] { return get_grad_color(5, 0, 0x123456, 0xFFFFFF); }, 0x123456},
        {"grad resolves references", [] { return get_grad_color(0, 1, gui::clBtnFace, 0); }, 0xF0F0F0},
        {"light with a green hue", [] { return get_light_color(0x808080, 25, 0x008000); }, 0x979F97},
        {"light of white stays white", [] { return get_light_color(0xFFFFFF, 25, 0); }, 0xFFFFFF},
        {"dark of black stays black", [] { return get_dark_color(0x000000, 25, 0); }, 0x000000},
        {"dark by a negative amount lightens", [] { return get_dark_color(0x101010, -7, 0); }, 0x171717},
        {"light by a negative amount darkens", [] { return get_light_color(0x101010, -7, 0); }, 0x090909},
        {"grey hue adds no tint", [] { return get_dark_color(0x808080, 16, 0x505050); }, 0x707070},
        {"disabled caption colour", [] { return get_dark_color(gui::clBtnFace, 96, 0); }, 0x909090},
        {"default frame colour", [] { return get_dark_color(0x00FF00, 96, 0); }, 0x009F00},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.compute(), c.expected) << c.what;
}

TEST(ColourHelpers, SplittingAndClamping) {
    int r, g, b;
    calc_rgb(0x12345678, r, g, b);
    EXPECT_EQ((std::array{r, g, b}), (std::array{0x78, 0x56, 0x34}));
    calc_rgb(gui::clBtnShadow, r, g, b);
    EXPECT_EQ((std::array{r, g, b}), (std::array{0xA0, 0xA0, 0xA0}));
    int x = 256, y = -1, z = 255;
    clamp_rgb(x, y, z);
    EXPECT_EQ((std::array{x, y, z}), (std::array{255, 0, 255}));
}

using bv_test::at;
using bv_test::sentinel;

QImage render(const std::function<void(TCanvas&)>& draw) {
    return bv_test::render_canvas(300, 120, draw);
}

// Start rows (or columns) of runs of equal colour along a line of pixels, until the sentinel.
std::vector<int> band_starts(const QImage& image, bool vertical, int fixed) {
    std::vector<int> starts;
    const int n = vertical ? image.height() : image.width();
    QRgb previous = sentinel;
    for (int i = 0; i < n; ++i) {
        const QRgb p = vertical ? image.pixel(fixed, i) : image.pixel(i, fixed);
        if (p == sentinel)
            break;
        if (starts.empty() || p != previous)
            starts.push_back(i);
        previous = p;
    }
    return starts;
}

TEST(ColourHelpers, GradientBandsFollowTheExtent) {
    struct BandCase {
        TMyButtonGradientTypes type;
        int extent;
        int expected_bands;
        int step;
    };
    const BandCase cases[] = {
        {mbgtVertical, 59, 30, 2},
        {mbgtVertical, 60, 15, 4},
        {mbgtHorizontal, 159, 80, 2},
        {mbgtHorizontal, 160, 40, 4},
    };
    for (const BandCase& c : cases) {
        const bool vertical = c.type == mbgtVertical;
        // A gradient steep enough that every band has its own colour.
        const QImage image = bv_test::render_canvas(200, 100, [&](TCanvas& canvas) {
            draw_gradient(&canvas, c.type, 0x000000, 0xFFFFFF, 0, 0, vertical ? 10 : c.extent,
                          vertical ? c.extent : 10);
        });
        const std::vector<int> starts = band_starts(image, vertical, 5);
        ASSERT_EQ(static_cast<int>(starts.size()), c.expected_bands) << c.type << " " << c.extent;
        for (int i = 0; i < c.expected_bands; ++i) {
            EXPECT_EQ(starts[i], i * c.step);
            const TColor expected = get_grad_color(starts[i], c.extent, 0x000000, 0xFFFFFF);
            EXPECT_EQ(vertical ? at(image, 5, starts[i]) : bv_test::at(image, starts[i], 5), expected);
        }
        // Right and bottom edges are exclusive: the last band of an odd extent is one pixel.
        EXPECT_EQ(vertical ? image.pixel(5, c.extent) : image.pixel(c.extent, 5), sentinel);
    }
}

TEST(ColourHelpers, GradientPositionsAreAbsolute) {
    // Bands take their colour from their absolute coordinate, not from their distance to top.
    const QImage image =
        render([](TCanvas& canvas) { draw_gradient(&canvas, mbgtVertical, 0, 0xFFFFFF, 0, 10, 5, 50); });
    EXPECT_EQ(at(image, 2, 10), get_grad_color(10, 40, 0, 0xFFFFFF));
    EXPECT_EQ(at(image, 2, 48), get_grad_color(48, 40, 0, 0xFFFFFF)); // beyond `to`: clamped white
    EXPECT_EQ(image.pixel(2, 9), sentinel);
    EXPECT_EQ(image.pixel(5, 20), sentinel);
}

TEST(ColourHelpers, DiagonalGradientBandsAreParallelograms) {
    // A 40 x 40 square at (0, 0): band x runs from (x, 40) up to (x + 40, 0).
    const TColor from = 0x000000, to = 0xFFFFFF;
    const QImage image = render([&](TCanvas& canvas) {
        canvas.Pen.color = 0x0000FF;
        draw_gradient(&canvas, mbgtDiagonal1, from, to, 0, 0, 40, 40);
        EXPECT_EQ(canvas.Pen.style, gui::PenStyle::Solid);
        EXPECT_EQ(canvas.Brush.color, get_grad_color(36 + 26, 40 + 13, from, to)); // the last band's colour
    });
    const TColor band8 = get_grad_color(8 + 26, 53, from, to);
    EXPECT_EQ(at(image, 10, 39), band8);
    EXPECT_EQ(at(image, 20, 29), band8);
    EXPECT_EQ(at(image, 30, 19), band8);
    EXPECT_EQ(at(image, 1, 0), get_grad_color(-40 + 26, 53, from, to)); // a band that began left of the square
    EXPECT_NE(at(image, 20, 39), band8);
    // The upper ends reach past the right edge (a control's own clipping cuts them), not below it.
    EXPECT_NE(image.pixel(40, 5), sentinel);
    EXPECT_EQ(image.pixel(5, 40), sentinel);
}

TEST(ColourHelpers, NothingDrawnForNoneDiagonal2OrEmptyRectangles) {
    struct EmptyCase {
        TMyButtonGradientTypes type;
        int left, top, right, bottom;
    };
    const EmptyCase cases[] = {
        {mbgtNone, 0, 0, 50, 50},       {mbgtDiagonal2, 0, 0, 50, 50},   {mbgtVertical, 10, 10, 10, 50},
        {mbgtVertical, 10, 50, 40, 10}, {mbgtHorizontal, 40, 0, 10, 50}, {mbgtHorizontal, 0, 10, 40, 10},
        {mbgtDiagonal1, 40, 0, 10, 50}, {mbgtDiagonal1, 0, 50, 40, 10},
    };
    for (const EmptyCase& c : cases) {
        const QImage image = render(
            [&](TCanvas& canvas) { draw_gradient(&canvas, c.type, 0, 0xFFFFFF, c.left, c.top, c.right, c.bottom); });
        QImage blank(image.size(), image.format());
        blank.fill(sentinel);
        EXPECT_TRUE(image == blank) << c.type << " " << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
}

} // namespace
