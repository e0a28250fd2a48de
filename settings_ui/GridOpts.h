// The grid option editor: shows any option list in a TMyGrid, one row per option under bold
// section header rows, in up to four columns (running number, caption, unit, value); gives each
// value cell the editor that suits its option (text, drop-down list, check box) through the grid's
// events; and on request writes the edited value cells back into the options. It never touches
// files: its owner decides when to lay the options out and when to store them.
#pragma once

#include "gui/Canvas.h"
#include "gui/ControlTypes.h"
#include "library/options.h"

#include <QStringList>
#include <cstdint>
#include <map>
#include <set>

class TMyGrid;
enum CELL_PROPS : std::uint8_t;

namespace lib {

// A filter of the editor: option full names (section "." name) and section keys.
class grid_options_list {
public:
    std::set<AnsiString> keys;
    std::set<AnsiString> sections;

    void add_key(const AnsiString& full_name) { keys.insert(full_name); }
    void add_section(const AnsiString& section_key) { sections.insert(section_key); }
};

// Column flags of fill(); shown columns take grid columns 0, 1, 2, ... in this order.
enum grid_column_flags : int {
    gc_number = 1,
    gc_caption = 2,
    gc_units = 4,
    gc_value = 8,
    gc_all = -1,
};

class grid_options {
public:
    gui::TColor header_color; // background of section header rows

    // Drives `grid`, which must outlive this editor. The grid is not touched until fill().
    explicit grid_options(TMyGrid* grid);
    // Takes the seven handlers off the grid; its cells and row count stay.
    ~grid_options();
    grid_options(const grid_options&) = delete;
    grid_options& operator=(const grid_options&) = delete;

    // Writes `list` into the grid from `first_row` on, in the columns `columns` asks for, attaches the
    // handlers and puts the cursor into the value column. Old cells are not cleared and the row count
    // only grows.
    void fill(const options_list& list, int first_row, int columns);
    // Hands the text of every option row's value cell to its option, read-only options excepted.
    void store();
    // The option shown in `row`, or an empty pointer (header rows, rows outside the options).
    MetaClassPointer option_at(int row) const;
    bool is_read_only(int row) const;

    int number_col() const { return number_col_; }
    int caption_col() const { return caption_col_; }
    int units_col() const { return units_col_; }
    int value_col() const { return value_col_; }

    // Left out: named in hidden (keys or sections), or not named in a non-empty shown.keys.
    // Read-only: named in read_only.keys.
    grid_options_list shown;
    grid_options_list hidden;
    grid_options_list read_only;

private:
    bool left_out(const meta_class_base& d) const;
    void add_row(const MetaClassPointer& d);
    void set_cell(int col, int row, const AnsiString& text);
    void attach_handlers();
    // The option of `row` when it is a boolean shown as a check box (kind 2 without items).
    const meta_class_base* check_box_option(int row) const;

    void get_alignment(int col, int row, gui::TAlignment& alignment) const;
    void get_cell_props(int row, CELL_PROPS& props) const;
    void get_popup_strings(int col, int row, QStringList& strings) const;
    void get_draw_params(int row, gui::TColor& color, gui::TFont& font) const;
    void draw_cell(int col, int row, const gui::TRect& rect) const;
    void click() const;
    void mouse_down(int x, int y) const;

    TMyGrid* grid;
    int next_row = 0;
    int next_number = 1;
    int number_col_ = -1;
    int caption_col_ = -1;
    int units_col_ = -1;
    int value_col_ = -1;
    AnsiString current_section;
    std::map<int, MetaClassPointer> rows;
};

} // namespace lib
