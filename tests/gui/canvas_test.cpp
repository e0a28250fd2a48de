#include "gui/Canvas.h"
#include "gui/SystemColors.h"
#include "gui/WindowRegion.h"
#include "tests/support/widget_image.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb white = 0xFFFFFFFF;

QImage render(int w, int h, const std::function<void(gui::TCanvas&)>& draw) {
    return bv_test::render_canvas(w, h, draw, white);
}

bool painted(const QImage& image, int x, int y) {
    return image.pixel(x, y) != white;
}

// Bounding box (left, top, right, bottom exclusive) of the pixels that are not white.
gui::TRect ink(const QImage& image) {
    gui::TRect box{image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (painted(image, x, y))
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

TEST(Canvas, RectanglesExcludeRightAndBottomEdges) {
    const QImage image = render(20, 20, [](gui::TCanvas& c) {
        c.Brush.color = gui::clRed;
        c.FillRect({2, 3, 6, 8});
        c.Brush.color = gui::clLime;
        c.Pen.color = gui::clBlack;
        c.Rectangle(10, 10, 18, 16);
    });
    EXPECT_EQ(image.pixel(2, 3), 0xFFFF0000);
    EXPECT_EQ(image.pixel(5, 7), 0xFFFF0000);
    EXPECT_FALSE(painted(image, 6, 7));
    EXPECT_FALSE(painted(image, 5, 8));
    for (auto [x, y] : {std::pair{10, 10}, {17, 10}, {10, 15}, {17, 15}, {13, 10}, {13, 15}})
        EXPECT_EQ(image.pixel(x, y), 0xFF000000) << x << "," << y;
    EXPECT_EQ(image.pixel(11, 11), 0xFF00FF00);
    EXPECT_EQ(image.pixel(16, 14), 0xFF00FF00);
    EXPECT_FALSE(painted(image, 18, 12));
    EXPECT_FALSE(painted(image, 12, 16));

    const QImage hollow = render(20, 20, [](gui::TCanvas& c) {
        c.Brush.style = gui::BrushStyle::Clear;
        c.Rectangle(2, 2, 12, 12);
        c.Pen.style = gui::PenStyle::Clear;
        c.Brush.style = gui::BrushStyle::Solid;
        c.Brush.color = gui::clBlack;
        c.Rectangle(14, 14, 14, 18); // empty
    });
    EXPECT_TRUE(painted(hollow, 2, 2));
    EXPECT_FALSE(painted(hollow, 6, 6));
    EXPECT_EQ(ink(hollow), (gui::TRect{2, 2, 12, 12}));
}

TEST(Canvas, LinesStopBeforeTheirEndPoint) {
    const QImage image = render(20, 20, [](gui::TCanvas& c) {
        c.MoveTo(0, 0);
        c.LineTo(5, 0);
        c.MoveTo(0, 5);
        c.LineTo(5, 10);
        c.LineTo(5, 15); // continues from the previous end
    });
    for (int x = 0; x < 5; ++x)
        EXPECT_TRUE(painted(image, x, 0));
    EXPECT_FALSE(painted(image, 5, 0));
    EXPECT_TRUE(painted(image, 4, 9));
    EXPECT_TRUE(painted(image, 5, 10));
    EXPECT_TRUE(painted(image, 5, 14));
    EXPECT_FALSE(painted(image, 5, 15));
}

TEST(Canvas, ArcsRunCounterClockwiseFromFirstToSecondRadial) {
    // Quadrant counts of painted pixels, the axes left out: upper right, upper left, lower left, lower right.
    auto quadrants = [](const QImage& image) {
        std::array<int, 4> count{};
        for (int y = 0; y < 41; ++y)
            for (int x = 0; x < 41; ++x) {
                if (!painted(image, x, y) || std::abs(x - 20) < 3 || std::abs(y - 20) < 3)
                    continue;
                count[y < 20 ? (x > 20 ? 0 : 1) : (x < 20 ? 2 : 3)]++;
            }
        return count;
    };
    const QImage quarter = render(41, 41, [](gui::TCanvas& c) { c.Arc(0, 0, 41, 41, 40, 20, 20, 0); });
    const auto q = quadrants(quarter);
    EXPECT_GT(q[0], 10);
    EXPECT_EQ(q[1] + q[2] + q[3], 0);

    const QImage rest = render(41, 41, [](gui::TCanvas& c) { c.Arc(0, 0, 41, 41, 20, 0, 40, 20); });
    const auto r = quadrants(rest);
    EXPECT_EQ(r[0], 0);
    EXPECT_GT(r[1], 10);
    EXPECT_GT(r[2], 10);
    EXPECT_GT(r[3], 10);
}

TEST(Canvas, MeasuringText) {
    render(10, 10, [](gui::TCanvas& c) {
        c.Font.font.setPixelSize(13);
        const int line = c.TextHeight("#");
        auto measure = [&](const QString& text, unsigned flags, int width = 1000) {
            gui::TRect r{5, 7, 5 + width, 7};
            const int h = c.DrawText(text, r, flags | gui::DT_CALCRECT);
            EXPECT_EQ(r.bottom - r.top, h) << text.toStdString();
            EXPECT_EQ(r.left, 5);
            EXPECT_EQ(r.top, 7);
            return std::pair{r.width(), h};
        };
        EXPECT_EQ(measure("Hello", 0), std::pair(c.TextWidth("Hello"), line));
        EXPECT_EQ(measure("&Hello", 0), std::pair(c.TextWidth("Hello"), line));
        EXPECT_EQ(measure("A&&B", 0), std::pair(c.TextWidth("A&B"), line));
        EXPECT_EQ(measure("&Hello", gui::DT_NOPREFIX), std::pair(c.TextWidth("&Hello"), line));
        EXPECT_EQ(measure("ab\ncdef\r\ng", 0), std::pair(c.TextWidth("cdef"), 3 * line));
        EXPECT_EQ(measure("ab\ncdef", gui::DT_SINGLELINE).second, line);
        EXPECT_EQ(measure("", 0), std::pair(0, line));

        const int fits = c.TextWidth("one two");
        EXPECT_EQ(measure("one two three", gui::DT_WORDBREAK, fits + 1), std::pair(fits, 2 * line));
        EXPECT_EQ(measure("one two three", gui::DT_WORDBREAK, fits - 1).second, 3 * line);
        EXPECT_EQ(measure("one two three", 0, fits + 1).second, line);
        // A word wider than the rectangle keeps its own line and widens the result.
        const int long_word = c.TextWidth("extraordinarily");
        EXPECT_EQ(measure("extraordinarily long", gui::DT_WORDBREAK, 20), std::pair(long_word, 2 * line));
        // With an ellipsis the line is cut to the rectangle.
        EXPECT_LE(measure("extraordinarily", gui::DT_END_ELLIPSIS, 40).first, 40);
    });
}

TEST(Canvas, DrawingTextAlignsClipsAndUnderlines) {
    QFont font;
    font.setPixelSize(13);
    auto draw = [&](const QString& text, gui::TRect r, unsigned flags, bool opaque = false) {
        return render(120, 30, [&](gui::TCanvas& c) {
            c.Font.font = font;
            c.Brush.style = opaque ? gui::BrushStyle::Solid : gui::BrushStyle::Clear;
            c.Brush.color = gui::clYellow;
            c.DrawText(text, r, flags);
        });
    };
    const gui::TRect box{10, 5, 110, 25};
    const gui::TRect left = ink(draw("W", box, gui::DT_LEFT));
    const gui::TRect right = ink(draw("W", box, gui::DT_RIGHT));
    const gui::TRect centre = ink(draw("W", box, gui::DT_CENTER));
    EXPECT_LT(left.left, 14);
    EXPECT_GT(right.left, 95);
    EXPECT_LE(right.right, 110);
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 60, 3);

    const gui::TRect clipped = ink(draw("Wide text here", {10, 5, 30, 25}, 0));
    EXPECT_LE(clipped.right, 30);
    EXPECT_GT(ink(draw("Wide text here", {10, 5, 30, 25}, gui::DT_NOCLIP)).right, 40);

    // The prefix character underlines the next character; "&&" is a plain ampersand.
    EXPECT_FALSE(draw("&X", box, 0) == draw("X", box, 0));
    EXPECT_GT(ink(draw("&X", box, 0)).bottom, ink(draw("X", box, 0)).bottom);
    EXPECT_TRUE(draw("A&&B", box, 0) == draw("A&B", box, gui::DT_NOPREFIX));

    // Vertical placement applies to single lines only.
    const gui::TRect tall{10, 0, 110, 30};
    const gui::TRect top = ink(draw("W", tall, gui::DT_VCENTER));
    const gui::TRect middle = ink(draw("W", tall, gui::DT_SINGLELINE | gui::DT_VCENTER));
    const gui::TRect bottom = ink(draw("W", tall, gui::DT_SINGLELINE | gui::DT_BOTTOM));
    EXPECT_LT(top.top, middle.top);
    EXPECT_LT(middle.top, bottom.top);
    EXPECT_GE(bottom.bottom, 26);

    // A solid brush fills the text's background.
    const QImage opaque = draw("W", box, 0, true);
    EXPECT_EQ(opaque.pixel(ink(opaque).left, ink(opaque).top), 0xFFFFFF00);
}

TEST(Canvas, FocusRectangleIsDottedAndUndoneByRedrawing) {
    const QImage once = render(20, 20, [](gui::TCanvas& c) { c.DrawFocusRect({2, 2, 12, 10}); });
    EXPECT_EQ(once.pixel(2, 2), 0xFF000000);
    EXPECT_FALSE(painted(once, 3, 2));
    EXPECT_EQ(once.pixel(4, 2), 0xFF000000);
    EXPECT_EQ(once.pixel(2, 4), 0xFF000000);
    EXPECT_FALSE(painted(once, 6, 6));
    EXPECT_EQ(ink(once), (gui::TRect{2, 2, 12, 10}));
    const QImage twice = render(20, 20, [](gui::TCanvas& c) {
        c.Brush.color = gui::clRed;
        c.FillRect({0, 0, 20, 20});
        c.DrawFocusRect({2, 2, 12, 10});
        c.DrawFocusRect({2, 2, 12, 10});
    });
    QImage red(20, 20, QImage::Format_RGB32);
    red.fill(0xFFFF0000);
    EXPECT_TRUE(twice == red);
}

TEST(Canvas, FrameControlsAndRoundedShapes) {
    auto frame = [](gui::FrameKind kind, unsigned state) {
        return render(24, 24, [&](gui::TCanvas& c) { c.DrawFrameControl({2, 2, 20, 20}, kind, state); });
    };
    const QImage unchecked = frame(gui::FrameKind::CheckBox, gui::DFCS_FLAT);
    const QImage checked = frame(gui::FrameKind::CheckBox, gui::DFCS_FLAT | gui::DFCS_CHECKED);
    EXPECT_FALSE(unchecked == checked);
    EXPECT_FALSE(frame(gui::FrameKind::PushButton, 0) == frame(gui::FrameKind::PushButton, gui::DFCS_PUSHED));
    const gui::TRect drawn = ink(unchecked);
    EXPECT_GE(drawn.left, 2);
    EXPECT_LE(drawn.right, 20);

    const QImage round = render(30, 30, [](gui::TCanvas& c) {
        c.Pen.style = gui::PenStyle::Clear;
        c.Brush.color = gui::clRed;
        c.RoundRect(0, 0, 21, 21, 10, 10);
    });
    EXPECT_FALSE(painted(round, 0, 0));
    EXPECT_FALSE(painted(round, 19, 19));
    EXPECT_TRUE(painted(round, 10, 10));
    EXPECT_TRUE(painted(round, 10, 0));
    EXPECT_TRUE(painted(round, 0, 10));
    EXPECT_FALSE(painted(round, 21, 10));
}

TEST(WindowRegion, RoundedRegionIsOnePixelSmallerThanItsBox) {
    const QRegion region = gui::round_rect_region(0, 0, 101, 26, 4, 4);
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 100, 25));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(1, 0)));
    EXPECT_TRUE(region.contains(QPoint(0, 1)));
    EXPECT_FALSE(region.contains(QPoint(99, 24)));
    EXPECT_TRUE(region.contains(QPoint(98, 24)));
    EXPECT_TRUE(region.contains(QPoint(50, 12)));

    const QRegion big = gui::round_rect_region(0, 0, 61, 61, 20, 20);
    EXPECT_FALSE(big.contains(QPoint(2, 2)));
    EXPECT_TRUE(big.contains(QPoint(5, 5)));
    EXPECT_TRUE(gui::round_rect_region(5, 5, 5, 40, 4, 4).isEmpty());
}

} // namespace
