#include "components/MyGrid.h"
#include "components/MyGridColorForm.h"
#include "gui/FormBase.h"
#include "gui/InplaceEdit.h"
#include "tests/support/grid_form.h"
#include "tests/support/grid_input.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

using bv_test::at;
using bv_test::render;
using bv_test::wait_for;

// A two-column property grid (names, values) in a form, with the kind of each value cell chosen by
// the test through `kinds` (row -> kind; column 0 and rows not listed are plain text).
class MyGridTest : public ::testing::Test, protected bv_test::GridForm<TMyGrid> {
protected:
    MyGridTest() : GridForm({420, 320}, {10, 10, 400, 300}) {}
    void SetUp() override {
        grid->SetColCount(2);
        grid->SetRowCount(40);
        grid->SetColWidths(0, 120);
        grid->SetColWidths(1, 200);
        grid->SetOptions(grid->Options() | gui::goEditing);
        for (int row = 1; row < 40; ++row) {
            grid->SetCells(0, row, QStringLiteral("name%1").arg(row));
            grid->SetCells(1, row, QStringLiteral("value%1").arg(row));
        }
        grid->OnGetCellProps = [this](QObject* sender, int col, int row, CELL_PROPS& kind) {
            EXPECT_EQ(sender, grid);
            if (col == 1 && kinds.count(row))
                kind = kinds[row];
        };
        grid->OnChange = [this](QObject*) { ++changes; };
        grid->OnBtnClick = [this](QObject*) { ++button_clicks; };
        show();
        grid->setFocus();
    }

    void click_cell(int col, int row) { bv_test::click_cell(*grid, col, row); }
    // Keys go where the keyboard is, as a user's do.
    static void type(const char* text) {
        for (; *text; ++text)
            QTest::keyClick(QApplication::focusWidget(), *text);
    }
    static void press_key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    QRect cell_qrect(int col, int row) const { return grid->CellRect(col, row).to_qrect(); }
    QLineEdit* editor() const { return grid->InplaceEditor(); }
    bool editor_shown() const { return editor() && editor()->isVisible(); }

    std::map<int, CELL_PROPS> kinds;
    int changes = 0;
    int button_clicks = 0;
};

TEST_F(MyGridTest, DropDownsFollowTheCurrentCellWithTheOwnersItems) {
    kinds = {{2, cpComboEdit}, {3, cpComboList}, {4, cpComboList}, {6, cpEditButton}};
    click_cell(1, 6);
    ASSERT_TRUE(grid->Button()->isVisible());
    grid->OnGetPopupStrings = [](QObject*, int col, int row, QStringList& items) {
        EXPECT_EQ(col, 1);
        items = {"alpha", row == 2 ? "value2" : "beta", QStringLiteral("value%1").arg(row == 4 ? 4 : 99)};
    };
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    ASSERT_TRUE(combo->isVisible());
    EXPECT_FALSE(grid->Button()->isVisible());
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->currentText(), "value2");
    EXPECT_EQ(combo->currentIndex(), 1);                                   // the list opens on the value's item
    EXPECT_EQ(combo->count(), 3);                                          // the owner's items only
    EXPECT_EQ(combo->geometry(), cell_qrect(1, 2).adjusted(-1, -1, 1, 1)); // covers the cell and its lines
    EXPECT_TRUE(editor_shown());
    // The drop-down lies over the editor and has the keyboard, which still moves between rows.
    const QPoint centre = cell_qrect(1, 2).center();
    QWidget* on_top = grid->viewport()->childAt(centre);
    EXPECT_TRUE(on_top == combo || combo->isAncestorOf(on_top));
    EXPECT_TRUE(combo->hasFocus());
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_TRUE(grid->hasFocus());      // a pick-only list leaves the keyboard to the grid
    QTest::keyClick(combo, Qt::Key_Up); // and keeps its own keys when it has it
    EXPECT_EQ(grid->Row(), 3);
    click_cell(1, 2);

    // Pick-only: a cell text that is not among the items becomes the first item, selected.
    click_cell(1, 3);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->geometry(), cell_qrect(1, 3).adjusted(-1, -1, 1, 1));
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(0), "value3");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_FALSE(editor_shown());
    // A text among the items is selected where it is.
    click_cell(1, 4);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);

    click_cell(1, 5); // plain text
    EXPECT_FALSE(combo->isVisible());
    EXPECT_TRUE(editor_shown());
    EXPECT_EQ(changes, 0); // showing and hiding changed no value
    EXPECT_EQ(grid->GetCells(1, 3), "value3");

    // A handler-less grid keeps the items the list had.
    grid->OnGetPopupStrings = nullptr;
    click_cell(1, 3);
    EXPECT_EQ(combo->itemText(1), "alpha");
}

TEST_F(MyGridTest, TypingIntoAnEditableDropDownReachesTheCellWithinHalfASecond) {
    kinds = {{2, cpComboEdit}};
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    ASSERT_TRUE(combo->isVisible());
    ASSERT_NE(grid->CbTimer(), nullptr);
    EXPECT_EQ(grid->CbTimer()->interval(), 500);
    bv_test::pump(700); // unchanged text: nothing is written, nothing fires
    EXPECT_EQ(changes, 0);

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "typed");
    EXPECT_EQ(grid->GetCells(1, 2), "value2");
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(wait_for([&] { return changes == 1; }, 2000));
    EXPECT_LE(clock.elapsed(), 700);
    EXPECT_EQ(grid->GetCells(1, 2), "typed");
    EXPECT_EQ(grid->Row(), 2); // without leaving the cell
    bv_test::pump(700);
    EXPECT_EQ(changes, 1);

    // SetCells on the current cell shows the new text in the drop-down, and fires nothing.
    grid->SetCells(1, 2, "from owner");
    EXPECT_EQ(combo->currentText(), "from owner");
    bv_test::pump(600);
    EXPECT_EQ(changes, 1);
}

TEST_F(MyGridTest, TextTypedIntoADropDownIsKeptWhenDownMovesStraightOntoAnother) {
    kinds = {{2, cpComboEdit}, {3, cpComboEdit}, {4, cpComboList}};
    click_cell(1, 2);
    grid->Combo()->lineEdit()->selectAll();
    type("abc");
    press_key(Qt::Key_Down);
    EXPECT_EQ(grid->GetCells(1, 2), "abc");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(grid->Combo()->currentText(), "value3");
    type("x");
    press_key(Qt::Key_Down); // onto a pick-only list
    EXPECT_EQ(grid->GetCells(1, 3), "value3x");
    EXPECT_EQ(changes, 2);
}

TEST_F(MyGridTest, ShrinkingTheGridUnderADropDownClosesIt) {
    kinds = {{30, cpComboList}, {5, cpComboList}};
    grid->FocusCell(1, 30, true);
    ASSERT_TRUE(grid->Combo()->isVisible());
    grid->SetRowCount(10);
    bv_test::pump(1200);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(grid->Combo()->isVisible());
    EXPECT_EQ(grid->GetCells(1, 9), "value9");
    click_cell(1, 5); // a drop-down cell brings it back
    EXPECT_TRUE(grid->Combo()->isVisible());
}

TEST_F(MyGridTest, TheTimerWaitsForAClosedListAndFollowsACellThatMoved) {
    kinds = {{2, cpComboList}};
    grid->OnGetPopupStrings = [](QObject*, int, int, QStringList& items) { items = {"one", "two"}; };
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    combo->showPopup();
    ASSERT_TRUE(wait_for([&] { return combo->list_open(); }, 2000));
    combo->setCurrentIndex(2); // "two"; the cell's own text is item 0
    bv_test::pump(700);
    EXPECT_EQ(grid->GetCells(1, 2), "value2"); // not while the user is still choosing
    EXPECT_EQ(changes, 0);
    combo->hidePopup();
    ASSERT_TRUE(wait_for([&] { return changes == 1; }, 1500));
    EXPECT_EQ(grid->GetCells(1, 2), "two");

    // Wider grid lines move the cell without any notification: the timer places the drop-down again.
    grid->SetGridLineWidth(4);
    const QRect moved = cell_qrect(1, 2).adjusted(-1, -1, 1, 1);
    EXPECT_NE(combo->geometry(), moved);
    EXPECT_TRUE(wait_for([&] { return combo->geometry() == moved; }, 1500));
    EXPECT_EQ(changes, 1);
}

TEST_F(MyGridTest, ScrollingTheCurrentCellAwayHidesItsEditorsAfterWritingBack) {
    kinds = {{2, cpComboEdit}, {3, cpColor}};
    int scrolls = 0;
    grid->OnTopLeftChanged = [&](QObject*) { ++scrolls; };
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "kept");
    grid->SetTopRow(20);
    EXPECT_EQ(scrolls, 1); // the owner still hears of it
    EXPECT_TRUE(grid->CellRect(1, 2).empty());
    EXPECT_FALSE(combo->isVisible());
    EXPECT_EQ(grid->GetCells(1, 2), "kept");
    EXPECT_EQ(changes, 1);
    grid->SetTopRow(1);
    bv_test::pump(700); // nor does the timer bring it back
    EXPECT_FALSE(combo->isVisible());
    grid->CheckCellProps();
    EXPECT_TRUE(combo->isVisible());
    EXPECT_EQ(combo->geometry(), cell_qrect(1, 2).adjusted(-1, -1, 1, 1));

    click_cell(1, 3);
    QToolButton* button = grid->Button();
    ASSERT_TRUE(button && button->isVisible());
    grid->SetTopRow(20);
    EXPECT_FALSE(button->isVisible());
    grid->SetTopRow(1);
    EXPECT_FALSE(button->isVisible());
    grid->CheckCellProps();
    EXPECT_TRUE(button->isVisible());

    // A scroll that keeps the cell in view takes the button along.
    grid->SetTopRow(2);
    const QRect cell = cell_qrect(1, 3);
    EXPECT_EQ(button->geometry(), QRect(cell.right() + 1 - cell.height(), cell.top(), cell.height(), cell.height()));
}

TEST_F(MyGridTest, ButtonKindsTheirHintsAndWhereTheEditorShows) {
    kinds = {{2, cpEditButton}, {3, cpReadOnlyButton}, {4, cpColor}, {5, cpReadOnly}};
    int double_clicks = 0, clicks = 0;
    grid->OnDblClick = [&](QObject*) { ++double_clicks; };
    grid->OnClick = [&](QObject*) { ++clicks; };
    EXPECT_EQ(grid->Button(), nullptr); // made on first use
    click_cell(1, 2);
    QToolButton* button = grid->Button();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), "...");
    EXPECT_EQ(button->toolTip(), " Выбор значения ");
    const QRect cell = cell_qrect(1, 2);
    EXPECT_EQ(button->geometry(), QRect(cell.right() + 1 - cell.height(), cell.top(), cell.height(), cell.height()));
    ASSERT_TRUE(editor_shown());
    EXPECT_TRUE(button->autoRaise()); // a flat button
    EXPECT_TRUE(editor()->hasFrame());
    EXPECT_EQ(editor()->geometry(), cell.adjusted(0, 0, -cell.height(), 0)); // the editor leaves it clear
    grid->SetColWidths(1, 10); // narrower than the button: the editor keeps two pixels
    EXPECT_EQ(editor()->width(), 2);
    grid->SetColWidths(1, 200);

    // Enter in the editor presses the button and goes no further: the cell stays current and unchanged.
    editor()->setText("edited");
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(button_clicks, 1);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_TRUE(editor_shown());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button_clicks, 2);
    EXPECT_GT(clicks, 0); // the framework's OnClick still fires

    click_cell(1, 3);
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(editor_shown());
    const gui::TRect r = grid->CellRect(1, 3);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(r.left + 5, r.top + 3));
    EXPECT_EQ(button_clicks, 3);
    EXPECT_EQ(double_clicks, 1);

    click_cell(1, 4);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->toolTip(), " Выбор цвета ");
    EXPECT_FALSE(editor_shown());

    click_cell(1, 5);
    EXPECT_FALSE(button->isVisible());
    EXPECT_FALSE(editor_shown());
    QTest::keyClicks(grid, "x"); // typing opens no editor on a read-only cell
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(grid->GetCells(1, 5), "value5");
    const gui::TRect r5 = grid->CellRect(1, 5); // a double click on a cell without a button presses none
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(r5.left + 5, r5.top + 3));
    EXPECT_EQ(button_clicks, 3);

    click_cell(1, 6); // plain text: Enter ends editing as usual
    ASSERT_TRUE(editor_shown());
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(button_clicks, 3);
}

TEST_F(MyGridTest, ColourButtonOpensThePopUpUnderTheCellAndStoresTheChosenName) {
    kinds = {{2, cpColor}, {3, cpColor}};
    grid->SetCells(1, 2, "clRed");
    grid->SetCells(1, 3, "no colour");
    click_cell(1, 2);
    const gui::TRect r = grid->CellRect(1, 2);
    const QPoint corner = grid->viewport()->mapToGlobal(QPoint(r.left, r.bottom));
    QPoint opened_at;
    TColor started_with = 1;
    QTimer::singleShot(100, grid, [&] {
        ASSERT_NE(MyGridColorForm, nullptr);
        opened_at = MyGridColorForm->pos();
        EXPECT_EQ(MyGridColorForm->parentWidget(), &form); // owned by the grid's form
        started_with = MyGridColorForm->ColorSelector->ColorValue();
        TColorSelector* s = MyGridColorForm->ColorSelector;
        // Row 5, column 7: blue.
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(15 * s->width() / 26, 11 * s->height() / 16));
    });
    QTest::mouseClick(grid->Button(), Qt::LeftButton);
    EXPECT_EQ(MyGridColorForm, nullptr);
    EXPECT_EQ(opened_at, corner);
    EXPECT_EQ(started_with, 0x0000FFu);
    EXPECT_EQ(grid->GetCells(1, 2), "clBlue");
    EXPECT_EQ(changes, 1);

    // An unreadable colour starts at black; dismissing leaves the cell alone.
    click_cell(1, 3);
    QTimer::singleShot(100, grid, [&] {
        ASSERT_NE(MyGridColorForm, nullptr);
        started_with = MyGridColorForm->ColorSelector->ColorValue();
        QTest::mouseClick(MyGridColorForm->MyButton2, Qt::LeftButton, {}, QPoint(5, 5));
    });
    QTest::mouseClick(grid->Button(), Qt::LeftButton);
    EXPECT_EQ(started_with, 0u);
    EXPECT_EQ(grid->GetCells(1, 3), "no colour");
    EXPECT_EQ(changes, 1);
}

TEST_F(MyGridTest, ColourCellsAreSwatchesAndOwnerColoursFillTheOthers) {
    kinds = {{2, cpColor}, {3, cpColor}, {4, cpColor}};
    grid->SetCells(1, 2, "$00008000");
    grid->SetCells(1, 3, "");
    grid->SetCells(1, 4, "not a colour");
    grid->OnGetDrawParams = [](QObject*, int col, int row, TColor& colour, gui::TFont&) {
        if (col == 1 && row >= 5)
            colour = 0x40C0F0;
    };
    grid->FocusCell(0, 10, true);
    const QImage image = render(*grid->viewport());
    const auto pixel = [&](int col, int row, int dx, int dy) {
        const gui::TRect r = grid->CellRect(col, row);
        return at(image, r.left + dx, r.top + dy);
    };
    const int h = grid->CellRect(1, 2).height();
    EXPECT_EQ(pixel(1, 2, h / 2, h / 2), 0x008000u); // the swatch
    // Its frame, from (left + 2, top + 2) to (left + side, bottom - 2) exclusive, side being the height.
    const TColor frame = gui::resolve_color(gui::clWindowFrame), window = gui::resolve_color(gui::clWindow);
    EXPECT_EQ(pixel(1, 2, 2, h / 2), frame);
    EXPECT_EQ(pixel(1, 2, h - 1, h / 2), frame);
    EXPECT_EQ(pixel(1, 2, h / 2, 2), frame);
    EXPECT_EQ(pixel(1, 2, h / 2, h - 3), frame);
    EXPECT_EQ(pixel(1, 2, 1, h / 2), window);
    EXPECT_EQ(pixel(1, 2, h, h / 2), window);
    EXPECT_EQ(pixel(1, 2, h / 2, 1), window);
    EXPECT_EQ(pixel(1, 2, h / 2, h - 2), window);
    for (int x = 0; x < grid->CellRect(1, 3).width(); x += 3) // an empty colour cell is plain background
        ASSERT_EQ(pixel(1, 3, x, h / 2), gui::resolve_color(gui::clWindow)) << x;
    EXPECT_EQ(pixel(1, 4, h / 2, h / 2), gui::resolve_color(gui::clWindow)); // unreadable: window colour
    EXPECT_EQ(pixel(1, 4, 2, h / 2), gui::resolve_color(gui::clWindowFrame));
    EXPECT_EQ(pixel(1, 6, 1, 1), 0x40C0F0u);                          // the owner's colour
    EXPECT_EQ(pixel(0, 6, 1, 1), gui::resolve_color(gui::clBtnFace)); // fixed cells are the base's

    // A selected cell keeps the highlight unless UseSelColor is off; a colour's name stays in the font colour.
    grid->SetSelection({1, 2, 1, 6}); // (1, 2) .. (1, 5) selected, not current
    QImage selected = render(*grid->viewport());
    const gui::TRect named = grid->CellRect(1, 2);
    int name_ink = 0;
    for (int y = named.top; y < named.bottom; ++y)
        for (int x = named.left + h + 2; x < named.right; ++x)
            name_ink += at(selected, x, y) != gui::resolve_color(gui::clHighlight) && at(selected, x, y) != window;
    EXPECT_GT(name_ink, 0);
    const gui::TRect sel = grid->CellRect(1, 5);
    const auto count = [&](TColor colour) {
        int n = 0;
        for (int y = sel.top; y < sel.bottom; ++y)
            for (int x = sel.left; x < sel.right; ++x)
                n += at(selected, x, y) == gui::resolve_color(colour);
        return n;
    };
    EXPECT_EQ(at(selected, sel.left + 1, sel.top + 1), gui::resolve_color(gui::clHighlight));
    EXPECT_GT(count(gui::clHighlightText), 0);
    grid->SetUseSelColor(false);
    selected = render(*grid->viewport());
    EXPECT_EQ(at(selected, sel.left + 1, sel.top + 1), 0x40C0F0u);
    EXPECT_EQ(count(gui::clHighlightText), 0); // the text takes the grid's font colour again
    EXPECT_GT(count(gui::clWindowText), 0);
}

// Rows of ink of the cell in the image: first and last that differ from the cell's background.
std::pair<int, int> ink_rows(const QImage& image, const gui::TRect& r, TColor background) {
    int first = -1, last = -1;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (at(image, x, y) != background) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    return {first, last};
}

TEST_F(MyGridTest, TextIsCentredVerticallyAndAlignedByTheOwner) {
    grid->SetRowHeights(3, 60);
    grid->SetCells(1, 3, "Hg");
    grid->FocusCell(0, 10, true);
    grid->OnGetAlignment = [](QObject*, int col, int row, gui::TAlignment& a) {
        if (col == 1 && row == 4)
            a = gui::taLeftJustify;
    };
    const QImage image = render(*grid->viewport());
    const gui::TRect r = grid->CellRect(1, 3);
    const auto [top, bottom] = ink_rows(image, r, gui::resolve_color(gui::clWindow));
    ASSERT_GE(top, 0);
    const int gap_above = top - r.top, gap_below = r.bottom - 1 - bottom;
    EXPECT_NEAR(gap_above, gap_below, 6);
    EXPECT_GT(gap_above, 15);

    // Right-justified by default and left-justified by the owner, a blank from the edge; headers centred.
    const int blank = QFontMetrics(grid->font()).horizontalAdvance(' ');
    grid->SetCells(1, 0, "Head");
    const QImage again = render(*grid->viewport());
    const auto ink_cols = [&](int row, TColor background) {
        const gui::TRect c = grid->CellRect(1, row);
        int first = -1, last = -1;
        for (int x = c.left + 1; x < c.right; ++x)
            for (int y = c.top + 1; y < c.bottom; ++y)
                if (at(again, x, y) != gui::resolve_color(background)) {
                    if (first < 0)
                        first = x - c.left;
                    last = x - c.left;
                    break;
                }
        return std::pair{first, c.width() - 1 - last}; // the gaps on the left and on the right
    };
    const auto [left5, right5] = ink_cols(5, gui::clWindow);
    EXPECT_GE(right5, blank);
    EXPECT_LE(right5, blank + 2);
    EXPECT_GT(left5, 100);
    const auto [left4, right4] = ink_cols(4, gui::clWindow);
    EXPECT_GE(left4, blank);
    EXPECT_LE(left4, blank + 2);
    const auto [left0, right0] = ink_cols(0, gui::clBtnFace);
    EXPECT_NEAR(left0, right0, 3);
}

TEST_F(MyGridTest, TextMarkersSetTheStyleAndAreNotShown) {
    grid->SetAddCharasters(true);
    gui::TCanvas& canvas = grid->Canvas();
    const auto width_of = [&](const QString& text, bool bold, bool italic) {
        canvas.Font = grid->GridFont();
        canvas.Font.font.setBold(bold);
        canvas.Font.font.setItalic(italic);
        return canvas.TextWidth(text);
    };
    struct Case {
        const char* text;
        int col;
        const char* shown;
        bool bold, italic;
    } cases[] = {
        {"\\bWord", 1, "Word", true, false},  {"\\BWord", 1, "Word", true, false}, {"\\IWord", 1, "Word", false, true},
        {"\\xWord", 1, "Word", false, false}, {"\\", 1, "\\", false, false},       {"plain", 1, "plain", false, false},
        {"\\b", 1, "", true, false},
    };
    for (const Case& c : cases) {
        grid->SetCells(c.col, 2, c.text);
        canvas.Font = grid->GridFont();
        int width = 0, height = 0;
        grid->DrawCell(c.col, 2, grid->CellRect(c.col, 2), 0, true, &width, &height);
        EXPECT_EQ(canvas.Font.font.bold(), c.bold) << c.text;
        EXPECT_EQ(canvas.Font.font.italic(), c.italic) << c.text;
        EXPECT_EQ(width, width_of(c.shown, c.bold, c.italic)) << c.text;
        EXPECT_GT(height, 0);
    }
    // Without AddCharasters, and in PropEditorMode outside column 0, the text is drawn as it is.
    grid->SetCells(1, 2, "\\bWord");
    grid->PropEditorMode = true;
    canvas.Font = grid->GridFont();
    int width = 0;
    grid->DrawCell(1, 2, grid->CellRect(1, 2), 0, true, &width);
    EXPECT_FALSE(canvas.Font.font.bold());
    EXPECT_EQ(width, width_of("\\bWord", false, false));
    grid->SetCells(0, 2, "\\bWord");
    grid->DrawCell(0, 2, grid->CellRect(0, 2), 0, true, &width);
    EXPECT_EQ(width, width_of("Word", true, false));
    grid->PropEditorMode = false;
    grid->SetAddCharasters(false);
    canvas.Font = grid->GridFont();
    grid->DrawCell(0, 2, grid->CellRect(0, 2), 0, true, &width);
    EXPECT_EQ(width, width_of("\\bWord", false, false));
}

TEST_F(MyGridTest, PropEditorModeEditsValuesOfNamedRowsOnly) {
    grid->SetColCount(3);
    grid->SetFixedCols(0); // the names are cells of their own
    grid->SetLeftCol(0);
    grid->PropEditorMode = true;
    grid->SetCells(0, 4, "");
    click_cell(0, 3);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 3);
    ASSERT_TRUE(editor_shown());
    QTest::keyClicks(editor(), "!");
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(grid->GetCells(1, 3), "value3!");

    click_cell(0, 4);
    EXPECT_EQ(grid->Col(), 1);
    ASSERT_TRUE(editor_shown());
    EXPECT_TRUE(editor()->isReadOnly());
    QTest::keyClicks(editor(), "!");
    EXPECT_EQ(grid->GetCells(1, 4), "value4"); // no name: not editable
    grid->SetCol(2);
    EXPECT_EQ(grid->Col(), 2) << "only a name moves to its value";
}

TEST_F(MyGridTest, EscapeInTheEditorUndoesTheTyping) {
    click_cell(1, 3);
    ASSERT_TRUE(editor_shown());
    QTest::keyClicks(editor(), "xy");
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(editor()->text(), "value3");
    EXPECT_EQ(grid->GetCells(1, 3), "value3");

    // Typed on the grid itself, the first key starts editing; Escape brings back the cell's text, not that key.
    QTest::keyClick(editor(), Qt::Key_Return);
    ASSERT_TRUE(grid->hasFocus());
    type("abc");
    EXPECT_EQ(grid->GetCells(1, 3), "abc");
    press_key(Qt::Key_Escape);
    EXPECT_EQ(grid->GetCells(1, 3), "value3");
}

TEST_F(MyGridTest, ClipboardTextOfTheSelectionOrOfTheWholeGrid) {
    grid->SetRowCount(3);
    grid->SetColCount(3);
    grid->SetCells(0, 0, "");
    grid->SetCells(1, 0, " head\t");
    grid->SetCells(2, 0, "h2");
    grid->SetCells(0, 1, "a");
    grid->SetCells(1, 1, "");
    grid->SetCells(2, 1, "c\x01");
    grid->SetCells(0, 2, "");
    grid->SetCells(1, 2, "");
    grid->SetCells(2, 2, "z");
    // A one-column selection copies everything; tabs only after a non-empty start.
    grid->SetSelection({1, 1, 1, 2});
    EXPECT_EQ(grid->GetText(), "head\th2\r\na\t\tc\r\nz\r\n");
    grid->SetSelection({1, 1, 2, 1}); // one row high
    EXPECT_EQ(grid->GetText(), "head\th2\r\na\t\tc\r\nz\r\n");
    grid->SetSelection({1, 1, 2, 2}); // two by two: only itself
    EXPECT_EQ(grid->GetText(), "c\r\nz\r\n");

    grid->CopyToClipboard("Заголовок");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Заголовок\nc\r\nz\r\n");
    grid->CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "c\r\nz\r\n");
}

TEST_F(MyGridTest, RowsAndColumnsFitTheirTextsAndHeadersComeFromTopStrings) {
    grid->SetTopStrings({"Имя", "Значение", "Ед."});
    EXPECT_EQ(grid->ColCount(), 3);
    EXPECT_EQ(grid->GetCells(0, 0), "Имя");
    EXPECT_EQ(grid->GetCells(2, 0), "Ед.");
    grid->SetTopStrings({});
    EXPECT_EQ(grid->ColCount(), 3); // an empty list changes nothing
    EXPECT_EQ(grid->GetCells(1, 0), "Значение");

    gui::TCanvas& canvas = grid->Canvas();
    canvas.Font = grid->GridFont();
    const int line = canvas.TextHeight("#");
    grid->SetCells(0, 5, "one\ntwo\nthree");
    grid->ResizeRow(5);
    EXPECT_GE(grid->RowHeights(5), 3 * line + 4 - 1);
    EXPECT_LE(grid->RowHeights(5), 3 * line + 4 + 3);
    canvas.Font.font.setPixelSize(40); // whatever the canvas held before
    grid->ResizeRow(6);
    EXPECT_EQ(grid->RowHeights(6), line + 4);

    grid->SetCells(2, 7, "a much longer text than the others");
    canvas.Font.font.setPixelSize(40);
    grid->ResizeCol(2);
    canvas.Font = grid->GridFont();
    EXPECT_EQ(grid->ColWidths(2), canvas.TextWidth("  ") + canvas.TextWidth("a much longer text than the others") + 4);
    grid->SetCells(1, 0, "a header wider than every value below");
    grid->ResizeCol(1);
    canvas.Font = grid->GridFont();
    EXPECT_EQ(grid->ColWidths(1),
              canvas.TextWidth("  ") + canvas.TextWidth("a header wider than every value below") + 4);
    grid->SetColWidths(0, 5);
    grid->AlignHorizontal();
    canvas.Font = grid->GridFont();
    EXPECT_EQ(grid->ColWidths(0), canvas.TextWidth("  ") + canvas.TextWidth("name39") + 4);
}

TEST_F(MyGridTest, AutoRowHeightMakesTheDropDownFillARow) {
    kinds = {{2, cpComboList}};
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    EXPECT_EQ(grid->DefaultRowHeight(), combo->sizeHint().height() - 2);
    EXPECT_EQ(combo->height(), grid->RowHeights(2) + 2);
    grid->SetAutoRowHeight(false);
    grid->SetDefaultRowHeight(40);
    QFont big = grid->font();
    big.setPixelSize(30);
    grid->Canvas(); // a measuring canvas in the old font
    grid->setFont(big);
    EXPECT_EQ(grid->DefaultRowHeight(), 40) << "a new font keeps a row height set by hand";
    EXPECT_EQ(grid->Canvas().TextHeight("#"), QFontMetrics(big).height()) << "and is measured with";
    grid->SetAutoRowHeight(true);
    EXPECT_EQ(grid->DefaultRowHeight(), combo->sizeHint().height() - 2);
}

TEST_F(MyGridTest, TheWheelIsDroppedWhileTheListIsOpen) {
    kinds = {{2, cpComboList}};
    grid->OnGetPopupStrings = [](QObject*, int, int, QStringList& items) { items = {"a", "b", "c"}; };
    click_cell(1, 2);
    GridComboBox* combo = grid->Combo();
    const auto wheel = [&](QWidget* target) {
        QWheelEvent event(QPointF(20, 20), target->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -120), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    combo->showPopup();
    ASSERT_TRUE(wait_for([&] { return combo->list_open(); }, 2000));
    const int index = combo->currentIndex();
    wheel(grid->viewport());
    wheel(combo);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(combo->currentIndex(), index);
    combo->hidePopup();
    wheel(combo); // a closed list takes the wheel as usual
    EXPECT_NE(combo->currentIndex(), index);
    wheel(grid->viewport());
    EXPECT_GT(grid->TopRow(), 1);
}

} // namespace
