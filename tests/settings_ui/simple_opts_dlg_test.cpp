// The settings dialog, run modally with real clicks and keys: what it shows, what OK, Cancel and the
// close button do to the options, and how it fits itself to the grid and the screen.
#include "acquisition/core/Options.h"
#include "components/MyButton.h"
#include "components/MyGrid.h"
#include "gui/Controlworks.h"
#include "gui/InplaceEdit.h"
#include "gui/Panel.h"
#include "gui/SystemColors.h"
#include "library/cp1251.h"
#include "library/options_detailed.h"
#include "settings_ui/GridOpts.h"
#include "settings_ui/SimpleOptsDlg.h"
#include "tests/support/grid_input.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/scratch_dir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using lib::AnsiString;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Runs `while_open` once the dialog is on the screen, inside its modal loop; returns what execute returned.
bool run(TSimpleOptsForm& form, const QString& caption, const std::function<void()>& while_open) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(bv_test::wait_for([&] { return form.isVisible(); }, 3000));
        QApplication::setActiveWindow(&form);
        bv_test::wait_for([&] { return form.isActiveWindow(); }, 1000);
        while_open();
        ran = true;
        // A test body that forgot to close the dialog must not hang the run.
        if (form.isVisible())
            QTimer::singleShot(2000, &form, [&] { form.SetModalResult(gui::mrCancel); });
    });
    const bool result = form.execute(caption);
    EXPECT_TRUE(ran);
    return result;
}

// Replaces the value cell's text by typing, as a user does.
void type_value(TMyGrid* grid, int row, const QString& text) {
    bv_test::type_into_cell(*grid, 3, row, text);
}

// Many options with long captions: more than the screen can hold.
struct ManyOptions : lib::options_base {
    AnsiString values[80];
    ManyOptions() { set_defaults(); }
    void describe(lib::options_list& list) override {
        list.begin_section("s", "Section");
        for (int i = 0; i < 80; ++i)
            lib::add_option(list, values[i], "v", "k" + std::to_string(i),
                            "A caption long enough to make the dialog wider than the screen is, number " +
                                std::to_string(i) + std::string(150, '.'),
                            "");
    }
};

struct ThreeOptions : lib::options_base {
    AnsiString a, b, c;
    ThreeOptions() { set_defaults(); }
    void describe(lib::options_list& list) override {
        list.begin_section("s", "S");
        lib::add_option(list, a, "1", "a", "A", "");
        lib::add_option(list, b, "2", "b", "B", "");
        lib::add_option(list, c, "3", "c", "C", "");
    }
};

// Two pick-only drop-downs: an enumeration and a boolean with item words.
struct ChoiceOptions : lib::options_base {
    enum class Speed { Slow, Fast } speed = Speed::Fast;
    bool flag = true;
    ChoiceOptions() { set_defaults(); }
    void describe(lib::options_list& list) override {
        list.begin_section("s", "S");
        lib::add_enum_option(list, speed, Speed::Fast, {"slow", "fast"}, "speed", "Speed", "");
        lib::add_option(list, flag, true, "flag", "Flag", "", "no|yes");
    }
};

// Opens the drop-down of a value cell with a click and clicks the item.
void pick(TMyGrid* grid, int row, int item) {
    bv_test::click_cell(*grid, 3, row);
    GridComboBox* combo = grid->Combo();
    ASSERT_TRUE(combo && combo->isVisible());
    QTest::mouseClick(combo, Qt::LeftButton);
    ASSERT_TRUE(bv_test::wait_for([&] { return combo->list_open(); }, 2000));
    bv_test::pump(QApplication::doubleClickInterval() + 50); // the list takes no click sooner
    const QRect r = combo->view()->visualRect(combo->view()->model()->index(item, 0));
    QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_TRUE(bv_test::wait_for([&] { return !combo->list_open(); }, 2000));
}

} // namespace

TEST(SimpleOptsDlg, AChoiceMadeJustBeforeOkOrEnterIsStored) {
    for (const bool by_enter : {false, true}) {
        ChoiceOptions o;
        TSimpleOptsForm form(nullptr, &o);
        EXPECT_TRUE(run(form, "x", [&] {
            pick(form.Grid, 2, 0);
            pick(form.Grid, 3, 0);
            if (by_enter)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else
                QTest::mouseClick(form.btnOk, Qt::LeftButton);
        }));
        EXPECT_EQ(o.speed, ChoiceOptions::Speed::Slow) << by_enter;
        EXPECT_FALSE(o.flag) << by_enter;
    }
}

TEST(SimpleOptsDlg, DesignValuesBeforeItRuns) {
    Options o;
    {
        // Styled as every window of the program.
        set_installed_fonts_source([] { return QStringList{"Arial"}; });
        TSimpleOptsForm styled(nullptr, &o);
        EXPECT_EQ(styled.font().family(), "arial");
    }
    // Where no preferred font is installed the design's own font stays, and with it the design's row height.
    set_installed_fonts_source([] { return QStringList{}; });
    TSimpleOptsForm form(nullptr, &o);
    EXPECT_EQ(form.palette().color(QPalette::Window),
              gui::to_qcolor(gui::clBtnFace)); // the system face colour, not Qt's
    EXPECT_EQ(form.windowTitle(), "SimpleOptsForm");
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint)); // a dialog border
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.size(), QSize(gui::design_px(443), gui::design_px(291)));
    EXPECT_TRUE(form.pnlBottom->isHidden());
    EXPECT_EQ(form.pnlBottom->height(), gui::design_px(45));
    EXPECT_EQ(form.btnOk->Caption(), "OK");
    EXPECT_TRUE(form.btnOk->Default());
    EXPECT_EQ(form.btnOk->ModalResult(), mbmrOk);
    EXPECT_EQ(form.btnOk->size(), QSize(gui::design_px(81), gui::design_px(31)));
    EXPECT_EQ(form.btnCancel->Caption(), u("Отмена"));
    EXPECT_TRUE(form.btnCancel->Cancel);
    EXPECT_FALSE(form.btnCancel->Default());
    EXPECT_EQ(form.btnCancel->ModalResult(), mbmrCancel);
    EXPECT_EQ(form.btnCancel->size(), QSize(gui::design_px(86), gui::design_px(31)));

    TMyGrid* g = form.Grid;
    EXPECT_EQ(g->ColCount(), 4);
    EXPECT_EQ(g->FixedCols(), 0);
    EXPECT_EQ(g->RowCount(), 2);
    EXPECT_EQ(g->FixedRows(), 1);
    EXPECT_TRUE(g->Flat());
    EXPECT_EQ(g->DefaultRowHeight(), gui::design_px(22));
    const int widths[] = {41, 127, 89, 151};
    for (int col = 0; col < 4; ++col)
        EXPECT_EQ(g->ColWidths(col), gui::design_px(widths[col]));
    EXPECT_EQ(g->Options(), unsigned(gui::goFixedVertLine | gui::goFixedHorzLine | gui::goVertLine | gui::goHorzLine |
                                     gui::goRangeSelect | gui::goEditing | gui::goAlwaysShowEditor |
                                     gui::goThumbTracking | gui::goDrawFocusSelected));
    const QStringList titles{u("№"), u("Название"), u("Ед.изм."), u("               Значение               ")};
    for (int col = 0; col < 4; ++col)
        EXPECT_EQ(g->GetCells(col, 0), titles[col]);
}

TEST(SimpleOptsDlg, ApplicationOptionsOkAfterTypingChangesTheHostInMemoryOnly) {
    bv_test::scratch_dir dir;
    const auto ini = dir.file("Borevane.ini");
    Options o;
    o.remote_name = "old-host";
    o.save(ini);
    const std::string saved = bv_test::read_file(ini);

    TSimpleOptsForm form(nullptr, &o);
    QFont large = form.font(); // rows taller than the designed default must be fitted, the titles too
    large.setPixelSize(30);
    form.setFont(large);
    const bool ok = run(form, u("  Настройки"), [&] {
        TMyGrid* g = form.Grid;
        EXPECT_EQ(form.windowTitle(), u("  Настройки"));
        EXPECT_TRUE(form.pnlBottom->isVisible());
        EXPECT_EQ(g->RowCount(), 3);
        EXPECT_EQ(g->GetCells(1, 1), u("Основные"));
        EXPECT_EQ(g->GetCells(0, 2), "1");
        EXPECT_EQ(g->GetCells(1, 2), u("Имя компьютера с системой 'Тирмаль'"));
        EXPECT_EQ(g->GetCells(2, 2), "");
        EXPECT_EQ(g->GetCells(3, 2), "old-host");
        EXPECT_EQ(g->Col(), 3);
        EXPECT_EQ(g->Row(), 1); // three rows are not more than fixed rows + 2: the row is not moved
        // Columns were fitted to their texts, rows too.
        EXPECT_GE(g->ColWidths(1), g->Canvas().TextWidth(g->GetCells(1, 2)));
        EXPECT_GE(g->RowHeights(2), g->Canvas().TextHeight("#"));
        for (int row = 0; row < g->RowCount(); ++row) { // every row, the titles too, already fits its text
            const int fitted = g->RowHeights(row);
            g->ResizeRow(row);
            EXPECT_EQ(g->RowHeights(row), fitted) << "row " << row;
        }
        type_value(g, 2, u("127.0.0.2"));
        QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(o.remote_name, "127.0.0.2");
    EXPECT_EQ(bv_test::read_file(ini), saved); // nothing is written by the dialog

    // Enter while typing is the default button too; Cyrillic reaches the option in its code page.
    TSimpleOptsForm again(nullptr, &o);
    EXPECT_TRUE(run(again, "x", [&] {
        type_value(again.Grid, 2, u("станция"));
        QTest::keyClick(again.Grid->InplaceEditor(), Qt::Key_Return);
    }));
    EXPECT_EQ(o.remote_name, lib::utf8_to_1251("станция"));
}

TEST(SimpleOptsDlg, CancelEscapeAndTheCloseButtonChangeNothing) {
    Options o;
    o.remote_name = "kept";
    const std::function<void(TSimpleOptsForm&)> closers[] = {
        [](TSimpleOptsForm& f) { QTest::mouseClick(f.btnCancel, Qt::LeftButton); },
        [](TSimpleOptsForm& f) { QTest::keyClick(f.Grid->InplaceEditor(), Qt::Key_Escape); },
        [](TSimpleOptsForm& f) { f.close(); }, // the window's close button
    };
    for (const auto& close_it : closers) {
        TSimpleOptsForm form(nullptr, &o);
        EXPECT_FALSE(run(form, "x", [&] {
            type_value(form.Grid, 2, "changed");
            ASSERT_EQ(form.Grid->GetCells(3, 2), "changed");
            close_it(form);
        }));
        EXPECT_EQ(o.remote_name, "kept");
    }
    // An empty value is taken as typed: the dialog validates nothing.
    TSimpleOptsForm form(nullptr, &o);
    EXPECT_TRUE(run(form, "x", [&] {
        type_value(form.Grid, 2, "");
        QTest::mouseClick(form.btnOk, Qt::LeftButton);
    }));
    EXPECT_EQ(o.remote_name, "");
}

TEST(SimpleOptsDlg, FitsTheGridAndIsCentred) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    Options o;
    TSimpleOptsForm form(nullptr, &o);
    run(form, "x", [&] {
        TMyGrid* g = form.Grid;
        const int line = g->GridLineWidth();
        int w = line, h = line;
        for (int col = 0; col < g->ColCount(); ++col)
            w += g->ColWidths(col) + line;
        for (int row = 0; row < g->RowCount(); ++row)
            h += g->RowHeights(row) + line;
        const int bar = form.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &form);
        // The columns reach the grid's border: no room kept for a scroll bar the two rows do not need.
        EXPECT_EQ(form.width(), w + 2 * g->frameWidth());
        EXPECT_EQ(g->viewport()->width(), w);
        EXPECT_EQ(form.minimumSize(), form.maximumSize()); // a dialog border: the user cannot resize it
        EXPECT_EQ(form.height(), h + bar + form.pnlBottom->height() + 8);
        const QRect outer = form.frameGeometry();
        EXPECT_EQ(outer.left() - screen.left(), qRound((screen.width() - outer.width()) / 2.0));
        EXPECT_EQ(outer.top() - screen.top(), qRound((screen.height() - outer.height()) / 2.0));
        // The panel at the bottom, the grid filling the rest of the client area.
        const int panel = form.pnlBottom->height();
        EXPECT_EQ(form.pnlBottom->geometry(), QRect(0, form.height() - panel, form.width(), panel));
        EXPECT_EQ(form.Grid->geometry(), QRect(0, 0, form.width(), form.height() - panel));
        form.SetModalResult(gui::mrCancel);
    });

    ManyOptions many;
    TSimpleOptsForm big(nullptr, &many);
    run(big, "x", [&] {
        EXPECT_EQ(big.height(), screen.height() * 2 / 3);
        EXPECT_EQ(big.width(), screen.width() * 11 / 12);
        const QRect outer = big.frameGeometry();
        EXPECT_EQ(outer.left() - screen.left(), qRound((screen.width() - outer.width()) / 2.0));
        EXPECT_EQ(outer.top() - screen.top(), qRound((screen.height() - outer.height()) / 2.0));
        // The buttons keep to the panel's top right, in their designed order and spacing.
        const QRect ok = big.btnOk->geometry(), cancel = big.btnCancel->geometry();
        const int panel = big.pnlBottom->height();
        EXPECT_EQ(big.pnlBottom->geometry(), QRect(0, big.height() - panel, big.width(), panel));
        EXPECT_EQ(big.Grid->geometry(), QRect(0, 0, big.width(), big.height() - panel));
        EXPECT_EQ(ok.top(), gui::design_px(8));
        EXPECT_EQ(cancel.top(), gui::design_px(8));
        EXPECT_EQ(big.pnlBottom->width() - (cancel.left() + cancel.width()), gui::design_px(6));
        EXPECT_EQ(cancel.left() - (ok.left() + ok.width()), gui::design_px(4));
        // With more than fixed rows + 2 rows the cursor starts on the first option.
        EXPECT_EQ(big.Grid->Row(), 2);
        big.SetModalResult(gui::mrCancel);
    });
}

// Laid out before it is shown, the dialog must not show an in-place editor over a header row, and shows one
// over the current value cell when that is a text.
TEST(SimpleOptsDlg, TheInPlaceEditorShowsOnlyOverAnEditableCurrentCell) {
    Options one;
    TSimpleOptsForm header_current(nullptr, &one);
    run(header_current, "x", [&] {
        bv_test::pump(100);
        gui::TInplaceEdit* edit = header_current.Grid->InplaceEditor();
        EXPECT_TRUE(!edit || !edit->isVisible());
        header_current.SetModalResult(gui::mrCancel);
    });
    ThreeOptions three;
    TSimpleOptsForm value_current(nullptr, &three);
    run(value_current, "x", [&] {
        bv_test::pump(100);
        TMyGrid* g = value_current.Grid;
        ASSERT_EQ(g->Row(), 2);
        gui::TInplaceEdit* edit = g->InplaceEditor();
        ASSERT_TRUE(edit && edit->isVisible());
        EXPECT_TRUE(edit->geometry().intersects(g->CellRect(3, 2).to_qrect()));
        EXPECT_EQ(edit->text(), "1");
        value_current.SetModalResult(gui::mrCancel);
    });
}

TEST(SimpleOptsDlg, OkHasTheFocusFirstAndTabGoesToCancelThenTheGrid) {
    Options o;
    TSimpleOptsForm form(nullptr, &o);
    run(form, "x", [&] {
        EXPECT_EQ(QApplication::focusWidget(), form.btnOk);
        QTest::keyClick(form.btnOk, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), form.btnCancel);
        QTest::keyClick(form.btnCancel, Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(focused == form.Grid || form.Grid->isAncestorOf(focused));
        form.SetModalResult(gui::mrCancel);
    });
}

TEST(SimpleOptsDlg, HelperRunsOneDialogAndDestroysIt) {
    ThreeOptions o;
    QPointer<TSimpleOptsForm> seen;
    {
        lib::SimpleOptsHelper helper(nullptr, &o);
        seen = helper.form();
        EXPECT_TRUE(run(*helper.form(), "x", [&] {
            EXPECT_EQ(helper.form()->Grid->Row(), 2); // five rows: the cursor starts on the first option
            type_value(helper.form()->Grid, 3, "two");
            QTest::mouseClick(helper.form()->btnOk, Qt::LeftButton);
        }));
    }
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(o.a, "1");
    EXPECT_EQ(o.b, "two");
    EXPECT_EQ(o.c, "3");

    // The helper's own execute is the form's.
    lib::SimpleOptsHelper helper(nullptr, &o);
    QTimer::singleShot(0, [&] {
        bv_test::wait_for([&] { return helper.form()->isVisible(); }, 3000);
        helper.form()->SetModalResult(gui::mrCancel);
    });
    EXPECT_FALSE(helper.execute("x"));
}

TEST(SimpleOptsDlg, HeaderTitlesSetTheColumnCount) {
    TMyGrid grid;
    grid.SetColCount(6);
    const char* const two[] = {"один", "two", nullptr};
    lib::set_header_titles(&grid, two);
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.GetCells(0, 0), u("один"));
    EXPECT_EQ(grid.GetCells(1, 0), "two");
}
