#include "components/MyButton.h"
#include "gui/FormBase.h"
#include "gui/ImageList.h"
#include "gui/SystemColors.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

using bv_test::at;
using bv_test::render;
using bv_test::sentinel;

// A plain white face and black caption make the caption's pixels easy to find.
void make_plain(TMyButton& button) {
    button.SetColor(gui::clWhite);
    button.SetFontColor(gui::clBlack);
    button.SetGradientType(mbgtNone);
    QFont font;
    font.setPixelSize(13);
    button.setFont(font);
}

// Bounding box of the pixels inside the bevel that differ from the face colour.
gui::TRect caption_ink(const QImage& image, TColor face, int inset) {
    gui::TRect box{image.width(), image.height(), 0, 0};
    for (int y = inset; y < image.height() - inset; ++y)
        for (int x = inset; x < image.width() - inset; ++x)
            if (at(image, x, y) != face)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

TEST(MyButtonTest, CornerRadiusAndWindowShape) {
    const std::map<int, int> radius_by_height = {{21, 3}, {25, 4}, {31, 5}, {60, 10}};
    for (auto [height, radius] : radius_by_height) {
        QWidget parent;
        TMyButton& b = *new TMyButton(&parent);
        parent.show();
        b.resize(86, height);
        QApplication::processEvents();
        EXPECT_EQ(b.calc_corner_radius(), radius) << height;
        EXPECT_EQ(b.mask().boundingRect(), QRect(0, 0, 86, height));
        if (radius >= 4) { // a 3 x 3 corner ellipse is too small to cut a pixel
            EXPECT_FALSE(b.mask().contains(QPoint(0, 0)));
            EXPECT_FALSE(b.mask().contains(QPoint(85, height - 1)));
        }
        EXPECT_TRUE(b.mask().contains(QPoint(43, 0)));
        b.SetType(mbtSimple);
        EXPECT_EQ(b.mask(), QRegion(0, 0, 86, height));
    }
}

TEST(MyButtonTest, AutoGradientColorsRederiveOnEverySet) {
    TMyButton b;
    b.SetColor(0x404040);
    b.SetGradientColor1(0x111111);
    b.SetAutoGradientColors(true); // no change of the flag, but the colours are re-derived
    EXPECT_EQ(b.GradientColor1(), 0x202020u);
    EXPECT_EQ(b.GradientColor2(), 0x606060u);
    b.SetAutoGradientColors(false);
    b.SetGradientColor1(0x111111);
    EXPECT_EQ(b.GradientColor1(), 0x111111u);
    EXPECT_TRUE(b.AutoBorderColor());
}

TEST(MyButtonTest, PressedCaptionMovesOnePixelAndLosesItsShadow) {
    gui::DialogForm form;
    auto* b = new TMyButton(&form);
    make_plain(*b);
    b->SetType(mbtSimple);
    b->SetBorderFrame(false);
    b->setGeometry(10, 10, 100, 31);
    b->SetCaption("Ok");
    form.show();
    const int inset = b->BorderWidth() + b->margin() + 2; // inside the focus rectangle
    const gui::TRect normal = caption_ink(render(*b), gui::clWhite, inset);
    ASSERT_FALSE(normal.empty());

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 15));
    ASSERT_TRUE(b->is_pressed());
    const gui::TRect pressed = caption_ink(render(*b), gui::clWhite, inset);
    EXPECT_EQ(pressed, normal.offset(1, 1));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_FALSE(b->is_pressed());

    b->SetTextShadow(true);
    b->SetTextShadowColor(gui::clRed);
    auto has_red = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor(image.pixel(x, y)).red() > 200 && QColor(image.pixel(x, y)).green() < 100)
                    return true;
        return false;
    };
    EXPECT_TRUE(has_red(render(*b)));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_FALSE(has_red(render(*b)));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 15));
}

TEST(MyButtonTest, DisabledLooksFlatAndGrey) {
    TMyButton b;
    make_plain(b);
    b.SetType(mbtSimple);
    b.resize(100, 31);
    b.SetCaption("WWW");
    b.setEnabled(false);
    const QImage image = render(b);
    // Frame: the button face darkened by 64; both bevel sides the face darkened by 20.
    EXPECT_EQ(b.last_frame_color(), 0xB0B0B0u);
    EXPECT_EQ(at(image, 0, 15), 0xB0B0B0u);
    EXPECT_EQ(at(image, 1, 15), 0xDCDCDCu);
    EXPECT_EQ(at(image, 50, 1), 0xDCDCDCu);
    EXPECT_EQ(at(image, 98, 15), 0xDCDCDCu);
    EXPECT_EQ(at(image, 50, 29), 0xDCDCDCu);
    // Caption: the button face darkened by 96, nothing darker.
    int darkest = 255;
    for (int y = 5; y < 26; ++y)
        for (int x = 5; x < 95; ++x)
            darkest = std::min(darkest, QColor(image.pixel(x, y)).red());
    EXPECT_EQ(darkest, 0x90);

    b.SetFrameColor(gui::clNone);
    render(b);
    EXPECT_EQ(b.last_frame_color(), gui::clWhite);
}

TEST(MyButtonTest, EnabledBevelAndFrameColours) {
    TMyButton b;
    b.SetColor(0x808080);
    b.SetGradientType(mbgtNone);
    b.SetType(mbtSimple);
    b.resize(100, 31);
    QImage image = render(b);
    EXPECT_EQ(at(image, 0, 15), gui::resolve_color(gui::clWindowFrame));
    EXPECT_EQ(at(image, 1, 15), 0xA0A0A0u);  // light: Color + 32
    EXPECT_EQ(at(image, 98, 15), 0x606060u); // dark: Color - 32
    EXPECT_EQ(at(image, 50, 15), 0x808080u); // flat face

    b.SetAutoBorderColor(false);
    b.SetBorderColor(gui::clRed);
    image = render(b);
    EXPECT_EQ(at(image, 1, 15), gui::clRed);
    EXPECT_EQ(at(image, 98, 15), gui::clRed);

    // Hot: the frame darkens by 16 and the flat face lightens by 14.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&b, &enter);
    EXPECT_TRUE(b.is_mouse_over());
    image = render(b);
    EXPECT_EQ(b.last_frame_color(), get_dark_color(gui::clWindowFrame, 16, 0));
    EXPECT_EQ(at(image, 50, 15), 0x8E8E8Eu);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.is_mouse_over());
}

TEST(MyButtonTest, DefaultButtonFrameAndTint) {
    for (TMyButtonTypes type : {mbtSimple, mbtRoundRect}) {
        TMyButton b;
        b.SetGradientType(mbgtNone);
        b.SetColor(0x808080);
        b.SetColorHue(0xFF0000);
        b.SetType(type);
        b.resize(100, 31);
        b.SetDefault(true);
        const QImage image = render(b);
        EXPECT_EQ(b.last_frame_color(), 0x009F00u);
        EXPECT_EQ(at(image, 50, 0), 0x009F00u) << type;
        EXPECT_EQ(at(image, 50, 15), get_light_color(0x808080, 0, 0x00FF00)) << type; // green, not blue
    }
}

TEST(MyButtonTest, RoundedBorderWithoutBevelStillDrawsCorners) {
    TMyButton b;
    b.SetGradientType(mbgtNone);
    b.SetColor(gui::clWhite);
    b.SetBorderWidth(0);
    b.SetBorderFrame(false);
    b.resize(100, 31);
    const QImage image = render(b);
    EXPECT_EQ(at(image, 50, 0), gui::clWhite); // no bands
    EXPECT_NE(at(image, 97, 1), gui::clWhite); // corner arc
    EXPECT_EQ(image.pixel(0, 0), sentinel);    // cut off by the shape
}

struct FormWithButtons {
    gui::DialogForm form;
    QWidget* panel = new QWidget(&form);
    TMyButton* ok = new TMyButton(panel);
    TMyButton* other = new TMyButton(&form);
    TMyButton* cancel = new TMyButton(panel);
    QLineEdit* edit = new QLineEdit(&form);
    std::string clicks;

    FormWithButtons() {
        form.resize(400, 200);
        panel->setGeometry(0, 0, 400, 100);
        ok->move(10, 10);
        cancel->move(120, 10);
        other->move(10, 120);
        edit->move(200, 120);
        ok->SetDefault(true);
        cancel->Cancel = true;
        ok->OnClick = [this](QObject*) { clicks += "ok "; };
        other->OnClick = [this](QObject*) { clicks += "other "; };
        cancel->OnClick = [this](QObject*) { clicks += "cancel "; };
        form.show();
        QApplication::setActiveWindow(&form);
    }
    void key(QWidget* focus, Qt::Key k) {
        focus->setFocus();
        EXPECT_EQ(QApplication::focusWidget(), focus);
        QTest::keyClick(focus, k);
    }
};

TEST(MyButtonTest, EnterAndEscapeRouting) {
    FormWithButtons f;
    f.key(f.edit, Qt::Key_Return);
    EXPECT_EQ(f.clicks, "ok ");
    f.clicks.clear();
    f.key(f.other, Qt::Key_Return); // a focused button takes Enter itself, the default stays out
    EXPECT_EQ(f.clicks, "other ");
    f.clicks.clear();
    f.key(f.ok, Qt::Key_Enter); // the default button with the focus is clicked once
    EXPECT_EQ(f.clicks, "ok ");
    f.clicks.clear();
    f.cancel->setEnabled(false);
    f.key(f.edit, Qt::Key_Escape); // even disabled
    EXPECT_EQ(f.clicks, "cancel ");
    f.clicks.clear();
    f.ok->setEnabled(false);
    f.key(f.edit, Qt::Key_Return); // a disabled default button is not clicked
    f.key(f.edit, Qt::Key_Space);
    EXPECT_EQ(f.clicks, "");
}

TEST(MyButtonTest, ModalResultReachesTheFormThroughAPanelBeforeOnClick) {
    FormWithButtons f;
    f.cancel->SetModalResult(mbmrCancel);
    int seen_by_handler = -1;
    f.cancel->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, f.cancel);
        seen_by_handler = f.form.ModalResult();
    };
    QTimer::singleShot(0, &f.form, [&] { QTest::mouseClick(f.cancel, Qt::LeftButton, {}, QPoint(50, 12)); });
    EXPECT_EQ(f.form.ShowModal(), 2);
    EXPECT_EQ(seen_by_handler, 2);
}

TEST(MyButtonTest, MouseClicksOnlyOnLeftPressAndReleaseInside) {
    TMyButton b;
    int clicks = 0, downs = 0;
    b.OnClick = [&](QObject*) { ++clicks; };
    b.OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++downs; };
    b.show();
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&b, Qt::RightButton, {}, QPoint(50, 12));
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(50, 12));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(150, 12));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(downs, 3);
    EXPECT_FALSE(b.is_pressed());
}

QPixmap red_square() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return pixmap;
}

TEST(MyButtonTest, ImagesNeedAnImageListAndGreyWhenDisabled) {
    TMyButton plain, indexed;
    for (TMyButton* b : {&plain, &indexed}) {
        make_plain(*b);
        b->resize(100, 50);
        b->SetCaption("Go");
    }
    indexed.SetImageIndex(0);
    EXPECT_TRUE(render(plain) == render(indexed)); // no image list: laid out as without an image

    gui::TImageList images;
    images.Add(red_square());
    indexed.SetImages(&images);
    const QImage with_image = render(indexed);
    const int inner = indexed.BorderWidth() + indexed.margin();
    // alBottom: the image centred at the top, the caption under it.
    EXPECT_EQ(with_image.pixel(50, inner + 8), 0xFFFF0000);
    EXPECT_GE(caption_ink(with_image, gui::clWhite, inner + 1).bottom,
              caption_ink(render(plain), gui::clWhite, inner + 1).bottom);

    indexed.SetTextAlign(gui::alRight);
    const QImage right = render(indexed);
    const int y = 25;
    int red_from = -1;
    for (int x = 0; x < 100 && red_from < 0; ++x)
        if (right.pixel(x, y) == 0xFFFF0000)
            red_from = x;
    ASSERT_GE(red_from, 0);
    EXPECT_LT(red_from, 50); // image left of the caption

    indexed.setEnabled(false);
    const QColor greyed(render(indexed).pixel(red_from + 8, y));
    EXPECT_LT(std::abs(greyed.red() - greyed.green()), 60) << greyed.name().toStdString();
}

} // namespace

namespace {

// The default look: diagonal gradient face derived from Color, rounded bevel, frame.

// The face a default button should have, drawn by the gradient helper alone.
QImage expected_face(int w, int h, TColor from, TColor to) {
    return bv_test::render_canvas(w, h,
                                  [&](TCanvas& c) { draw_gradient(&c, mbgtDiagonal1, from, to, 2, 2, w - 2, h - 2); });
}

// Pixels well inside the bevel that differ between the two images.
int face_differences(const QImage& a, const QImage& b, int inset) {
    int n = 0;
    for (int y = inset; y < a.height() - inset; ++y)
        for (int x = inset; x < a.width() - inset; ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

TEST(MyButtonTest, DefaultFaceIsADiagonalGradientFromDarkToLightAndBrightensWhenHot) {
    TMyButton b;
    b.SetColor(0x808080);
    b.resize(100, 40);
    EXPECT_EQ(b.GradientType(), mbgtDiagonal1);
    const QImage normal = render(b);
    EXPECT_EQ(face_differences(normal, expected_face(100, 40, 0x676767, 0x999999), 4), 0);
    // Dark end at the left: the face gets lighter to the right.
    EXPECT_LT(QColor(normal.pixel(10, 20)).red(), QColor(normal.pixel(90, 20)).red());

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&b, &enter);
    const QImage hot = render(b);
    // Hot: 32 lighter at both ends, so the dark end is 7 above Color.
    EXPECT_EQ(face_differences(hot, expected_face(100, 40, 0x878787, 0xB9B9B9), 4), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
}

TEST(MyButtonTest, DefaultRoundedBevelIsLightTopLeftAndDarkElsewhere) {
    TMyButton b;
    b.SetColor(0x808080);
    b.resize(100, 60); // r = 10, h = 5, pen 3 wide
    const QImage image = render(b);
    const TColor light = 0xA0A0A0, dark = 0x606060;
    // The top-left arc (where no straight band reaches) is light; the other corners dark.
    for (auto [x, y] : {std::pair{2, 2}, {4, 2}, {2, 4}})
        EXPECT_EQ(at(image, x, y), light) << x << "," << y;
    for (auto [x, y] : {std::pair{95, 1}, {98, 2}, {96, 3}})
        EXPECT_EQ(at(image, x, y), dark) << x << "," << y;
    EXPECT_EQ(at(image, 50, 1), light);
    EXPECT_EQ(at(image, 1, 30), light);
    EXPECT_EQ(at(image, 50, 58), dark);
    EXPECT_EQ(at(image, 98, 30), dark);
    EXPECT_EQ(at(image, 50, 0), gui::resolve_color(gui::clWindowFrame));
}

TEST(MyButtonTest, DefaultCaptionIsCentredVertically) {
    for (int height : {25, 60}) {
        TMyButton b;
        b.SetFontColor(gui::clRed);
        b.resize(100, height);
        b.SetCaption("IIII");
        const QImage image = render(b);
        gui::TRect ink{100, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 100; ++x) {
                const QColor c(image.pixel(x, y));
                if (c.red() > 180 && c.green() < 110)
                    ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                           std::max(ink.bottom, y + 1)};
            }
        ASSERT_FALSE(ink.empty()) << height;
        EXPECT_LE(std::abs((ink.top + ink.bottom) - height), 3) << height; // glyph middle within 1.5 px
        EXPECT_LE(std::abs((ink.left + ink.right) - 100), 3) << height;
    }
}

TEST(MyButtonTest, FocusRectangleFollowsThePressedOffset) {
    gui::DialogForm form;
    auto* b = new TMyButton(&form);
    auto* other = new TMyButton(&form);
    b->setGeometry(10, 10, 100, 40);
    other->move(10, 100);
    form.show();
    QApplication::setActiveWindow(&form);
    const int inner = b->BorderWidth() + b->margin();
    for (bool pressed : {false, true}) {
        if (pressed)
            QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 20));
        b->setFocus();
        ASSERT_TRUE(bv_test::wait_for([&] { return b->hasFocus(); }, 2000));
        const QImage focused = render(*b);
        other->setFocus();
        ASSERT_TRUE(bv_test::wait_for([&] { return !b->hasFocus(); }, 2000));
        const QImage plain = render(*b);
        gui::TRect dots{100, 40, 0, 0};
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                if (focused.pixel(x, y) != plain.pixel(x, y))
                    dots = {std::min(dots.left, x), std::min(dots.top, y), std::max(dots.right, x + 1),
                            std::max(dots.bottom, y + 1)};
        const int off = pressed ? 1 : 0;
        EXPECT_EQ(dots, (gui::TRect{inner - 1 + off, inner - 1 + off, 100 - inner + 1 + off, 40 - inner + 1 + off}))
            << pressed;
    }
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 20));
}

} // namespace

namespace {

// Which pixels of an 8 x 8 box have the colour: a row of 'x' and '.' per line.
std::string colour_map(const QImage& image, int left, int top, TColor colour) {
    std::string map;
    for (int y = top; y < top + 8; ++y) {
        for (int x = left; x < left + 8; ++x)
            map += at(image, x, y) == colour ? 'x' : '.';
        map += '\n';
    }
    return map;
}

TEST(MyButtonTest, DefaultCornerArcsSitInTheirEllipseBoxes) {
    TMyButton b;
    b.SetColor(0x808080);
    b.resize(100, 60);
    const QImage image = render(b);
    // Top left: the light arc in (1, 1, 10, 10) joining the two light bands; bottom right: the dark arc
    // in (W - 9, H - 9, W - 1, H - 1) joining the dark bands.
    EXPECT_EQ(colour_map(image, 0, 0, 0xA0A0A0), "........\n"
                                                 ".x.xxxxx\n"
                                                 "..xxx...\n"
                                                 ".xx.....\n"
                                                 ".xx.....\n"
                                                 ".x......\n"
                                                 ".x......\n"
                                                 ".x......\n");
    EXPECT_EQ(colour_map(image, 92, 52, 0x606060), "......x.\n"
                                                   "......x.\n"
                                                   ".......x\n"
                                                   "....xx..\n"
                                                   "...xxx..\n"
                                                   "...xx...\n"
                                                   "xx......\n"
                                                   "..x.....\n");
}

TEST(MyButtonTest, DialogKeysReachEveryButtonAndDoubleClicksOnlyTheLeft) {
    FormWithButtons f;
    f.other->Cancel = true; // two cancel buttons: Escape clicks both, and the form still sees it
    f.key(f.edit, Qt::Key_Escape);
    EXPECT_EQ(f.clicks.size(), std::string("cancel other ").size()) << f.clicks;
    EXPECT_NE(f.clicks.find("other"), std::string::npos);
    EXPECT_NE(f.clicks.find("cancel"), std::string::npos);

    int doubles = 0;
    f.ok->OnDblClick = [&](QObject*) { ++doubles; };
    QTest::mouseDClick(f.ok, Qt::RightButton, {}, QPoint(20, 10));
    EXPECT_EQ(doubles, 0);
    QTest::mouseDClick(f.ok, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(doubles, 1);
}

} // namespace
