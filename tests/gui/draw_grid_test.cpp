#include "gui/InplaceEdit.h"
#include "gui/StringGrid.h"
#include "gui/SystemColors.h"
#include "tests/support/grid_form.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

using gui::TGridCoord;
using gui::TRect;

// A string grid that records what the base asks of it.
struct ProbeGrid : gui::TStringGrid {
    struct Drawn {
        int col, row;
        TRect rect;
        gui::TGridDrawState state;
    };
    std::vector<Drawn> drawn;
    int clicks = 0;
    int dbl_clicks = 0;
    int top_left_changes = 0;
    int width_changes = 0;
    int edits = 0;
    bool allow_editor = true;
    bool allow_modify = true;

    ProbeGrid() {
        OnClick = [this](QObject*) { ++clicks; };
        OnDblClick = [this](QObject*) { ++dbl_clicks; };
        OnTopLeftChanged = [this](QObject*) { ++top_left_changes; };
    }
    void DrawCell(int col, int row, const TRect& rect, gui::TGridDrawState state) override {
        drawn.push_back({col, row, rect, state});
        gui::TStringGrid::DrawCell(col, row, rect, state);
    }
    void ColWidthsChanged() override { ++width_changes; }
    void SetEditText(int col, int row, const QString& text) override {
        ++edits;
        gui::TStringGrid::SetEditText(col, row, text);
    }
    bool CanEditShow() override { return allow_editor && gui::TStringGrid::CanEditShow(); }
    bool CanEditModify() override { return allow_modify && gui::TStringGrid::CanEditModify(); }
    const Drawn* find(int col, int row) const {
        for (const Drawn& d : drawn)
            if (d.col == col && d.row == row)
                return &d;
        return nullptr;
    }
};

// 4 columns x 20 rows, one fixed row and column, 50 x 20 cells, 1-pixel lines: the view shows the
// fixed row and 9 scrolled rows completely (10 x 21 = 210 of 215 pixels).
struct DrawGridTest : ::testing::Test {
    ProbeGrid grid;
    void SetUp() override {
        bv_test::lay_out_grid(grid, 4, 20, 50, 20, {232, 217});
        grid.setFocus();
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 4; ++c)
                grid.SetCellText(c, r, QString("%1:%2").arg(c).arg(r));
        grid.clicks = 0;
    }
    QImage paint() {
        grid.drawn.clear();
        return bv_test::render(*grid.viewport());
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &grid;
        QTest::keyClick(target, static_cast<Qt::Key>(k), mods);
    }
    QPoint centre(int col, int row) { return grid.CellRect(col, row).to_qrect().center(); }
};

TEST_F(DrawGridTest, CellGeometryFollowsScrollingAndMouseCoordIsItsInverse) {
    EXPECT_EQ(grid.CellRect(2, 3), (TRect{102, 63, 152, 83}));
    grid.SetColWidths(1, 70);
    EXPECT_EQ(grid.CellRect(2, 3), (TRect{122, 63, 172, 83}));

    grid.SetTopRow(5);
    EXPECT_TRUE(grid.CellRect(1, 4).empty()) << "scrolled above the view";
    EXPECT_EQ(grid.CellRect(1, 5), (TRect{51, 21, 121, 41})) << "first scrolled row right under the fixed one";
    EXPECT_FALSE(grid.CellRect(1, 14).empty()) << "partly shown row";
    EXPECT_TRUE(grid.CellRect(1, 15).empty()) << "below the view";

    EXPECT_EQ(grid.MouseCoord(60, 30), (TGridCoord{1, 5}));
    EXPECT_EQ(grid.MouseCoord(229, 30), (TGridCoord{})) << "right of the last column";

    grid.SetTopRow(1000);
    EXPECT_EQ(grid.TopRow(), 11) << "the last page ends with the last row fully shown";
    EXPECT_EQ(grid.VisibleRowCount(), 9);
    grid.SetTopRow(0);
    EXPECT_EQ(grid.TopRow(), 1) << "never onto the fixed rows";
}

TEST_F(DrawGridTest, KeyboardKeepsTheCurrentCellVisibleAndClicksOnEveryMove) {
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1);
    for (int i = 0; i < 9; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 10);
    EXPECT_EQ(grid.TopRow(), 2) << "row 10 is the last fully shown row";
    EXPECT_EQ(grid.clicks, 9);
    EXPECT_GE(grid.top_left_changes, 1);

    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 19);
    EXPECT_FALSE(grid.CellRect(3, 19).empty());
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.TopRow(), 1);
    const int clicks = grid.clicks;
    key(Qt::Key_Up);
    EXPECT_EQ(grid.clicks, clicks) << "no move, no click";

    key(Qt::Key_PageDown);
    EXPECT_EQ(grid.Row(), 10);
    EXPECT_EQ(grid.TopRow(), 10);
    key(Qt::Key_PageUp);
    EXPECT_EQ(grid.Row(), 1);
}

TEST_F(DrawGridTest, RangeSelectionByShiftArrowsAndMouseDrag) {
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{1, 1, 2, 2}));

    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(3, 5));
    QTest::mouseMove(grid.viewport(), centre(1, 7));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centre(1, 7));
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{1, 5, 3, 7}));
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 7);
    grid.SetSelection({-5, 0, 2, 3});
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{1, 1, 2, 3})) << "kept off the fixed cells";

    grid.SetOptions(grid.Options() & ~gui::goRangeSelect);
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{2, 3, 2, 3})) << "without range selection: the current cell";
}

TEST_F(DrawGridTest, MouseClicksMoveFireClickAndIgnoreFixedCells) {
    grid.clearFocus();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 4));
    EXPECT_TRUE(grid.hasFocus());
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_GE(grid.clicks, 1);
    const int clicks = grid.clicks;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 4));
    EXPECT_EQ(grid.clicks, clicks + 1) << "a click on the current cell still clicks";

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(0, 6));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(3, 0));
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 4);

    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 4));
    EXPECT_EQ(grid.dbl_clicks, 1);

    std::vector<int> downs;
    grid.OnMouseDown = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
        downs.push_back(grid.Row() * 10 + (button == Qt::RightButton));
    };
    QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, centre(2, 5));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 6));
    EXPECT_EQ(downs, (std::vector<int>{41, 60})) << "OnMouseDown after the move, for any button";
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(60, 212));
    EXPECT_EQ(grid.TopRow(), 2) << "a click on the partly shown row brings it into view";

    grid.SetTopRow(3);
    QTest::qWait(1);
    QWheelEvent wheel(QPointF(60, 60), grid.viewport()->mapToGlobal(QPointF(60, 60)), {}, QPoint(0, -120), Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    wheel.ignore(); // as a user's wheel arrives: what the grid leaves goes on to its parent
    QApplication::sendEvent(grid.viewport(), &wheel);
    EXPECT_EQ(grid.TopRow(), 3 + QApplication::wheelScrollLines());
    EXPECT_TRUE(wheel.isAccepted());
}

TEST_F(DrawGridTest, DraggingAFixedRowLineResizesTheColumn) {
    grid.SetOptions(grid.Options() | gui::goColSizing);
    const int line = grid.CellRect(1, 0).right;
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, QPoint(line, 10));
    QTest::mouseMove(grid.viewport(), QPoint(line + 25, 10));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(line + 25, 10));
    EXPECT_EQ(grid.ColWidths(1), 75);
    EXPECT_GE(grid.width_changes, 1);
    EXPECT_EQ(grid.clicks, 0) << "resizing is no click";

    grid.SetOptions(grid.Options() & ~gui::goColSizing);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, QPoint(line + 25, 10));
    QTest::mouseMove(grid.viewport(), QPoint(line + 60, 10));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(line + 60, 10));
    EXPECT_EQ(grid.ColWidths(1), 75) << "not without the option";
}

TEST_F(DrawGridTest, PaintingFillsCellsDrawsLinesAndPassesStates) {
    grid.SetOptions(grid.Options() & ~(gui::goHorzLine));
    grid.SetFixedColor(gui::clYellow);
    grid.SetColor(gui::clWhite);
    key(Qt::Key_Down, Qt::ShiftModifier); // selection 1,1 .. 1,2; current 1,2
    const QImage image = paint();

    const auto* current = grid.find(1, 2);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->state, gui::gdSelected | gui::gdFocused);

    EXPECT_EQ(bv_test::at(image, 45, 70), gui::clYellow) << "fixed colour";
    EXPECT_EQ(bv_test::at(image, 95, 25), gui::resolve_color(gui::clHighlight)) << "selected, not focused";
    EXPECT_EQ(bv_test::at(image, 95, 55), gui::clWhite) << "the focused cell keeps the grid colour";
    EXPECT_EQ(bv_test::at(image, 52, 42), gui::clBlack) << "and has the dotted focus rectangle";
    EXPECT_EQ(bv_test::at(image, 50, 70), gui::clBlack) << "fixed vertical line";
    EXPECT_EQ(bv_test::at(image, 20, 20), gui::clBlack) << "fixed horizontal line";
    EXPECT_EQ(bv_test::at(image, 152, 70), gui::clSilver) << "vertical line";
    EXPECT_EQ(bv_test::at(image, 151, 70), gui::clWhite) << "only the line";
    EXPECT_EQ(bv_test::at(image, 145, 62), gui::clWhite) << "no horizontal lines between scrolled cells";
    EXPECT_EQ(bv_test::at(image, 229, 70), gui::clWhite) << "past the last column: the grid colour";
    EXPECT_EQ(bv_test::at(image, 229, 0), gui::clWhite);
}

TEST_F(DrawGridTest, PaintingCostsTheVisibleCellsOnly) {
    grid.SetRowCount(100000);
    grid.SetTopRow(50000);
    paint();
    EXPECT_EQ(grid.drawn.size(), 4u * 11u) << "the fixed row and ten scrolled rows, partly shown one included";
    EXPECT_NE(grid.find(2, 50009), nullptr);
    EXPECT_EQ(grid.find(2, 50011), nullptr);
}

TEST_F(DrawGridTest, EditorShowsEditsCancelsAndFollowsTheCurrentCell) {
    grid.SetOptions(grid.Options() | gui::goEditing);
    key(Qt::Key_F2);
    ASSERT_TRUE(grid.EditorMode());
    gui::TInplaceEdit* editor = grid.InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "1:1");
    EXPECT_EQ(editor->geometry(), grid.CellRect(1, 1).to_qrect());
    EXPECT_EQ(grid.edits, 0) << "showing the text is no edit";
    QTest::keyClicks(editor, "x");
    EXPECT_EQ(grid.Cells(1, 1), "1:1x") << "edits reach the cell as they are typed";
    key(Qt::Key_Escape);
    EXPECT_EQ(grid.Cells(1, 1), "1:1");
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(grid.EditorMode());

    key(Qt::Key_A);
    EXPECT_TRUE(editor->isVisible()) << "typing starts editing";
    QTest::keyClicks(editor, "b");
    EXPECT_EQ(grid.Cells(1, 1), "ab") << "the typed text replaces the cell's";
    key(Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(grid.Cells(1, 1), "ab");

    key(Qt::Key_F2);
    key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(editor->text(), "1:2") << "the editor moves with the current cell";
    EXPECT_EQ(editor->geometry(), grid.CellRect(1, 2).to_qrect());
    EXPECT_EQ(grid.Cells(1, 1), "ab");

    grid.SetTopRow(5);
    EXPECT_FALSE(editor->isVisible()) << "scrolled out of view";
    grid.SetTopRow(1);
    EXPECT_TRUE(editor->isVisible()) << "and back";

    grid.allow_editor = false;
    key(Qt::Key_Down);
    EXPECT_FALSE(editor->isVisible());

    grid.allow_editor = true;
    grid.allow_modify = false;
    key(Qt::Key_F2);
    EXPECT_TRUE(editor->isReadOnly());
    QTest::keyClicks(editor, "zz");
    EXPECT_EQ(grid.Cells(1, 3), "1:3");
    grid.SetOptions(grid.Options() & ~gui::goEditing);
    EXPECT_FALSE(editor->isVisible()) << "no editor without editing";
}

TEST_F(DrawGridTest, AlwaysShownEditorAndClickOnTheCurrentCell) {
    grid.SetOptions(grid.Options() | gui::goEditing);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 3));
    EXPECT_FALSE(grid.EditorMode()) << "the first click only moves";
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(2, 3));
    EXPECT_TRUE(grid.EditorMode()) << "a click on the current cell edits it";

    key(Qt::Key_Escape);
    grid.SetOptions(grid.Options() | gui::goAlwaysShowEditor);
    grid.SetRow(5);
    ASSERT_NE(grid.InplaceEditor(), nullptr);
    EXPECT_TRUE(grid.InplaceEditor()->isVisible());
    EXPECT_EQ(grid.InplaceEditor()->text(), "2:5");
    key(Qt::Key_Return);
    EXPECT_TRUE(grid.InplaceEditor()->isVisible()) << "Enter keeps an always-shown editor";
    QTest::keyClicks(grid.InplaceEditor(), "x");
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid.InplaceEditor()->text(), "2:5") << "and Escape shows the cell's text in it again";
}

TEST_F(DrawGridTest, HorizontalScrollingAndSeveralFixedColumns) {
    grid.SetColCount(12);
    grid.SetFixedCols(2);
    grid.SetFixedRows(2);
    grid.SetGridLineWidth(2);
    // Two fixed columns of 52 pixels each with their lines, then the scrolled ones from LeftCol.
    EXPECT_EQ(grid.CellRect(2, 2), (TRect{104, 44, 154, 64}));
    EXPECT_EQ(grid.MouseCoord(103, 43), (TGridCoord{1, 1}));
    EXPECT_EQ(grid.MouseCoord(104, 44), (TGridCoord{2, 2}));
    EXPECT_EQ(grid.Col(), 2) << "the current cell left the new fixed area";
    EXPECT_EQ(grid.Row(), 2);

    const int changes = grid.top_left_changes;
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(grid.LeftCol(), 3) << "two scrolled columns fit: column 4 is the last fully shown";
    EXPECT_EQ(grid.top_left_changes, changes + 1);
    key(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 5);
    EXPECT_EQ(grid.LeftCol(), 4);
    EXPECT_EQ(grid.CellRect(4, 2).left, 104);
    EXPECT_TRUE(grid.CellRect(3, 2).empty());
    key(Qt::Key_End);
    EXPECT_EQ(grid.LeftCol(), 10);
    EXPECT_FALSE(grid.CellRect(11, 2).empty());
    for (int i = 0; i < 6; ++i)
        key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 5);
    EXPECT_EQ(grid.LeftCol(), 5) << "moving left scrolls back as soon as the cell leaves the view";
    key(Qt::Key_Left);
    EXPECT_EQ(grid.LeftCol(), 4);

    // A wider view shows every column: the scrolled position returns to the first one.
    grid.resize(800, 217);
    QApplication::processEvents();
    EXPECT_EQ(grid.LeftCol(), 2);
    EXPECT_FALSE(grid.CellRect(11, 2).empty());
    grid.SetColWidths(3, 800);
    grid.SetCol(3);
    EXPECT_EQ(grid.LeftCol(), 3) << "a column wider than the view is scrolled to";
}

TEST_F(DrawGridTest, TheEditorFollowsItsCellWhenFixedColumnsScrollTheView) {
    grid.SetColCount(12);
    grid.SetOptions(grid.Options() | gui::goEditing);
    grid.SetLeftCol(3);
    grid.SetCol(4);
    key(Qt::Key_F2);
    grid.SetFixedCols(2); // scrolls back to column 2
    EXPECT_EQ(grid.InplaceEditor()->geometry(), grid.CellRect(4, 1).to_qrect());
}

TEST_F(DrawGridTest, ScrollBarsCountInCells) {
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid.resize(232 + grid.verticalScrollBar()->sizeHint().width(), 217);
    QApplication::processEvents();
    QScrollBar* bar = grid.verticalScrollBar();
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 11);
    EXPECT_EQ(bar->pageStep(), 9);
    EXPECT_FALSE(bar->hasTracking()) << "thumb tracking is off by default";
    EXPECT_FALSE(grid.horizontalScrollBar()->hasTracking());
    bar->setValue(7);
    EXPECT_EQ(grid.TopRow(), 7);
    grid.SetTopRow(3);
    EXPECT_EQ(bar->value(), 3);
    grid.SetOptions(grid.Options() | gui::goThumbTracking);
    EXPECT_TRUE(bar->hasTracking());
    grid.SetRow(10);
    grid.SetRowCount(5);
    EXPECT_EQ(bar->maximum(), 1) << "everything fits";
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.Row(), 4) << "the current cell stays in the grid";
}

TEST_F(DrawGridTest, DraggingPastTheViewScrollsTheSelection) {
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(1, 2));
    QTest::mouseMove(grid.viewport(), QPoint(centre(2, 2).x(), 400));
    EXPECT_EQ(grid.Row(), 11) << "one row past the last shown one";
    EXPECT_EQ(grid.TopRow(), 3);
    QTest::mouseMove(grid.viewport(), QPoint(400, centre(2, 5).y()));
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(grid.Row(), 5);
    QTest::mouseMove(grid.viewport(), QPoint(centre(2, 5).x(), 5));
    EXPECT_EQ(grid.Row(), 2) << "over the fixed row: one row above the first shown one";
    EXPECT_EQ(grid.TopRow(), 2);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(centre(2, 5).x(), 5));
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{1, 2, 2, 2}));
}

TEST_F(DrawGridTest, SizesOutsideTheGridAreZeroAndIgnored) {
    grid.SetRowHeights(0, 30);
    EXPECT_EQ(grid.RowHeights(0), 30);
    EXPECT_EQ(grid.CellRect(1, 1).top, 31);
    const int changes = grid.width_changes;
    grid.SetDefaultColWidth(40);
    EXPECT_EQ(grid.ColWidths(3), 40);
    EXPECT_EQ(grid.width_changes, changes + 1);

    gui::TDrawGrid fresh;
    EXPECT_EQ(fresh.ColCount(), 5);
    EXPECT_EQ(fresh.RowCount(), 5);
    EXPECT_EQ(fresh.ColWidths(4), 64);
    EXPECT_EQ(fresh.RowHeights(4), 24);
}

TEST_F(DrawGridTest, AHiddenEditorStaysHiddenThroughScrollingAndRowSelection) {
    grid.SetOptions(grid.Options() | gui::goEditing);
    key(Qt::Key_F2);
    ASSERT_TRUE(grid.InplaceEditor()->isVisible());
    key(Qt::Key_Escape);
    grid.SetTopRow(4);
    grid.SetTopRow(1);
    EXPECT_FALSE(grid.InplaceEditor()->isVisible());
    grid.SetOptions(grid.Options() | gui::goRowSelect);
    key(Qt::Key_F2);
    EXPECT_FALSE(grid.InplaceEditor()->isVisible()) << "no editor with whole-row selection";
}

TEST_F(DrawGridTest, TypingNeedsEditingAndNoControlKey) {
    key(Qt::Key_End, Qt::ControlModifier);

    key(Qt::Key_A);
    EXPECT_TRUE(grid.InplaceEditor() == nullptr || !grid.InplaceEditor()->isVisible()) << "editing is off";
    grid.SetOptions(grid.Options() | gui::goEditing);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(grid.InplaceEditor() == nullptr || !grid.InplaceEditor()->isVisible()) << "a control key types nothing";
    EXPECT_EQ(grid.Cells(3, 19), "3:19");
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&grid, &f5);
    EXPECT_FALSE(f5.isAccepted()) << "other keys go on to the parent";
}

TEST_F(DrawGridTest, ChangedCellsRepaintAndTheRaisedLookOfFixedCells) {
    QRegion painted;
    struct PaintSpy : QObject {
        QRegion& region;
        explicit PaintSpy(QRegion& r) : region(r) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } spy(painted);
    QApplication::processEvents();
    grid.viewport()->installEventFilter(&spy);
    painted = QRegion();
    grid.SetCellText(2, 3, "changed");
    QApplication::processEvents();
    EXPECT_TRUE(painted.contains(grid.CellRect(2, 3).to_qrect())) << "a changed text is shown";
    grid.viewport()->removeEventFilter(&spy);

    grid.SetFlat(false);
    grid.SetFixedColor(gui::clYellow);
    const QImage image = paint();
    EXPECT_EQ(bv_test::at(image, 10, 0), gui::resolve_color(gui::clBtnHighlight)) << "top edge of a fixed cell";
    EXPECT_EQ(bv_test::at(image, 0, 30), gui::resolve_color(gui::clBtnHighlight)) << "left edge";
    EXPECT_EQ(bv_test::at(image, 1, 30), gui::clYellow);
    grid.SetRowCount(3);
    EXPECT_EQ(bv_test::at(paint(), 0, 200), gui::resolve_color(gui::clWindow)) << "below the last row";
}

TEST_F(DrawGridTest, SettersRepaintOnlyWhenTheValueChanges) {
    const std::vector<std::function<void()>> setters = {[&] { grid.SetColor(gui::clAqua); },
                                                        [&] { grid.SetFixedColor(gui::clAqua); },
                                                        [&] { grid.SetFontColor(gui::clRed); },
                                                        [&] { grid.SetFlat(false); },
                                                        [&] { grid.SetOptions(gui::goVertLine | gui::goRangeSelect); },
                                                        [&] { grid.SetGridLineWidth(3); },
                                                        [&] { grid.SetColWidths(2, 30); },
                                                        [&] { grid.SetRowHeights(2, 30); },
                                                        [&] { grid.SetTopRow(4); },
                                                        [&] { grid.SetFixedCols(2); },
                                                        [&] { grid.SetRow(3); },
                                                        [&] {
                                                            grid.SetSelection({1, 2, 2, 3});
                                                        }};
    for (size_t i = 0; i < setters.size(); ++i) {
        for (const bool change : {true, false}) {
            QApplication::processEvents();
            grid.drawn.clear();
            setters[i]();
            QApplication::processEvents();
            EXPECT_EQ(grid.drawn.empty(), !change) << i;
        }
    }
}

TEST_F(DrawGridTest, MeasuringOutsidePaintingUsesTheGridsFont) {
    QFont big = grid.font();
    big.setPointSize(big.pointSize() * 3);
    grid.Canvas(); // a measuring canvas made with the old font
    grid.setFont(big);
    EXPECT_EQ(grid.Canvas().TextHeight("#"), QFontMetrics(big).height());
    EXPECT_EQ(grid.Canvas().TextWidth("##"), QFontMetrics(big).horizontalAdvance("##"));
}

TEST_F(DrawGridTest, EdgesOfDraggingAndSizing) {
    grid.SetOptions(grid.Options() | gui::goColSizing);
    QTest::mouseMove(grid.viewport(), QPoint(50, 10));
    EXPECT_EQ(grid.viewport()->cursor().shape(), Qt::SplitHCursor) << "over the fixed column's line";
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseMove(grid.viewport(), QPoint(70, 10));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(grid.ColWidths(0), 70) << "the fixed column's line sizes it too";

    grid.SetRowCount(5);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(1, 1));
    QTest::mouseMove(grid.viewport(), QPoint(centre(1, 1).x(), 200));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(centre(1, 1).x(), 200));
    EXPECT_EQ(grid.Row(), 4) << "below the last row: the last row";

    grid.SetColCount(12);
    grid.SetRow(1);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(1, 1));
    QTest::mouseMove(grid.viewport(), QPoint(300, centre(1, 1).y()));
    EXPECT_EQ(grid.Col(), 5) << "one column past the partly shown one (column 4)";
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(300, centre(1, 1).y()));
}

TEST_F(DrawGridTest, ArrowsLeaveTheEditorOnlyAtTheEndsOfItsText) {
    grid.SetOptions(grid.Options() | gui::goEditing);
    grid.SetCol(2);
    key(Qt::Key_F2); // caret at the end of "2:1"
    gui::TInplaceEdit* editor = grid.InplaceEditor();
    key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(editor->cursorPosition(), 2);
    key(Qt::Key_Right);
    EXPECT_EQ(editor->cursorPosition(), 3);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.Col(), 2) << "Shift selects, it does not move";
    key(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 3) << "past the end: the next cell";

    editor->setCursorPosition(1);
    key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(editor->cursorPosition(), 0);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(grid.Col(), 3);
    editor->setCursorPosition(0);
    editor->setSelection(0, 2);
    editor->setCursorPosition(0);
    key(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 2) << "before the start: the previous cell";
}

TEST_F(DrawGridTest, TextsAreDrawnInsideTheirCellsWithAMargin) {
    int drawn_cells = 0;
    grid.OnDrawCell = [&](QObject*, int, int, const TRect&, gui::TGridDrawState) { ++drawn_cells; };
    grid.SetCellText(2, 3, "MMMM");
    const QImage image = paint();
    EXPECT_EQ(drawn_cells, 44) << "OnDrawCell for every shown cell: 4 columns, 11 rows";
    const TRect cell = grid.CellRect(2, 3);
    int dark = 0;
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                ++dark;
                EXPECT_GE(x, cell.left + 2) << "the margin stays clear";
            }
        }
    }
    EXPECT_GT(dark, 10) << "the text is drawn";
}

TEST_F(DrawGridTest, FewerFixedItemsShowTheFirstScrolledOnesAgain) {
    grid.SetFixedCols(0);
    grid.SetFixedRows(0);
    EXPECT_EQ(grid.LeftCol(), 0);
    EXPECT_EQ(grid.TopRow(), 0);
    EXPECT_EQ(grid.CellRect(0, 0), (TRect{0, 0, 50, 20})) << "column 0 is a scrolled one now, and shown";
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(0, 0));
    QTest::mouseMove(grid.viewport(), centre(1, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centre(1, 0));
    EXPECT_EQ(grid.Selection(), (gui::TGridRect{0, 0, 1, 0})) << "row 0 can be selected now";
}

TEST(DrawGrid, AnEditorHiddenBeforeTheWindowShowsStaysHidden) {
    gui::TStringGrid grid;
    grid.SetOptions(grid.Options() | gui::goEditing);
    grid.resize(300, 200);
    grid.ShowEditor();
    ASSERT_NE(grid.InplaceEditor(), nullptr);
    grid.HideEditor();
    grid.show();
    QApplication::processEvents();
    EXPECT_FALSE(grid.InplaceEditor()->isVisible());
}

TEST(DrawGrid, ShowingTheEditorLeavesTheKeyboardWithAnotherControl) {
    QWidget window;
    auto* grid = new gui::TStringGrid(&window);
    auto* other = new QLineEdit(&window);
    grid->SetOptions(grid->Options() | gui::goEditing);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    grid->ShowEditor();
    ASSERT_TRUE(grid->InplaceEditor()->isVisible());
    EXPECT_TRUE(other->hasFocus());
    grid->SetOptions(grid->Options() | gui::goTabs);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 2) << "with goTabs Tab moves within the grid, not to the next control";
}

TEST(StringGrid, CellTextsStayWithTheirCellsWhenTheLayoutChanges) {
    gui::TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetCellText(2, 1, "a");
    grid.SetCellText(0, 2, "b");
    grid.SetColCount(5);
    EXPECT_EQ(grid.Cells(2, 1), "a");
    EXPECT_EQ(grid.Cells(0, 2), "b");
    grid.SetRowCount(10);
    grid.SetCellText(4, 9, "c");
    EXPECT_EQ(grid.Cells(2, 1), "a");
    grid.SetColCount(2);
    EXPECT_EQ(grid.Cells(0, 2), "b");
    EXPECT_EQ(grid.Cells(2, 1), "") << "dropped with its column";
    grid.SetColCount(5);
    EXPECT_EQ(grid.Cells(4, 9), "") << "a column added again starts empty";
    grid.SetCellText(7, 0, "ignored");
    EXPECT_EQ(grid.Cells(7, 0), "");
    grid.SetCellText(5, 2, "not into the next row");
    EXPECT_EQ(grid.Cells(0, 3), "");
    grid.SetCellText(0, 3, "d");
    EXPECT_EQ(grid.Cells(5, 2), "");
    EXPECT_EQ(grid.Cells(-1, 3), "");
    grid.SetCellText(-1, 4, "x");
    EXPECT_EQ(grid.Cells(4, 3), "");
}

} // namespace
