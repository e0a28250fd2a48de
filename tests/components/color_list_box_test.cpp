#include "components/MyColorListBox.h"
#include "tests/support/widget_image.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

using bv_test::at;
using bv_test::render;

class ColorListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        box.setFrameShape(QFrame::NoFrame);
        box.resize(200, 120);
        box.addItems({"Red clRed", "\"Dark red\" $00000080", "Only", "Red bogus", "\"Teal clTeal"});
    }
    QString text(int i) const { return box.item(i)->text(); }
    TMyColorListBox box;
};

TEST_F(ColorListBoxTest, GetColorsReadsTheSecondWord) {
    EXPECT_EQ(box.Count(), 5);
    EXPECT_EQ(box.GetColors(0), 0x0000FFu);
    EXPECT_EQ(box.GetColors(1), 0x000080u);
    EXPECT_EQ(box.GetColors(2), 0u);
    EXPECT_EQ(box.GetColors(3), gui::clNone);
    EXPECT_EQ(box.GetColors(4), 0u); // the unclosed quote takes the colour into the name
    EXPECT_EQ(box.GetColors(-1), gui::clNone);
    EXPECT_EQ(box.GetColors(5), gui::clNone);
    EXPECT_EQ(TMyColorListBox::get_word(text(1), 0), "Dark red");
    EXPECT_EQ(TMyColorListBox::get_word(text(4), 0), "Teal clTeal");
    EXPECT_EQ(TMyColorListBox::get_word(QString::fromUtf8("\"Тёмно-красный\" clMaroon"), 0),
              QString::fromUtf8("Тёмно-красный"));
}

TEST_F(ColorListBoxTest, SetColorsRewritesTheItemText) {
    box.SetColors(0, 0x0000FF);
    box.SetColors(3, 0x0000FF);
    EXPECT_EQ(text(0), "\"Red\" clRed");
    EXPECT_EQ(text(3), "\"Red\" clRed");
    EXPECT_EQ(box.GetColors(3), 0x0000FFu);
    box.SetColors(1, 0xABCDEF);
    EXPECT_EQ(text(1), "\"Dark red\" $00ABCDEF");
    box.addItem("a\"b bogus");
    box.SetColors(5, gui::clWindow);
    EXPECT_EQ(text(5), "a\"b clWindow");
    EXPECT_EQ(box.GetColors(5), gui::clWindow);
    box.SetColors(-1, 0x00FF00);
    box.SetColors(6, 0x00FF00);
    EXPECT_EQ(box.Count(), 6);
    EXPECT_EQ(text(2), "Only");
}

TEST_F(ColorListBoxTest, ItemsAreASwatchThenTheName) {
    const int h = box.ItemHeight();
    ASSERT_EQ(h, 16);
    const TColor window = gui::resolve_color(gui::clWindow);
    const QImage image = render(box);
    auto swatch_inside = [&](int item) { return at(image, h, item * h + h / 2); };
    EXPECT_EQ(swatch_inside(0), 0x0000FFu);
    EXPECT_EQ(swatch_inside(1), 0x000080u);
    EXPECT_EQ(swatch_inside(2), 0x000000u);
    // No colour: the outline crossed out, mostly the item's fill inside, so it does not pass for white.
    int crossed = 0, filled = 0;
    for (int y = 3 * h + 2; y < 4 * h - 2; ++y)
        for (int x = 2; x < 2 * h - 2; ++x)
            (at(image, x, y) == window ? filled : crossed) += 1;
    EXPECT_GE(crossed, h);
    EXPECT_GT(filled, 5 * crossed);
    // Swatch (left + 1, top + 1, left + 2h - 1, bottom - 1), outlined with the pen, on the item's fill.
    EXPECT_EQ(at(image, 0, 8), window);
    EXPECT_EQ(at(image, 1, 1), 0u);
    EXPECT_EQ(at(image, 2 * h - 2, h - 2), 0u);
    EXPECT_EQ(at(image, 2, 2), 0x0000FFu);
    EXPECT_EQ(at(image, 2 * h - 3, h - 3), 0x0000FFu);
    EXPECT_EQ(at(image, 2 * h - 1, 8), window);
    EXPECT_EQ(at(image, 8, 0), window);
    EXPECT_EQ(at(image, 8, h - 1), window);
    EXPECT_EQ(at(image, 8, 3 * h + 1), 0u); // the outline of the colourless swatch
    // The name starts two pixels after the swatch; nothing is drawn in between.
    auto ink_in = [&](int item, int from, int to) {
        for (int y = item * h; y < item * h + h; ++y)
            for (int x = from; x < to; ++x)
                if (at(image, x, y) != window)
                    return true;
        return false;
    };
    EXPECT_FALSE(ink_in(0, 2 * h - 1, 2 * h + 2));
    EXPECT_TRUE(ink_in(0, 2 * h + 2, 200));
    EXPECT_FALSE(ink_in(5, 0, 200)); // below the last item
    // The name exactly where a plain text output at (left + 2h + 2, vertically centred) puts it.
    QImage expected(200, h, QImage::Format_RGB32);
    expected.fill(gui::to_qcolor(gui::clWindow));
    {
        QPainter painter(&expected);
        TCanvas canvas(painter, {0, 0, 200, h});
        canvas.Font.font = box.font();
        canvas.Brush.color = gui::clWindow;
        const int th = canvas.TextHeight("Red");
        canvas.TextOut(2 * h + 2, (0 + h - th) / 2, "Red");
    }
    EXPECT_EQ(image.copy(2 * h, 0, 200 - 2 * h, h), expected.copy(2 * h, 0, 200 - 2 * h, h));

    // The selected item is filled with the selection colour; its swatch keeps the item's colour.
    box.setCurrentRow(1);
    const QImage selected = render(box);
    EXPECT_EQ(at(selected, 0, h + 8), gui::resolve_color(gui::clHighlight));
    EXPECT_EQ(at(selected, h, h + 8), 0x000080u);
    EXPECT_EQ(at(selected, 0, 8), window);

    // A taller item height moves every item down and widens the swatch.
    box.SetItemHeight(24);
    box.SetItemHeight(0); // not a height: ignored
    box.SetItemHeight(-3);
    EXPECT_EQ(box.ItemHeight(), 24);
    EXPECT_EQ(box.visualItemRect(box.item(2)).top(), 48);
    const QImage tall = render(box);
    EXPECT_EQ(at(tall, 44, 12), 0x0000FFu);
    EXPECT_EQ(at(tall, 46, 12), 0u);
}

} // namespace
