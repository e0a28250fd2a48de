#include "components/MyColorSelector.h"
#include "components/MyGridColorForm.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

using bv_test::at;
using bv_test::render;

// The centre of a palette cell of the selector, in its own coordinates.
QPoint cell_centre(const TColorSelector& s, int row, int column) {
    return {(2 * column + 1) * s.width() / 26, (2 * row + 1) * s.height() / 16};
}

class ColorPopupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.resize(300, 200);
        owner.show();
        owner.activateWindow();
        QApplication::setActiveWindow(&owner);
        bv_test::wait_for([&] { return owner.isActiveWindow(); }, 2000);
    }

    gui::DialogForm owner;
};

TEST_F(ColorPopupsTest, GridPopupUnrollsInTenStepsAndReturnsTheClickedColour) {
    TMyGridColorForm form(&owner);
    EXPECT_EQ(form.windowTitle(), "  Выбор цвета");
    EXPECT_FALSE(form.color_chosen);
    std::vector<int> heights;
    form.OnUnrollStep = [&](int h) { heights.push_back(h); };
    TColor color = palette_color(7, 7);
    QTimer::singleShot(50, &form, [&] {
        EXPECT_TRUE(form.isVisible());
        QTest::mouseClick(form.ColorSelector, Qt::LeftButton, {}, cell_centre(*form.ColorSelector, 3, 4));
    });
    EXPECT_TRUE(choose_color(&form, color, 40, 30));
    EXPECT_EQ(color, palette_color(3, 4));
    EXPECT_TRUE(form.color_chosen);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.pos(), QPoint(40, 30));
    const int full = form.full_size().height();
    ASSERT_EQ(heights.size(), 11u);
    EXPECT_EQ(heights[0], 0);
    EXPECT_EQ(heights[1], full / 10);
    EXPECT_EQ(heights[9], full * 9 / 10);
    EXPECT_EQ(heights[10], full); // the tenth step is the full height
}

TEST_F(ColorPopupsTest, GridPopupDismissedByDeactivationXOrEscapeKeepsTheColour) {
    gui::DialogForm other;
    other.resize(100, 100);
    other.show();
    std::vector<std::function<void(TMyGridColorForm&)>> dismissals = {
        [&](TMyGridColorForm&) { QApplication::setActiveWindow(&other); },
        [](TMyGridColorForm& f) { QTest::mouseClick(f.MyButton2, Qt::LeftButton, {}, QPoint(5, 5)); },
        [](TMyGridColorForm& f) { QTest::keyClick(f.ColorSelector, Qt::Key_Escape); },
    };
    for (std::size_t i = 0; i < dismissals.size(); ++i) {
        TMyGridColorForm form(&owner);
        TColor color = 0x00FFFF;
        QTimer::singleShot(60, &form, [&] {
            // A click on the current colour repaints but keeps the pop-up open.
            QTest::mouseClick(form.ColorSelector, Qt::LeftButton, {}, cell_centre(*form.ColorSelector, 2, 7));
            EXPECT_TRUE(form.isVisible());
            if (i == 2) {
                form.ColorSelector->setFocus();
                form.activateWindow();
                QApplication::setActiveWindow(&form);
            }
            EXPECT_TRUE(bv_test::wait_for([&] { return form.isActiveWindow(); }, 1000)) << i;
            dismissals[i](form);
        });
        QTimer::singleShot(3000, &form, [&] {
            ADD_FAILURE() << "not dismissed: " << i;
            form.hide();
        });
        EXPECT_FALSE(choose_color(&form, color, 10, 10)) << i;
        EXPECT_EQ(color, 0x00FFFFu) << i;
        EXPECT_FALSE(form.isVisible()) << i;
        QApplication::setActiveWindow(&owner);
    }
}

TEST_F(ColorPopupsTest, GridPopupNearTheScreenEdgeStaysOnTheScreen) {
    TMyGridColorForm form(&owner);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    TColor color = 0;
    QTimer::singleShot(40, &form, [&] { form.close(); });
    choose_color(&form, color, area.right() - 10, area.bottom() - 10);
    EXPECT_EQ(form.x() + form.width(), area.left() + area.width());
    EXPECT_EQ(form.y() + form.full_size().height(), area.top() + area.height());
}

TEST_F(ColorPopupsTest, QuittingWhileTheGridPopupWaitsEndsTheWait) {
    auto form = std::make_unique<TMyGridColorForm>(&owner);
    bool returned = false;
    bool result = true;
    QTimer::singleShot(0, [&] {
        TColor color = 0;
        result = choose_color(form.get(), color, 0, 0);
        returned = true;
    });
    QTimer::singleShot(150, [] { QCoreApplication::quit(); });
    // Should the wait trap the loop, this ends it so the test fails instead of hanging.
    bool rescued = false;
    QTimer::singleShot(4000, form.get(), [&] {
        rescued = true;
        form->hide();
    });
    QApplication::exec();
    EXPECT_FALSE(rescued);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(result);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ColorPopupsTest, DestroyingTheGridPopupWhileItWaitsEndsTheWait) {
    auto* form = new TMyGridColorForm(&owner);
    TColor color = 0x123456;
    QTimer::singleShot(50, [&] { delete form; });
    EXPECT_FALSE(choose_color(form, color, 0, 0));
    EXPECT_EQ(color, 0x123456u);
}

struct Selectors {
    gui::DialogForm form;
    TMyColorSelector* a = new TMyColorSelector(&form);
    TMyColorSelector* b = new TMyColorSelector(&form);
    int changes_a = 0, changes_b = 0;
    Selectors() {
        form.resize(300, 200);
        a->move(10, 10);
        b->move(100, 10);
        a->OnChange = [this](QObject* s) {
            EXPECT_EQ(s, a);
            ++changes_a;
        };
        b->OnChange = [this](QObject*) { ++changes_b; };
        form.show();
    }
};

TEST_F(ColorPopupsTest, DropDownIsSharedReboundAndFreedByAnySelector) {
    Selectors s;
    EXPECT_EQ(s.a->size(), QSize(50, 25));
    EXPECT_EQ(MyColorSelectorFrm, nullptr);
    std::vector<int> heights;
    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_NE(MyColorSelectorFrm, nullptr);
    TMyColorSelectorFrm* shared = MyColorSelectorFrm;
    EXPECT_TRUE(shared->isVisible());
    EXPECT_EQ(shared->pos(), s.a->mapToGlobal(QPoint(0, 26)));
    shared->close();

    shared->OnUnrollStep = [&](int h) { heights.push_back(h); };
    s.b->SetColorValue(palette_color(4, 4));
    QTest::mouseClick(s.b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(MyColorSelectorFrm, shared);
    EXPECT_EQ(shared->ColorPallete->ColorValue(), palette_color(4, 4));
    const int full = shared->full_size().height();
    ASSERT_GE(heights.size(), 2u);
    EXPECT_EQ(heights[heights.size() - 2], full * 9 / 10); // the tenth step: 90 %
    EXPECT_EQ(heights.back(), full);

    QTest::mouseClick(shared->ColorPallete, Qt::LeftButton, {}, cell_centre(*shared->ColorPallete, 0, 3));
    EXPECT_EQ(s.b->ColorValue(), palette_color(0, 3));
    EXPECT_EQ(s.a->ColorValue(), 0u);
    EXPECT_EQ(s.changes_b, 1);
    EXPECT_EQ(s.changes_a, 0);
    EXPECT_FALSE(shared->isVisible());

    delete s.b; // not the owner, but it frees the shared form all the same
    EXPECT_EQ(MyColorSelectorFrm, nullptr);
    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_NE(MyColorSelectorFrm, nullptr);
    ASSERT_TRUE(bv_test::wait_for([] { return MyColorSelectorFrm->isActiveWindow(); }, 2000));
    QApplication::setActiveWindow(&s.form); // deactivation hides the drop-down
    EXPECT_TRUE(bv_test::wait_for([] { return !MyColorSelectorFrm->isVisible(); }, 2000));
}

TEST_F(ColorPopupsTest, DoubleClickOnASelectorUnrollsTheDropDownOnce) {
    Selectors s;
    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_NE(MyColorSelectorFrm, nullptr);
    MyColorSelectorFrm->close();
    int unrolls = 0;
    const int full = MyColorSelectorFrm->full_size().height();
    MyColorSelectorFrm->OnUnrollStep = [&](int h) { unrolls += h == full; };
    // What a widget gets of a real double click: press, release, double click (the second press), release.
    QTest::mousePress(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(s.a->is_held()); // the second press still looks pushed
    QTest::mouseRelease(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(unrolls, 1);
    EXPECT_FALSE(s.a->is_held());
    EXPECT_TRUE(MyColorSelectorFrm->isVisible());
}

TEST_F(ColorPopupsTest, PopupFormsAsDesigned) {
    TMyColorSelectorFrm drop(&owner);
    EXPECT_EQ(drop.windowFlags() & (Qt::Tool | Qt::FramelessWindowHint), Qt::Tool | Qt::FramelessWindowHint);
    EXPECT_EQ(drop.size(), QSize(gui::design_px(267), gui::design_px(202)));
    EXPECT_EQ(drop.Panel1->geometry(),
              QRect(gui::design_px(5), gui::design_px(5), gui::design_px(256), gui::design_px(161)));
    EXPECT_EQ(drop.ColorPallete->size(), drop.Panel1->size());
    EXPECT_TRUE(drop.MyButton1->TextShadow());
    EXPECT_EQ(drop.MyButton1->ColorHue(), 0x008000u);
    const QImage frame = render(drop);
    const int w = drop.width(), h = drop.height();
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, h - 1}, {w / 2, 0}, {0, h / 2}})
        EXPECT_EQ(at(frame, x, y), gui::resolve_color(gui::clWindowFrame)) << x << "," << y;
    EXPECT_EQ(at(frame, 1, 1), gui::resolve_color(gui::clWindow));
    EXPECT_EQ(at(frame, w - 2, h - 2), gui::resolve_color(gui::clWindow));

    TMyGridColorForm grid(&owner);
    EXPECT_EQ(grid.size(), QSize(gui::design_px(272), gui::design_px(204)));
    EXPECT_EQ(grid.ColorSelector->geometry(),
              QRect(gui::design_px(5), gui::design_px(35), gui::design_px(261), gui::design_px(161)));
    EXPECT_TRUE(grid.MyButton2->Cancel);
    const QImage panel = render(grid);
    EXPECT_EQ(at(panel, 0, 0), gui::resolve_color(gui::clBtnShadow));
    EXPECT_EQ(at(panel, grid.width() - 1, grid.height() - 1), gui::resolve_color(gui::clBtnShadow));
    EXPECT_EQ(at(panel, 1, grid.height() / 2), gui::resolve_color(gui::clBtnFace)); // a 1-pixel border
    EXPECT_EQ(grid.SuperPanel->geometry(), QRect(QPoint(0, 0), grid.size()));
    EXPECT_EQ(grid.Label1->pos(), QPoint(gui::design_px(5), gui::design_px(7)));
    EXPECT_EQ(grid.Label1->height(), gui::design_px(16));
    EXPECT_GE(grid.Label1->width(), gui::design_px(84));
    EXPECT_EQ(grid.MyButton2->geometry(),
              QRect(gui::design_px(240), gui::design_px(5), gui::design_px(26), gui::design_px(21)));
    EXPECT_EQ(grid.MyButton2->Type(), mbtSimple);
    EXPECT_EQ(grid.MyButton2->BorderWidth(), 0);
}

TEST_F(ColorPopupsTest, OtherColourConfirmedEvenUnchangedClosesAndReports) {
    Selectors s;
    s.a->SetColorValue(0x00FF00);
    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    TMyColorSelectorFrm* f = MyColorSelectorFrm;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->MyButton1->Caption(), "Другой...");

    // Cancelled: nothing changes and the drop-down stays.
    QTimer::singleShot(100, f, [f] {
        EXPECT_TRUE(f->ColorDialog->isVisible());
        EXPECT_TRUE(f->isVisible()) << "the colour dialog taking the activation is no dismissal";
        EXPECT_EQ(gui::from_qcolor(f->ColorDialog->currentColor()), 0x00FF00u);
        f->ColorDialog->reject();
    });
    QTest::mouseClick(f->MyButton1, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(s.changes_a, 0);
    EXPECT_TRUE(f->isVisible());
    // After the dialog a click elsewhere dismisses the drop-down again.
    ASSERT_TRUE(bv_test::wait_for([f] { return f->isActiveWindow(); }, 2000));
    QApplication::setActiveWindow(&s.form);
    EXPECT_TRUE(bv_test::wait_for([f] { return !f->isVisible(); }, 2000));
    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));

    QTimer::singleShot(100, f, [f] { f->ColorDialog->accept(); });
    QTest::mouseClick(f->MyButton1, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(s.changes_a, 1);
    EXPECT_EQ(s.a->ColorValue(), 0x00FF00u);
    EXPECT_FALSE(f->isVisible());

    QTest::mouseClick(s.a, Qt::LeftButton, {}, QPoint(10, 10));
    QTimer::singleShot(100, f, [f] {
        f->ColorDialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
        f->ColorDialog->accept();
    });
    QTest::mouseClick(f->MyButton1, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(s.a->ColorValue(), 0x563412u);
    EXPECT_EQ(f->ColorPallete->ColorValue(), 0x563412u);
    EXPECT_EQ(s.changes_a, 2);
}

TEST_F(ColorPopupsTest, SelectorSwatchArrowDisabledAndHeldLooks) {
    gui::DialogForm form;
    auto* sel = new TMyColorSelector(&form);
    sel->resize(60, 30);
    sel->SetColorValue(gui::clRed);
    form.show();
    // m = 4, swatch (4, 4, 31, 25) with a white (inverse of red) outline; arrow centred at (45, 15).
    QImage image = render(*sel);
    EXPECT_EQ(at(image, 15, 15), gui::clRed);
    EXPECT_EQ(at(image, 4, 15), gui::clWhite);
    EXPECT_EQ(at(image, 30, 15), gui::clWhite);
    EXPECT_EQ(at(image, 15, 24), gui::clWhite);
    EXPECT_EQ(at(image, 45, 13), gui::clBlack); // the inverse of the button face
    // The arrow: a triangle (39, 11), (51, 11), (45, 18).
    EXPECT_EQ(at(image, 40, 11), gui::clBlack);
    EXPECT_EQ(at(image, 50, 11), gui::clBlack);
    EXPECT_NE(at(image, 40, 10), gui::clBlack);
    EXPECT_NE(at(image, 45, 19), gui::clBlack);
    sel->setEnabled(false);
    image = render(*sel);
    EXPECT_NE(at(image, 15, 15), gui::clRed);
    EXPECT_NE(at(image, 4, 15), gui::clWhite);
    EXPECT_EQ(at(image, 45, 13), gui::resolve_color(gui::clBtnShadow));
    sel->setEnabled(true);

    QTest::mousePress(sel, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(sel->is_held());
    image = render(*sel);
    EXPECT_EQ(at(image, 5, 15), gui::clWhite);
    EXPECT_EQ(at(image, 5, 5), gui::clWhite);
    EXPECT_EQ(at(image, 16, 25), gui::clWhite);
    EXPECT_EQ(at(image, 46, 14), gui::clBlack);
    EXPECT_EQ(at(image, 41, 12), gui::clBlack); // the arrow moved by one as well
    EXPECT_NE(at(image, 41, 11), gui::clBlack);
    QTest::mouseRelease(sel, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(sel->is_held());
    QTest::mouseRelease(sel, Qt::LeftButton, {}, QPoint(100, 5)); // released outside: no drop-down
    EXPECT_FALSE(sel->is_held());
    EXPECT_EQ(MyColorSelectorFrm, nullptr);

    const QImage raised = render(*sel);
    sel->SetFlat(true); // flat: no raised frame, and the swatch reaches one pixel lower
    image = render(*sel);
    EXPECT_NE(raised.copy(0, 0, 3, 30), image.copy(0, 0, 3, 30));
    EXPECT_EQ(at(image, 15, 25), gui::clWhite);
    EXPECT_EQ(at(image, 15, 24), gui::clRed);
}

} // namespace
