#include "components/ColorSelector.h"
#include "components/Indicator.h"
#include "components/MyButton.h"
#include "components/MyColorListBox.h"
#include "components/MyGrid.h"
#include "components/MyGroupBox.h"
#include "components/MyRectangle.h"
#include "components/Myfunctions.h"
#include "components/QVVirtualGrid.h"
#include "components/SuperLabel.h"
#include "components/SuperPanel.h"
#include "gui/FormBase.h"
#include "gui/ImageList.h"
#include "tests/support/widget_image.h"

#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace {

using bv_test::at;
using bv_test::render;

// Rows (or columns) where the colour changes along a line of the image, with the colour they start.
std::vector<std::pair<int, TColor>> bands(const QImage& image, int fixed, bool vertical, int from, int to) {
    std::vector<std::pair<int, TColor>> out;
    for (int i = from; i < to; ++i) {
        const TColor c = vertical ? at(image, fixed, i) : at(image, i, fixed);
        if (out.empty() || out.back().second != c)
            out.push_back({i, c});
    }
    return out;
}

TEST(PanelsTest, SuperPanelVerticalBandsFollowAbsolutePositions) {
    TSuperPanel panel;
    panel.resize(272, 204);
    panel.SetBevelOuter(gui::bvNone);
    panel.SetBorderWidth(1);
    panel.SetBorderColor(gui::clRed);
    panel.SetColor1(0x000000);
    panel.SetColor2(0xCAFE40);
    panel.SetVerticalGradiented(true);
    const QImage image = render(panel);
    const auto found = bands(image, 100, true, 0, 204);
    // The border, then a band every 4 pixels from y = 1, coloured for positions 1, 5, ... 201 of 202.
    ASSERT_EQ(found.size(), 1u + 51u + 1u);
    EXPECT_EQ(found.front(), std::make_pair(0, gui::clRed));
    for (int i = 0; i < 51; ++i) {
        const int y = 1 + 4 * i;
        EXPECT_EQ(found[1 + i].first, y);
        EXPECT_EQ(found[1 + i].second, panel.get_grad_color(y, 202)) << y;
    }
    EXPECT_EQ(found.back(), std::make_pair(203, gui::clRed));
    EXPECT_EQ(at(image, 0, 100), gui::clRed);
    EXPECT_EQ(at(image, 271, 100), gui::clRed);

    // An inner bevel counts once: the face starts inside it.
    panel.SetBorderWidth(0);
    panel.SetBevelInner(gui::bvLowered);
    const auto inside = bands(render(panel), 100, true, 0, 204);
    EXPECT_EQ(inside[0].second, gui::resolve_color(gui::clBtnShadow));
    EXPECT_EQ(inside[1], std::make_pair(1, panel.get_grad_color(1, 202)));
    panel.SetBevelInner(gui::bvNone);
    panel.SetBorderWidth(1);

    panel.SetVerticalGradiented(false);
    const auto across = bands(render(panel), 100, false, 1, 271);
    EXPECT_EQ(across[1].first, 5);
    EXPECT_EQ(across[1].second, panel.get_grad_color(5, 270));
}

TEST(PanelsTest, SuperPanelGradientCarriesInsteadOfClamping) {
    TSuperPanel panel;
    panel.SetColor1(0x0000F0);
    panel.SetColor2(0x0000FF);
    // Red goes 15 beyond 255 at pos 2 of 1: 0x10E carries one into green.
    EXPECT_EQ(panel.get_grad_color(2, 1), 0x010Eu);
    EXPECT_EQ(panel.get_grad_color(0, 7), 0x0000F0u);
    panel.SetColor1(0x000010);
    panel.SetColor2(0x000000);
    EXPECT_EQ(panel.get_grad_color(2, 1), static_cast<TColor>(-16));
    panel.SetColor1(gui::clBtnFace);
    panel.SetColor2(gui::clWindow);
    EXPECT_EQ(panel.get_grad_color(1, 1), 0xFFFFFFu);
    EXPECT_EQ(panel.get_grad_color(1, 2), 0xF7F7F7u);
}

TEST(PanelsTest, SuperPanelWithoutEffectsIsAPlainPanelWithItsBorder) {
    TSuperPanel panel;
    panel.resize(120, 60);
    panel.SetBevelOuter(gui::bvNone);
    panel.SetBorderWidth(2);
    panel.SetBorderColor(gui::clBlue);
    panel.SetWowEffects(false);
    const QImage image = render(panel);
    EXPECT_EQ(at(image, 1, 30), gui::clBlue);
    EXPECT_EQ(at(image, 60, 58), gui::clBlue);
    EXPECT_EQ(at(image, 2, 30), gui::resolve_color(gui::clBtnFace));
    EXPECT_EQ(at(image, 60, 30), gui::resolve_color(gui::clBtnFace));
    panel.SetColor1(0x123456);
    panel.SetColor2(0x123456);
    panel.SetWowEffects(true); // equal colours: the face is the panel colour
    EXPECT_EQ(at(render(panel), 60, 30), gui::resolve_color(gui::clBtnFace));
}

// The ink (non-face pixels) of a caption, by colour: its bounding box.
gui::TRect ink_of(const QImage& image, const std::function<bool(TColor)>& is_ink) {
    gui::TRect box{image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (is_ink(at(image, x, y)))
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

bool is_black(TColor c) {
    return c == 0;
}
bool is_red(TColor c) {
    return gui::red_of(c) > 200 && gui::green_of(c) < 80 && gui::blue_of(c) < 80;
}

TEST(PanelsTest, SuperPanelCaptionShadowGrowsWithTheFont) {
    for (auto [points, offset] : {std::pair{10, 1}, std::pair{12, 1}, std::pair{13, 2}, std::pair{14, 2}}) {
        TSuperPanel panel;
        panel.resize(200, 60);
        panel.SetColor1(gui::clWhite);
        panel.SetColor2(gui::clWhite);
        panel.SetColor(gui::clWhite);
        panel.SetBevelOuter(gui::bvNone);
        panel.SetFontColor(gui::clRed);
        QFont font;
        font.setPointSize(points);
        panel.setFont(font);
        panel.SetCaption("IIII");
        const QImage image = render(panel);
        const gui::TRect red = ink_of(image, is_red);
        const gui::TRect black = ink_of(image, is_black);
        ASSERT_FALSE(red.empty());
        EXPECT_EQ(black.right, red.right + offset) << points;
        EXPECT_EQ(black.bottom, red.bottom + offset) << points;
        EXPECT_LE(std::abs(red.top + red.bottom - 60), 4) << "centred vertically";
        panel.SetTextShadow(false);
        EXPECT_TRUE(ink_of(render(panel), is_black).empty());
        panel.SetAlignment(gui::taLeftJustify);
        const int left = ink_of(render(panel), is_red).left; // left-justified captions start 4 pixels in
        EXPECT_GE(left, 4);
        EXPECT_LE(left, 7);
    }
}

TEST(PanelsTest, MyRectangleFixedSizeLightenedFillAndBorder) {
    QWidget parent;
    parent.resize(300, 100);
    auto* rect = new TMyRectangle(&parent);
    rect->setGeometry(0, 0, 120, 40);
    rect->SetColor(0x404040);
    rect->SetColorLight(16);
    rect->SetBorderWidth(3);
    rect->SetBorderColor(gui::clRed);
    rect->SetFixedWidth(50);
    QImage image = render(*rect);
    EXPECT_EQ(rect->width(), 50);
    EXPECT_EQ(rect->height(), 40);
    image = render(*rect);
    EXPECT_EQ(at(image, 25, 20), 0x505050u);
    for (auto [x, y] : {std::pair{2, 20}, {25, 2}, {47, 20}, {25, 37}})
        EXPECT_EQ(at(image, x, y), gui::clRed) << x << "," << y;
    EXPECT_EQ(at(image, 3, 20), 0x505050u);
    EXPECT_EQ(at(image, 46, 20), 0x505050u);
    for (auto [x, y] : {std::pair{0, 0}, {49, 0}, {0, 39}, {49, 39}})
        EXPECT_EQ(at(image, x, y), gui::clRed) << x << "," << y;
    rect->SetBorderWidth(1);
    image = render(*rect);
    for (auto [x, y] : {std::pair{0, 0}, {49, 0}, {0, 39}, {49, 39}, {25, 0}, {0, 20}})
        EXPECT_EQ(at(image, x, y), gui::clRed) << x << "," << y;
    EXPECT_EQ(at(image, 1, 1), 0x505050u);
    rect->SetFixedHeight(30);
    render(*rect);
    EXPECT_EQ(rect->height(), 30);
    // Zero or negative fixed sizes hold nothing; one pixel is a size.
    rect->SetFixedWidth(0);
    rect->SetFixedHeight(0);
    rect->resize(70, 35);
    render(*rect);
    EXPECT_EQ(rect->size(), QSize(70, 35));
    rect->SetFixedWidth(1);
    rect->SetFixedHeight(1);
    render(*rect);
    EXPECT_EQ(rect->size(), QSize(1, 1));
    rect->resize(50, 30);
    rect->SetFixedWidth(-1);
    rect->SetFixedHeight(-1);
    rect->SetBorderWidth(0);
    rect->SetColorLight(0);
    EXPECT_EQ(at(render(*rect), 0, 0), 0x404040u);
}

TEST(PanelsTest, SuperLabelShadowOffsetFollowsTextHeight) {
    for (auto [pixels, offset] : {std::pair{16, 1}, std::pair{48, 3}}) {
        TSuperLabel label(nullptr, "Label7");
        EXPECT_EQ(label.Caption(), "Label7");
        label.resize(300, 80);
        label.SetFontColor(gui::clRed);
        QFont font;
        font.setPixelSize(pixels);
        label.setFont(font);
        label.SetCaption("IIII");
        const QImage image = render(label);
        const int o = QFontMetrics(font).height() / 24;
        const gui::TRect red = ink_of(image, is_red);
        const gui::TRect black = ink_of(image, is_black);
        ASSERT_FALSE(red.empty());
        EXPECT_EQ(black.right - red.right, o + 1) << pixels;
        EXPECT_EQ(black.bottom - red.bottom, o + 1) << pixels;
        EXPECT_GE(o + 1, offset - 1);
        EXPECT_LE(std::abs(red.left + red.right - 300), 4) << "centred";
        EXPECT_LE(std::abs(red.top + red.bottom - 80), 4) << "centred";

        // Left and right alignment keep the caption and its shadow inside the label.
        label.SetAlignment(gui::taLeftJustify);
        const gui::TRect left = ink_of(render(label), is_red);
        EXPECT_EQ(red.left - left.left, (300 - QFontMetrics(font).horizontalAdvance("IIII")) / 2 - 1) << pixels;
        label.SetAlignment(gui::taRightJustify);
        const gui::TRect right = ink_of(render(label), [](TColor c) { return is_red(c) || is_black(c); });
        EXPECT_GT(right.right, 290);
        EXPECT_LE(right.right, 300);

        // The round shadow surrounds the caption on every side.
        label.SetAlignment(gui::taCenter);
        label.SetType(ltRoundShadow);
        const QImage round = render(label);
        const gui::TRect halo = ink_of(
            round, [](TColor c) { return gui::red_of(c) < 90 && gui::green_of(c) < 90 && gui::blue_of(c) < 90; });
        const gui::TRect caption = ink_of(round, is_red);
        EXPECT_LT(halo.left, caption.left);
        EXPECT_LT(halo.top, caption.top);
        EXPECT_GT(halo.right, caption.right);
        EXPECT_GT(halo.bottom, caption.bottom);
        // In black, the round shadow widens the caption's ink by o + 1 on every side; the plain one by o + 1 once.
        label.SetFontColor(gui::clBlack);
        const gui::TRect round_ink = ink_of(render(label), is_black);
        label.SetType(ltShadow);
        const gui::TRect plain_ink = ink_of(render(label), is_black);
        EXPECT_EQ(round_ink.width() - plain_ink.width(), o + 1) << pixels;
        EXPECT_EQ(round_ink.height() - plain_ink.height(), o + 1) << pixels;
    }
}

struct GroupBoxOnForm {
    gui::DialogForm form;
    TMyGroupBox* box = new TMyGroupBox(&form);
    GroupBoxOnForm() {
        form.resize(300, 200);
        box->setGeometry(10, 10, 200, 120);
        box->SetColor(gui::clWhite);
        QFont font;
        font.setPixelSize(16);
        box->setFont(font);
        box->SetFontColor(gui::clBlack);
    }
};

TEST(PanelsTest, GroupBoxFrameAndCaptionTab) {
    GroupBoxOnForm g;
    g.box->SetCaption("Frame");
    g.box->SetBorderWidth(2);
    const QImage image = render(*g.box);
    const int th = QFontMetrics(g.box->font()).height();
    const int t = th / 2 + 1;
    const TColor frame = get_dark_color(gui::clWhite, 32, 0);
    EXPECT_EQ(g.box->BorderColor(), gui::clBtnFace);
    g.box->SetBorderColor(gui::clWhite);
    const QImage white_frame = render(*g.box);
    EXPECT_EQ(at(white_frame, 150, t), frame);     // top edge, right of the tab
    EXPECT_EQ(at(white_frame, 150, t + 1), frame); // two pixels thick
    EXPECT_EQ(at(white_frame, 150, t + 2), gui::clWhite);
    EXPECT_EQ(at(white_frame, 150, 119), frame);
    EXPECT_EQ(at(white_frame, 0, 60), frame);
    EXPECT_EQ(at(white_frame, 199, 60), frame);
    EXPECT_EQ(at(white_frame, 100, 60), gui::clWhite);
    // The caption tab: white lightened (stays white) unless its colour is given.
    EXPECT_EQ(at(image, 150, t), get_dark_color(gui::clBtnFace, 32, 0));
    g.box->SetCaptionColorAuto(false);
    g.box->SetCaptionColor(gui::clRed);
    const QImage tab = render(*g.box);
    const int x0 = 1 + th / 2;
    EXPECT_EQ(at(tab, x0 + 2, th / 2), gui::clRed);
    EXPECT_TRUE(ink_of(tab, is_black).left >= x0 + th / 3);
    EXPECT_TRUE(ink_of(tab, is_red).top == 0);

    // A caption font of its own, which repaints when set.
    QFont big;
    big.setPixelSize(30);
    g.box->SetCaptionFont(big);
    EXPECT_EQ(g.box->CaptionFont().pixelSize(), 30);
    const int before = ink_of(render(*g.box), is_black).height();
    g.box->SetCaptionFontAuto(false);
    EXPECT_GT(ink_of(render(*g.box), is_black).height(), before);
}

TEST(PanelsTest, GroupBoxEmptyCaptionStillHasATabAndOffAFormOnlyBackground) {
    GroupBoxOnForm g;
    g.box->SetCaptionColorAuto(false);
    g.box->SetCaptionColor(gui::clRed);
    const QImage image = render(*g.box);
    const gui::TRect tab = ink_of(image, is_red);
    const int th = QFontMetrics(g.box->font()).height();
    EXPECT_FALSE(tab.empty());
    EXPECT_LE(tab.width(), 2 * (th / 3));
    EXPECT_LE(tab.height(), th + 4);

    QWidget not_a_form;
    TMyGroupBox* loose = new TMyGroupBox(&not_a_form);
    loose->SetColor(gui::clWhite);
    loose->SetCaption("Frame");
    const QImage plain = render(*loose);
    std::set<TColor> colours;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            colours.insert(at(plain, x, y));
    EXPECT_EQ(colours, std::set<TColor>{gui::clWhite});
}

} // namespace

namespace {

TEST(PanelsTest, GroupBoxCornerArcsJoinTheEdges) {
    GroupBoxOnForm g;
    g.box->setGeometry(0, 0, 100, 80);
    g.box->SetColor(0x808080);
    g.box->SetBorderColor(0x808080);
    g.box->SetBorderWidth(3);
    g.box->SetCaptionColor(0xA0A0A0);
    const QImage image = render(*g.box);
    const TColor f = 0x606060;
    auto map = [&](int left, int top) {
        std::string m;
        for (int y = top; y < top + 7; ++y) {
            for (int x = left; x < left + 7; ++x)
                m += at(image, x, y) == f ? 'x' : '.';
            m += '\n';
        }
        return m;
    };
    const int t = QFontMetrics(g.box->font()).height() / 2 + 1;
    ASSERT_EQ(gui::screen_logical_dpi(), 96); // r = 2
    EXPECT_EQ(map(0, t), "xxxxxxx\nx.xxxxx\nxxxxxxx\nxxx....\nxxx....\nxxx....\nxxx....\n");
    EXPECT_EQ(map(93, t), "xxxxxx.\nxxxxxx.\nxxxxxxx\n....xxx\n....xxx\n....xxx\n....xxx\n");
    EXPECT_EQ(map(0, 73), "xxx....\nxxx....\nxxx....\nxxx....\nxxxxxxx\nxxxxxxx\n..xxxxx\n");
    EXPECT_EQ(map(93, 73), "....xxx\n....xxx\n....xxx\n....xxx\nxxxxxxx\nxxxxxx.\nxxxxx..\n");
    // The automatic tab colour: Color lightened by 32; the tab is the caption plus a third of its height
    // on either side (a shape without outline leaves its right column out, as the classic API does).
    const int th = QFontMetrics(g.box->font()).height();
    const int x0 = 1 + th / 2;
    int right = 0;
    for (int x = 0; x < 100; ++x)
        if (at(image, x, th / 2 + 2) == 0xA0A0A0)
            right = x + 1;
    EXPECT_EQ(right, x0 + QFontMetrics(g.box->font()).horizontalAdvance(g.box->Caption()) + 2 * (th / 3) - 1);
}

// Each published setter repaints when the value changes and not when it stays.
TEST(PanelsTest, PublishedSettersRepaintOnlyOnChange) {
    QWidget window;
    auto* box = new gui::TPaintBox(&window);
    auto* panel = new TSuperPanel(&window);
    auto* label = new TSuperLabel(&window);
    auto* indicator = new TIndicator(&window);
    auto* palette = new TColorSelector(&window);
    auto* button = new TMyButton(&window);
    auto* list = new TMyColorListBox(&window);
    list->addItem("\"a\" clRed");
    auto* grid = new TMyGrid(&window);
    auto* vgrid = new TQVVirtualGrid(&window);
    gui::TImageList images;
    // clang-format off
#define SETTER(call) std::pair<const char*, std::function<void()>>{#call, [&] { call; }}
    const std::vector setters = {
        SETTER(box->SetColor(gui::clRed)), SETTER(box->SetFontColor(gui::clRed)), SETTER(box->SetCaption("b")),
        SETTER(panel->SetColor1(gui::clRed)), SETTER(panel->SetColor2(gui::clRed)), SETTER(panel->SetTextShadow(0)),
        SETTER(label->SetCaption("b")), SETTER(indicator->SetCaption("b")), SETTER(indicator->SetDigNum(3)),
        SETTER(palette->SetValueColor(gui::clRed)), SETTER(button->SetText2("b")), SETTER(button->SetColorHue(1)),
        SETTER(button->SetType(mbtSimple)), SETTER(button->SetImages(&images)), SETTER(list->SetColors(0, 1)),
        SETTER(grid->SetAlignment(gui::taCenter)), SETTER(grid->SetFixedAlignment(gui::taLeftJustify)),
        SETTER(grid->SetAddCharasters(true)), SETTER(grid->SetUseSelColor(false)), SETTER(grid->SetTopStrings({"c"})),
        SETTER(vgrid->SetAlignment(gui::taCenter)), SETTER(vgrid->SetFloatPrecision(5)),
        SETTER(vgrid->SetFixedAlignment(gui::taLeftJustify)),
    };
    struct paint_counter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override { paints += event->type() == QEvent::Paint; return false; }
    } count;
    // clang-format on
    const QObjectList controls = window.children();
    for (int i = 0; i < controls.size(); ++i)
        static_cast<QWidget*>(controls[i])->setGeometry(i % 3 * 130, i / 3 * 100, 120, 90);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    qApp->installEventFilter(&count);
    for (const auto& [call, set] : setters)
        for (const bool change : {true, false}) {
            count.paints = 0;
            set();
            QTest::qWait(10);
            EXPECT_EQ(count.paints > 0, change) << call;
        }
    EXPECT_EQ(button->accessibleName(), "b"); // the maker's controls are named by their caption
}

} // namespace
