#include "components/Indicator.h"
#include "tests/support/widget_image.h"

#include <QBackingStore>
#include <QLocale>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using bv_test::at;
using bv_test::render;

constexpr TColor face = 0xC8D0D4;
constexpr TColor bar = 0x00C000;
constexpr TColor alarm = 0x0000FF;

class IndicatorTest : public ::testing::Test {
protected:
    // A 100 x 40 bar from 0 to 10 whose text stays in the middle rows, away from the probes at y 3.
    static void make_bar(TIndicator& ind) {
        ind.resize(100, 40);
        ind.SetColor(face);
        ind.SetIndicatorColor(bar);
        ind.SetAlarmColor(alarm);
        ind.SetIndicatorType(itHLine);
    }
    static std::vector<TColor> row(const QImage& image, int y) {
        std::vector<TColor> out;
        for (int x = 0; x < image.width(); ++x)
            out.push_back(at(image, x, y));
        return out;
    }
    // The colours of row y as runs: (first x, colour).
    static std::vector<std::pair<int, TColor>> runs(const QImage& image, int y) {
        std::vector<std::pair<int, TColor>> out;
        const auto pixels = row(image, y);
        for (int x = 0; x < static_cast<int>(pixels.size()); ++x)
            if (out.empty() || out.back().second != pixels[x])
                out.push_back({x, pixels[x]});
        return out;
    }
};

const TColor frame = 0x000000; // the window text colour of the pinned table

// The bounding box of pixels in `colour`.
QRect ink_of(const QImage& image, TColor colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (at(image, x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST_F(IndicatorTest, ValueChangesBelowTheThresholdNeitherReformatNorRepaint) {
    TIndicator ind;
    ind.resize(80, 30);
    ind.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ind));
    int paints = 0;
    ind.OnPaint = [&](QObject*, TCanvas&) { ++paints; };
    // Nothing shown until a value comes; the first one shows even when it equals the initial value.
    EXPECT_FALSE(ind.HasValue());
    EXPECT_EQ(ind.Caption(), "");
    ind.SetValue(5.0L);
    EXPECT_TRUE(ind.HasValue());
    EXPECT_EQ(ind.Caption(), "5.0");
    EXPECT_EQ(paints, 1);
    paints = 0;
    ind.SetValue(5.00000005L);
    EXPECT_EQ(ind.Value(), 5.0L);
    EXPECT_EQ(paints, 0);
    // Above the threshold the caption is formatted and painted before the call returns.
    ind.SetValue(5.0000002L);
    EXPECT_EQ(ind.Caption(), "5.0");
    EXPECT_EQ(paints, 1);
    ind.SetValue(4.9999997L);
    EXPECT_EQ(paints, 2);
    ind.SetCaption("x");
    EXPECT_EQ(paints, 3);
    ind.SetDigNum(1);
    EXPECT_EQ(paints, 4);
    EXPECT_EQ(ind.Caption(), "5.0");
    // The alarm level is read at the next paint only.
    ind.AlarmValue = 1;
    EXPECT_EQ(paints, 4);
    // A change of exactly the threshold counts.
    ind.SetValue(0.0L);
    ind.SetValue(1e-7L);
    EXPECT_EQ(ind.Value(), 1e-7L);
}

TEST_F(IndicatorTest, CaptionHasFixedDecimalsInTheLocale) {
    TIndicator ind;
    ind.SetDigNum(2);
    ind.SetValue(3.14159L);
    EXPECT_EQ(ind.Caption(), "3.14");
    ind.SetValue(1234567.891L);
    EXPECT_EQ(ind.Caption(), "1234567.89"); // never grouped
    ind.SetValue(-0.5L);
    EXPECT_EQ(ind.Caption(), "-0.50");
    ind.SetDigNum(0);
    EXPECT_EQ(ind.Caption(), "-1"); // rounded, no separator left over
    ind.SetValue(0.996L);
    ind.SetDigNum(2);
    EXPECT_EQ(ind.Caption(), "1.00");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ind.SetValue(3.14159L);
    EXPECT_EQ(ind.Caption(), "3,14");
    ind.SetValue(1234567.891L);
    EXPECT_EQ(ind.Caption(), "1234567,89"); // not grouped where the locale groups
}

TEST_F(IndicatorTest, BarFillsInProportionAndTakesTheAlarmColourAtTheAlarmValue) {
    TIndicator ind;
    make_bar(ind);
    // No value yet: no bar, no alarm line, no number, whatever the limits.
    const QImage empty = render(ind);
    EXPECT_EQ(runs(empty, 3), (std::vector<std::pair<int, TColor>>{{0, frame}, {1, face}, {99, frame}}));
    EXPECT_EQ(ink_of(empty, face), QRect(1, 1, 98, 38));
    // Value 5 of 0..10 (the initial one), alarm level 100000 far off to the right.
    ind.SetValue(5.0L);
    EXPECT_EQ(runs(render(ind), 3),
              (std::vector<std::pair<int, TColor>>{{0, frame}, {1, bar}, {50, face}, {99, frame}}));

    ind.AlarmValue = 7.5;
    ind.SetValue(2.5L);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{
                                        {0, frame}, {1, bar}, {25, face}, {75, alarm}, {76, face}, {99, frame}}));
    ind.SetValue(7.4L);
    EXPECT_EQ(at(render(ind), 73, 3), bar);
    ind.SetValue(7.5L);
    EXPECT_EQ(runs(render(ind), 3),
              (std::vector<std::pair<int, TColor>>{{0, frame}, {1, alarm}, {76, face}, {99, frame}}));
    // The bar and the line span the full height, under the frame.
    const QImage image = render(ind);
    EXPECT_EQ(at(image, 1, 1), alarm);
    EXPECT_EQ(at(image, 1, 38), alarm);
    EXPECT_EQ(at(image, 1, 39), frame);
    EXPECT_EQ(at(image, 75, 38), alarm);
    EXPECT_EQ(at(image, 76, 38), face);
}

TEST_F(IndicatorTest, ValuesOutsideTheLimits) {
    TIndicator ind;
    make_bar(ind);
    ind.SetFrameWidth(0);
    ind.SetValue(-3.0L);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{{0, face}}));
    ind.SetValue(20.0L);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{{0, bar}}));
    // Far beyond and not a number: no overflowing arithmetic, the bar stays full or empty (and
    // beyond the default alarm level).
    ind.SetValue(1e30L);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{{0, alarm}}));
    ind.SetValue(-1e30L);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{{0, face}}));
    ind.SetValue(std::numeric_limits<long double>::quiet_NaN());
    EXPECT_EQ(runs(render(ind), 3).size(), 1u);
    EXPECT_EQ(TIndicator::bar_position(5, 0, 10, 100), 50);
    EXPECT_EQ(TIndicator::bar_position(-0.05L, 0, 10, 100), 0); // truncated toward zero
    EXPECT_EQ(TIndicator::bar_position(9.999L, 0, 10, 100), 99);
    EXPECT_EQ(TIndicator::bar_position(1e300L, 0, 10, 100), 101);
    EXPECT_EQ(TIndicator::bar_position(-1e300L, 0, 10, 100), -1);
    EXPECT_EQ(TIndicator::bar_position(-2, 0, 100, 100), -1);
    // A different range moves the bar.
    ind.SetValue(15.0L);
    ind.SetValueLeft(10);
    ind.SetValueRight(30);
    EXPECT_EQ(runs(render(ind), 3), (std::vector<std::pair<int, TColor>>{{0, bar}, {25, face}}));
}

TEST_F(IndicatorTest, BarCarriesTheTextAndTheFullHeightAlarmLine) {
    TIndicator ind;
    make_bar(ind);
    ind.SetFrameWidth(0);
    ind.SetTextShadow(false);
    ind.SetFontColor(0xFFFFFF);
    ind.AlarmValue = 8;
    ind.SetValue(2.0L);
    const QImage image = render(ind);
    EXPECT_EQ(at(image, 80, 0), alarm);
    EXPECT_EQ(at(image, 80, 39), alarm);
    bool text = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 30; x < 70; ++x)
            text = text || at(image, x, y) == 0xFFFFFF;
    EXPECT_TRUE(text);
}

TEST_F(IndicatorTest, EqualLimitsShowOnlyBackgroundAndFrame) {
    TIndicator ind;
    make_bar(ind);
    ind.SetValue(3.0L);
    ind.SetValueLeft(3);
    ind.SetValueRight(3);
    const QImage image = render(ind);
    for (int y = 1; y < 39; ++y)
        for (int x = 1; x < 99; ++x)
            ASSERT_EQ(at(image, x, y), face) << x << "," << y; // not even the text
    ind.SetValueRight(2);                                      // a reversed range too
    EXPECT_TRUE(render(ind) == image);
}

TEST_F(IndicatorTest, FrameWidth) {
    TIndicator ind;
    ind.resize(60, 30);
    ind.SetColor(face);
    ind.SetFrameWidth(3);
    const QImage image = render(ind);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(at(image, i, 15), frame);
        EXPECT_EQ(at(image, 59 - i, 15), frame);
        EXPECT_EQ(at(image, 30, i), frame);
        EXPECT_EQ(at(image, 30, 29 - i), frame);
    }
    EXPECT_EQ(at(image, 3, 15), face);
    EXPECT_EQ(at(image, 56, 15), face);
    EXPECT_EQ(at(image, 30, 3), face);
    EXPECT_EQ(at(image, 30, 26), face);
    ind.SetFrameWidth(0);
    EXPECT_EQ(at(render(ind), 0, 0), face);
}

TEST_F(IndicatorTest, TextIsCentredWithAShadowBelowRight) {
    TIndicator ind;
    ind.resize(120, 40);
    ind.SetColor(face);
    ind.SetFrameWidth(0);
    ind.SetFontColor(0xFFFFFF);
    QFont font = ind.font();
    font.setPointSize(10);
    font.setStyleStrategy(QFont::NoAntialias);
    ind.setFont(font);
    ind.SetCaption("8888");
    const QFontMetrics fm(font);
    const int x = (120 - fm.horizontalAdvance("8888")) / 2;
    const int y = (40 - fm.height()) / 2;

    ind.SetTextShadow(false);
    const QRect text = ink_of(render(ind), 0xFFFFFF);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GE(text.left(), x);
    EXPECT_LE(text.right(), x + fm.horizontalAdvance("8888"));
    EXPECT_GE(text.top(), y);
    EXPECT_LE(text.bottom(), y + fm.height());
    EXPECT_NEAR(text.center().x(), 60, 2);
    EXPECT_TRUE(ink_of(render(ind), frame).isEmpty());

    // Below 18 points the shadow lies one pixel right and down, in the window text colour.
    ind.SetTextShadow(true);
    const QImage shadowed = render(ind);
    EXPECT_EQ(ink_of(shadowed, 0xFFFFFF), text);
    const QRect shadow = ink_of(shadowed, frame);
    EXPECT_EQ(shadow.bottomRight(), text.bottomRight() + QPoint(1, 1));
    font.setPointSize(20);
    ind.setFont(font);
    const QImage big = render(ind);
    EXPECT_EQ(ink_of(big, frame).bottomRight(), ink_of(big, 0xFFFFFF).bottomRight() + QPoint(2, 2));
    // A font sized in pixels counts in points at 96 pixels per inch: 24 pixels are 18 points.
    font.setPixelSize(24);
    ind.setFont(font);
    const QImage pixels = render(ind);
    EXPECT_EQ(ink_of(pixels, frame).bottomRight(), ink_of(pixels, 0xFFFFFF).bottomRight() + QPoint(2, 2));
    font.setPixelSize(23);
    ind.setFont(font);
    const QImage smaller = render(ind);
    EXPECT_EQ(ink_of(smaller, frame).bottomRight(), ink_of(smaller, 0xFFFFFF).bottomRight() + QPoint(1, 1));
    // Text in the shadow's own colour gets none: a shadow under it would only smear it.
    ind.SetFontColor(gui::clWindowText);
    const QImage plain = render(ind);
    ind.SetFontColor(0xFFFFFF);
    ind.SetTextShadow(false);
    EXPECT_EQ(ink_of(plain, frame), ink_of(render(ind), 0xFFFFFF));
}

TEST_F(IndicatorTest, CaptionIsShownUntilTheNextValue) {
    TIndicator shown, reference;
    for (TIndicator* ind : {&shown, &reference}) {
        ind->resize(90, 30);
        ind->SetColor(face);
        ind->SetFontColor(0xFFFFFF);
    }
    reference.SetValue(12.5L);
    shown.SetCaption("12.5");
    EXPECT_TRUE(render(shown) == render(reference));
    shown.SetCaption("abc");
    EXPECT_EQ(shown.Caption(), "abc");
    EXPECT_FALSE(render(shown) == render(reference));
    shown.SetValue(12.5L);
    EXPECT_TRUE(render(shown) == render(reference));
    shown.SetCaption("abc");
    shown.SetDigNum(1);
    EXPECT_TRUE(render(shown) == render(reference));
}

TEST_F(IndicatorTest, BufferedPaintShowsTheSameAsAPlainOne) {
    TIndicator ind;
    make_bar(ind);
    ind.AlarmValue = 8;
    ind.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ind));
    ind.SetValue(6.0L); // painted at once through the off-screen image
    auto* store = dynamic_cast<QImage*>(ind.backingStore()->paintDevice());
    ASSERT_NE(store, nullptr);
    const QImage painted = store->copy(0, 0, 100, 40).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(at(painted, 59, 3), bar);
    EXPECT_EQ(at(painted, 80, 3), alarm);
    EXPECT_TRUE(painted == render(ind));

    // On a screen scaled by two the off-screen image has twice the pixels: the number is drawn at the
    // device's resolution, not enlarged from half of it (which would leave every 2 x 2 block one colour).
    QImage scaled(200, 80, QImage::Format_RGB32);
    scaled.setDevicePixelRatio(2);
    ind.render(&scaled);
    int detailed = 0;
    for (int y = 0; y + 1 < 80; y += 2)
        for (int x = 0; x + 1 < 200; x += 2) {
            const QRgb c = scaled.pixel(x, y);
            detailed += scaled.pixel(x + 1, y) != c || scaled.pixel(x, y + 1) != c || scaled.pixel(x + 1, y + 1) != c;
        }
    EXPECT_GT(detailed, 5);
    EXPECT_EQ(at(scaled, 117, 6), bar); // the bar's edge at 60 % on whole device pixels
    EXPECT_EQ(at(scaled, 120, 6), face);
}

} // namespace
