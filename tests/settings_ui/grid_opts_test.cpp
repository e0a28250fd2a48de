// The grid option editor on a real property grid: layout, editors by kind, drawing, the check box,
// storing back, and the handlers leaving with the editor.
#include "acquisition/core/Options.h"
#include "components/MyGrid.h"
#include "gui/FormBase.h"
#include "library/cp1251.h"
#include "library/options_detailed.h"
#include "settings_ui/GridOpts.h"
#include "tests/support/grid_form.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using lib::AnsiString;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}
AnsiString a(const char* utf8) {
    return lib::utf8_to_1251(utf8);
}

enum class Speed { Slow, Fast };

// One option of every kind the editor tells apart, in sections that share and repeat captions.
struct MixedOptions : lib::options_base {
    AnsiString first, second, third, fourth, nameless;
    bool check = false, named_bool = true;
    Speed speed = Speed::Fast;
    MixedOptions() { set_defaults(); }
    void describe(lib::options_list& list) override {
        lib::add_option(list, first, "before any section", "first", "First", "m");
        list.begin_section("a", "Common");
        lib::add_option(list, second, "s", "second", "Second", "");
        lib::add_option(list, nameless, "n", "nameless", "", ""); // no caption: not shown
        list.begin_section("b", "Common");                        // another key, the same caption
        lib::add_option(list, check, false, "check", "Check", "");
        list.begin_section("c", "Other");
        lib::add_option(list, named_bool, true, "named", "Named", "", a("нет|да"));
        lib::add_enum_option(list, speed, Speed::Fast, {"slow", a("быстро")}, "speed", "Speed", "");
        list.begin_section("a", "Common"); // the first section again, after another one
        lib::add_option(list, third, "t", "third", "Third", "");
    }
};

// A descriptor that counts what the editor asks of it.
struct CountingText : lib::options_detailed::meta_class<AnsiString> {
    using meta_class::meta_class;
    mutable int reads = 0;
    int writes = 0;
    AnsiString get_text() const override {
        ++reads;
        return meta_class::get_text();
    }
    void set_text(const AnsiString& text) override {
        ++writes;
        meta_class::set_text(text);
    }
};

// A descriptor that claims a kind it is not.
struct Impostor : lib::options_detailed::meta_class<AnsiString> {
    Impostor(AnsiString* v, int k) : meta_class(v, "", "x", "X", ""), claimed(k) {}
    int kind() const override { return claimed; }
    int claimed;
};

class GridOpts : public ::testing::Test, protected bv_test::GridForm<TMyGrid> {
protected:
    GridOpts() : GridForm({520, 420}, {0, 0, 520, 420}) {}
    void SetUp() override {
        grid->SetColCount(4);
        grid->SetFixedCols(0);
        grid->SetRowCount(2);
        grid->SetFixedRows(1);
        for (int col = 0; col < 4; ++col)
            grid->SetColWidths(col, 120);
        grid->SetOptions(grid->Options() | gui::goEditing);
        editor = std::make_unique<lib::grid_options>(grid);
        show();
    }

    void fill(lib::options_base& o, int first_row = 1, int columns = lib::gc_all) {
        list = lib::options_list();
        o.describe(list);
        editor->fill(list, first_row, columns);
    }
    QStringList row_texts(int row) const {
        QStringList texts;
        for (int col = 0; col < grid->ColCount(); ++col)
            texts << grid->GetCells(col, row);
        return texts;
    }
    CELL_PROPS props(int col, int row) const {
        CELL_PROPS p = cpEdit;
        grid->OnGetCellProps(grid, col, row, p);
        return p;
    }
    gui::TAlignment alignment(int col, int row) const {
        gui::TAlignment al = gui::taRightJustify;
        grid->OnGetAlignment(grid, col, row, al);
        return al;
    }
    void press(int col, int row, Qt::MouseButton button = Qt::LeftButton) {
        const gui::TRect r = grid->CellRect(col, row);
        ASSERT_FALSE(r.empty());
        QTest::mouseClick(grid->viewport(), button, {}, QPoint(r.left + r.width() / 2, r.top + r.height() / 2));
    }
    // What a widget gets of a real double click: press, release, double click (the second press), release.
    void double_click(int col, int row) {
        const QPoint p = grid->CellRect(col, row).to_qrect().center();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, p);
    }

    std::unique_ptr<lib::grid_options> editor; // goes before the form and its grid
    lib::options_list list;
};

} // namespace

TEST_F(GridOpts, ApplicationOptionsGiveAHeaderAndOneNumberedRowWithTheCursorInTheValueColumn) {
    Options o;
    o.remote_name = a("станция-1");
    fill(o);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(row_texts(1), (QStringList{"", u("Основные"), "", ""}));
    EXPECT_EQ(row_texts(2), (QStringList{"1", u("Имя компьютера с системой 'Тирмаль'"), "", u("станция-1")}));
    EXPECT_FALSE(editor->option_at(0));
    EXPECT_FALSE(editor->option_at(1));
    ASSERT_TRUE(editor->option_at(2));
    EXPECT_EQ(editor->option_at(2)->name, "remote_name");
    EXPECT_FALSE(editor->option_at(3));
    EXPECT_EQ(grid->Col(), 3);

    // The header row: bold on light grey, no editor, value cell right-justified. The option row: as the grid
    // draws it, a text editor, the value left-justified.
    gui::TColor color = gui::clWindow;
    gui::TFont font{grid->font(), gui::clWindowText};
    grid->OnGetDrawParams(grid, 1, 1, color, font);
    EXPECT_EQ(color, 0xF0F0F0u);
    EXPECT_TRUE(font.font.bold());
    color = gui::clWindow;
    font.font.setBold(false);
    grid->OnGetDrawParams(grid, 3, 2, color, font);
    EXPECT_EQ(color, gui::clWindow);
    EXPECT_FALSE(font.font.bold());
    EXPECT_EQ(font.color, gui::clWindowText);
    for (int col = 0; col < 4; ++col) {
        EXPECT_EQ(props(col, 1), cpReadOnly);
        EXPECT_EQ(props(col, 2), cpEdit);
    }
    EXPECT_EQ(alignment(0, 2), gui::taCenter);
    EXPECT_EQ(alignment(1, 2), gui::taLeftJustify);
    EXPECT_EQ(alignment(2, 2), gui::taCenter);
    EXPECT_EQ(alignment(3, 2), gui::taLeftJustify);
    EXPECT_EQ(alignment(3, 1), gui::taRightJustify);
    EXPECT_EQ(alignment(4, 2), gui::taRightJustify); // not a column of the editor: unchanged

    // Painted (away from the current cell): the header in the header colour, the option row in the grid's.
    const QImage image = bv_test::render(*grid->viewport());
    const gui::TRect header = grid->CellRect(2, 1), option = grid->CellRect(2, 2);
    EXPECT_EQ(bv_test::at(image, header.right - 3, header.top + 2), 0xF0F0F0u);
    EXPECT_EQ(bv_test::at(image, option.right - 3, option.top + 2), gui::resolve_color(gui::clWindow));

    // A click into another column of the row puts the cursor back into the value column, when editing.
    press(1, 2);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Col(), 3);
    grid->SetOptions(grid->Options() & ~gui::goEditing);
    press(1, 2);
    EXPECT_EQ(grid->Col(), 1);
}

TEST_F(GridOpts, SectionsNumbersAndRowCount) {
    grid->SetRowCount(20);
    grid->SetCells(0, 15, "old");
    for (int col = 0; col < 4; ++col) // texts left from earlier use, where header rows come
        for (int row : {2, 4, 7, 10})
            grid->SetCells(col, row, "stale");
    MixedOptions o;
    fill(o, 2);
    EXPECT_EQ(grid->RowCount(), 20); // never reduced
    EXPECT_EQ(grid->GetCells(0, 15), "old");
    // An option declared before any section belongs to "[Без названия]" and gets that header.
    const QStringList expected[] = {
        {"", u("[Без названия]"), "", ""},
        {"1", "First", "m", "before any section"},
        {"", "Common", "", ""},
        {"2", "Second", "", "s"},
        {"3", "Check", "", "0"}, // a shared caption: no second header
        {"", "Other", "", ""},
        {"4", "Named", "", u("да")},
        {"5", "Speed", "", u("быстро")},
        {"", "Common", "", ""}, // the first section again: a header again
        {"6", "Third", "", "t"},
    };
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i)
        EXPECT_EQ(row_texts(2 + i), expected[i]) << "row " << 2 + i;

    // Another fill restarts the numbering, and a first option with an empty section caption gets no header.
    struct Plain : lib::options_base {
        AnsiString v;
        Plain() { set_defaults(); }
        void describe(lib::options_list& l) override {
            l.begin_section("k", "");
            lib::add_option(l, v, "x", "v", "V", "");
        }
    } plain;
    fill(plain, 1);
    EXPECT_EQ(row_texts(1), (QStringList{"1", "V", "", "x"}));
    EXPECT_TRUE(editor->option_at(1));
    EXPECT_FALSE(editor->option_at(3)); // the rows of the earlier fill are forgotten
}

TEST_F(GridOpts, ColumnFlagsChooseAndPackTheColumns) {
    struct Case {
        int columns;
        int number, caption, units, value;
    } cases[] = {
        {lib::gc_all, 0, 1, 2, 3}, {15, 0, 1, 2, 3},   {lib::gc_value, -1, -1, -1, 0}, {2 | 8, -1, 0, -1, 1},
        {1 | 4 | 8, 0, -1, 1, 2},  {4, -1, -1, 0, -1}, {1 | 2, 0, 1, -1, -1},
    };
    Options o;
    o.remote_name = "host";
    for (const Case& c : cases) {
        for (int row = 0; row < grid->RowCount(); ++row)
            for (int col = 0; col < 4; ++col)
                grid->SetCells(col, row, {});
        fill(o, 1, c.columns);
        EXPECT_EQ(editor->number_col(), c.number) << c.columns;
        EXPECT_EQ(editor->caption_col(), c.caption) << c.columns;
        EXPECT_EQ(editor->units_col(), c.units) << c.columns;
        EXPECT_EQ(editor->value_col(), c.value) << c.columns;
        if (c.value >= 0) {
            EXPECT_EQ(grid->GetCells(c.value, 2), "host") << c.columns;
            EXPECT_EQ(grid->Col(), c.value);
        }
        if (c.caption >= 0) {
            EXPECT_EQ(grid->GetCells(c.caption, 1), u("Основные")) << c.columns;
        }
        if (c.number >= 0) {
            EXPECT_EQ(grid->GetCells(c.number, 2), "1") << c.columns;
        }
    }
    // The value in grid column 0 is stored like any other, and the cursor is kept there.
    fill(o, 1, lib::gc_value);
    press(2, 2);
    EXPECT_EQ(grid->Col(), 0);
    grid->SetCells(0, 2, "stored");
    editor->store();
    EXPECT_EQ(o.remote_name, "stored");
    o.remote_name = "host";
    // Without a value column nothing is stored.
    fill(o, 1, lib::gc_caption);
    grid->SetCells(0, 2, "changed");
    editor->store();
    EXPECT_EQ(o.remote_name, "host");
}

TEST_F(GridOpts, EditorsPopupsAndAlignmentByKind) {
    MixedOptions o;
    fill(o, 1);
    // Rows: 1 header, 2 First, 3 header, 4 Second, 5 Check, 6 header, 7 Named, 8 Speed, 9 header, 10 Third.
    for (int col = 0; col < 4; ++col) {
        EXPECT_EQ(props(col, 2), cpEdit);
        EXPECT_EQ(props(col, 5), cpReadOnly); // the check box has no editor
        EXPECT_EQ(props(col, 7), cpComboList);
        EXPECT_EQ(props(col, 8), cpComboList);
        EXPECT_EQ(props(col, 6), cpReadOnly);
    }
    QStringList items{"kept"};
    grid->OnGetPopupStrings(grid, 3, 8, items); // an enumeration: its items replace the list
    EXPECT_EQ(items, (QStringList{"slow", u("быстро")}));
    items = {"kept"};
    grid->OnGetPopupStrings(grid, 3, 7, items); // a boolean with items: appended
    EXPECT_EQ(items, (QStringList{"kept", u("нет"), u("да")}));
    for (auto [col, row] : {std::pair{3, 2}, {3, 5}, {3, 6}, {1, 8}, {0, 7}}) {
        items = {"kept"};
        grid->OnGetPopupStrings(grid, col, row, items);
        EXPECT_EQ(items, QStringList{"kept"}) << col << "," << row;
    }

    // Picking from the drop-down of the enumeration and storing sets the option.
    press(3, 8);
    ASSERT_TRUE(grid->Combo() && grid->Combo()->isVisible());
    EXPECT_EQ(grid->Combo()->count(), 2);
    grid->Combo()->setCurrentIndex(0);
    press(3, 2); // leaving the cell writes the pick back
    EXPECT_EQ(grid->GetCells(3, 8), "slow");
    editor->store();
    EXPECT_EQ(o.speed, Speed::Slow);
}

TEST_F(GridOpts, CheckBoxIsDrawnAndToggledByAnyButtonInItsValueCellOnly) {
    MixedOptions o;
    fill(o, 1);
    const int row = 5; // "Check", kind 2 without items
    ASSERT_EQ(grid->GetCells(3, row), "0");
    auto dark_pixels = [&] {
        const QImage image = bv_test::render(*grid->viewport());
        const gui::TRect r = grid->CellRect(3, row);
        int dark = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    press(1, row); // the cursor goes to the value cell without toggling: the focused look stays the same below
    ASSERT_EQ(grid->Col(), 3);
    ASSERT_EQ(grid->GetCells(3, row), "0");
    const int unchecked = dark_pixels();

    press(3, row);
    EXPECT_EQ(grid->GetCells(3, row), "1");
    const int checked = dark_pixels();
    EXPECT_GT(checked, unchecked); // the tick
    press(3, row, Qt::RightButton);
    EXPECT_EQ(grid->GetCells(3, row), "0");
    EXPECT_EQ(dark_pixels(), unchecked);
    press(3, row, Qt::MiddleButton);
    EXPECT_EQ(grid->GetCells(3, row), "1");
    // A right press does not move the cursor: it toggles the box of the row under the mouse, and only there.
    press(3, 2);
    press(3, row, Qt::RightButton);
    EXPECT_EQ(grid->GetCells(3, row), "0");
    EXPECT_EQ(grid->Row(), 2);
    press(3, row);
    press(3, 4, Qt::RightButton);
    EXPECT_EQ(grid->GetCells(3, row), "1");
    press(3, 0, Qt::RightButton); // the title row
    EXPECT_EQ(grid->GetCells(3, row), "1");
    double_click(3, row); // two quick clicks, two toggles
    EXPECT_EQ(grid->GetCells(3, row), "1");

    // Text that is no number counts as 0; another column of the row, other rows and headers toggle nothing.
    grid->SetCells(3, row, "yes");
    press(3, row);
    EXPECT_EQ(grid->GetCells(3, row), "1");
    press(1, row);
    EXPECT_EQ(grid->GetCells(3, row), "1");
    press(3, 4);
    press(3, 6);
    EXPECT_EQ(grid->GetCells(3, 4), "s");
    EXPECT_EQ(grid->GetCells(3, 6), "");
    EXPECT_EQ(grid->GetCells(3, row), "1");
    press(3, 7); // a boolean with items is a drop-down, not a check box
    EXPECT_EQ(grid->GetCells(3, 7), u("да"));
    press(3, row); // one click from another row toggles at once
    EXPECT_EQ(grid->GetCells(3, row), "0");

    grid->SetCells(3, row, "1");
    editor->store();
    EXPECT_TRUE(o.check);
}

// The box is a square of the smaller of (row height - 4) and the text height, centred in the cell, and it
// covers the "0" or "1" the grid drew there.
TEST_F(GridOpts, CheckBoxIsCentredSizedToItsRowAndHidesTheCellText) {
    MixedOptions o;
    fill(o, 1);
    const int row = 5;
    press(1, 2); // the cursor elsewhere: the check box cell is drawn plain
    const gui::TColor background = gui::resolve_color(gui::clWindow);
    auto cell_image = [&] {
        const gui::TRect r = grid->CellRect(3, row);
        return bv_test::render(*grid->viewport()).copy(r.to_qrect());
    };
    // The bounding box of what differs from the background.
    auto drawn = [&](const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (bv_test::at(image, x, y) != background)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const int text_height = grid->Canvas().TextHeight("#");
    for (int height : {text_height + 10, text_height - 2}) {
        grid->SetRowHeights(row, height);
        const QImage image = cell_image();
        const QRect box = drawn(image);
        const int size = std::min(height - 4, text_height);
        EXPECT_NEAR(box.width(), size, 2) << "row height " << height;
        EXPECT_NEAR(box.height(), size, 2) << "row height " << height;
        EXPECT_NEAR(box.center().x(), image.width() / 2, 1);
        EXPECT_NEAR(box.center().y(), image.height() / 2, 1);
    }
    // Only the check box's own cell gets one: a text value and the row's caption keep their texts.
    auto dark_in_left_quarter = [&](int col, int r) {
        const gui::TRect cell = grid->CellRect(col, r);
        const QImage image = bv_test::render(*grid->viewport()).copy(cell.to_qrect());
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width() / 4; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_GT(dark_in_left_quarter(3, 4), 0);   // "s"
    EXPECT_GT(dark_in_left_quarter(1, row), 0); // "Check"
    // Texts that both read as 0 look alike: the grid's own text is hidden.
    const QImage zero = cell_image();
    grid->SetCells(3, row, "00");
    EXPECT_EQ(cell_image(), zero);
    grid->SetCells(3, row, "1");
    EXPECT_NE(cell_image(), zero);
}

TEST_F(GridOpts, FiltersHideAndProtectOptions) {
    MixedOptions o;
    editor->hidden.add_key("a.second");
    editor->hidden.add_section("c");
    editor->read_only.add_key("b.check");
    editor->read_only.add_key("a.third");
    fill(o, 1);
    const QStringList captions = [&] {
        QStringList c;
        for (int row = 1; row < grid->RowCount(); ++row)
            c << grid->GetCells(1, row);
        return c;
    }();
    EXPECT_EQ(captions, (QStringList{u("[Без названия]"), "First", "Common", "Check", "Third"}));
    EXPECT_EQ(grid->GetCells(0, 5), "3"); // hidden options use up no number
    EXPECT_TRUE(editor->is_read_only(4));
    EXPECT_TRUE(editor->is_read_only(5));
    EXPECT_FALSE(editor->is_read_only(2));
    EXPECT_FALSE(editor->is_read_only(3)); // a header row is no option
    EXPECT_EQ(props(1, 5), cpReadOnly);
    gui::TColor color = gui::clWindow;
    gui::TFont font{grid->font(), gui::clWindowText};
    grid->OnGetDrawParams(grid, 3, 5, color, font);
    EXPECT_EQ(font.color, 0x808080u);
    EXPECT_EQ(color, gui::clWindow);
    EXPECT_FALSE(font.font.bold());

    // store() leaves read-only options alone, and a read-only check box does not toggle.
    press(3, 4);
    EXPECT_EQ(grid->GetCells(3, 4), "0");
    grid->SetCells(3, 2, "edited");
    grid->SetCells(3, 5, "edited too");
    editor->store();
    EXPECT_EQ(o.first, "edited");
    EXPECT_FALSE(o.check);
    EXPECT_EQ(o.third, "t");

    // A non-empty shown list keeps only what it names.
    lib::grid_options only(grid);
    only.shown.add_key("c.speed");
    only.shown.add_section("a"); // sections of "shown" are not consulted
    for (int row = 0; row < grid->RowCount(); ++row)
        for (int col = 0; col < 4; ++col)
            grid->SetCells(col, row, {});
    list = lib::options_list();
    o.describe(list);
    only.fill(list, 1, lib::gc_all);
    EXPECT_EQ(grid->GetCells(1, 1), "Other");
    EXPECT_EQ(grid->GetCells(1, 2), "Speed");
    EXPECT_EQ(grid->GetCells(1, 3), "");
}

TEST_F(GridOpts, StoreReadsOptionRowsOnlyAndFillWritesChangedCellsOnly) {
    AnsiString v1 = "one", v2 = "two";
    lib::options_list l;
    l.begin_section("s", "S");
    auto d1 = std::make_shared<CountingText>(&v1, "", "k1", "K1", "");
    auto d2 = std::make_shared<CountingText>(&v2, "", "k2", "K2", "");
    l.add(d1);
    l.add(d2);
    editor->fill(l, 1, lib::gc_all);
    EXPECT_EQ(d1->reads, 1);
    grid->SetCells(3, 1, "header cell typed into");
    grid->SetCells(3, 3, "TWO");
    editor->store();
    EXPECT_EQ(d1->writes, 1);
    EXPECT_EQ(d2->writes, 1);
    EXPECT_EQ(v1, "one");
    EXPECT_EQ(v2, "TWO");

    // Descriptors outlive their list in the editor's rows.
    l.clear();
    EXPECT_EQ(editor->option_at(2), d1);
    EXPECT_GE(d1.use_count(), 2);
}

TEST_F(GridOpts, DestroyingTheEditorTakesItsSevenHandlersOffTheGrid) {
    Options o;
    fill(o);
    EXPECT_TRUE(grid->OnGetAlignment && grid->OnGetCellProps && grid->OnGetPopupStrings && grid->OnGetDrawParams &&
                grid->OnDrawCell && grid->OnClick && grid->OnMouseDown);
    grid->OnChange = [](QObject*) {};
    editor.reset();
    EXPECT_FALSE(grid->OnGetAlignment);
    EXPECT_FALSE(grid->OnGetCellProps);
    EXPECT_FALSE(grid->OnGetPopupStrings);
    EXPECT_FALSE(grid->OnGetDrawParams);
    EXPECT_FALSE(grid->OnDrawCell);
    EXPECT_FALSE(grid->OnClick);
    EXPECT_FALSE(grid->OnMouseDown);
    EXPECT_TRUE(grid->OnChange); // not one of the editor's
    EXPECT_EQ(grid->GetCells(3, 2), "localhost");
    EXPECT_EQ(grid->RowCount(), 3);
    press(3, 2); // a grid without handlers still works
    bv_test::render(*grid->viewport());
}

TEST_F(GridOpts, DescriptorOfTheWrongClassForItsKindStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    AnsiString v;
    for (auto [kind, name] : {std::pair{lib::kind_bool, "b_item"}, {lib::kind_enum, "e_item"}}) {
        lib::options_list l;
        l.add(std::make_shared<Impostor>(&v, kind));
        editor->fill(l, 1, lib::gc_all);
        EXPECT_DEATH(props(3, 2), std::string(name) + ".*settings_ui/GridOpts");
    }
}
