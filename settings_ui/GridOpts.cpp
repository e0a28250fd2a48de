#include "settings_ui/GridOpts.h"

#include "components/MyGrid.h"
#include "library/cp1251.h"
#include "library/options_detailed.h"

#define LIB_UNIT "settings_ui/GridOpts"
#include "library/lib_assert.h"

#include <algorithm>
#include <bit>

namespace lib {
namespace {

using options_detailed::meta_class;
using options_detailed::meta_class_enum_base;

constexpr gui::TColor read_only_font_color = 0x808080;

QString to_qstring(const AnsiString& text) {
    return QString::fromStdString(cp1251_to_utf8(text));
}

AnsiString from_qstring(const QString& text) {
    return utf8_to_1251(text.toStdString());
}

// A cell text read as an integer; anything that is not a number counts as 0.
int cell_number(const QString& text) {
    return text.trimmed().toInt();
}

// The grid column of a flag: how many of the lower flags are set, or -1 when the flag is not.
int column_of(int columns, int flag) {
    if ((columns & flag) == 0)
        return -1;
    return std::popcount(static_cast<unsigned>(columns & (flag - 1)));
}

const meta_class<bool>& as_bool(const meta_class_base& d) {
    const auto* b_item = dynamic_cast<const meta_class<bool>*>(&d);
    LIB_ASSERT(b_item);
    return *b_item;
}

const meta_class_enum_base& as_enum(const meta_class_base& d) {
    const auto* e_item = dynamic_cast<const meta_class_enum_base*>(&d);
    LIB_ASSERT(e_item);
    return *e_item;
}

} // namespace

grid_options::grid_options(TMyGrid* grid) : header_color(gui::rgb_color(240, 240, 240)), grid(grid) {}

grid_options::~grid_options() {
    grid->OnGetAlignment = nullptr;
    grid->OnGetCellProps = nullptr;
    grid->OnGetPopupStrings = nullptr;
    grid->OnGetDrawParams = nullptr;
    grid->OnDrawCell = nullptr;
    grid->OnClick = nullptr;
    grid->OnMouseDown = nullptr;
}

void grid_options::fill(const options_list& list, int first_row, int columns) {
    next_row = first_row;
    next_number = 1;
    current_section.clear();
    number_col_ = column_of(columns, gc_number);
    caption_col_ = column_of(columns, gc_caption);
    units_col_ = column_of(columns, gc_units);
    value_col_ = column_of(columns, gc_value);
    rows.clear();
    list.for_each([this](MetaClassPointer d) { add_row(d); });
    attach_handlers();
    if (value_col_ >= 0)
        grid->SetCol(value_col_);
}

bool grid_options::left_out(const meta_class_base& d) const {
    const AnsiString full_name = d.full_name();
    return hidden.keys.count(full_name) || hidden.sections.count(d.section) ||
           (!shown.keys.empty() && !shown.keys.count(full_name));
}

void grid_options::add_row(const MetaClassPointer& d) {
    if (left_out(*d) || d->caption.empty())
        return;
    if (d->section_caption != current_section) {
        current_section = d->section_caption;
        set_cell(number_col_, next_row, {});
        set_cell(caption_col_, next_row, current_section);
        set_cell(units_col_, next_row, {});
        set_cell(value_col_, next_row, {});
        ++next_row;
    }
    set_cell(number_col_, next_row, std::to_string(next_number));
    set_cell(caption_col_, next_row, d->caption);
    set_cell(units_col_, next_row, d->units);
    set_cell(value_col_, next_row, d->get_text());
    rows[next_row] = d;
    ++next_row;
    ++next_number;
}

// SetCells stores a text only when it differs from the cell's.
void grid_options::set_cell(int col, int row, const AnsiString& text) {
    if (col < 0)
        return;
    if (row >= grid->RowCount())
        grid->SetRowCount(row + 1);
    grid->SetCells(col, row, to_qstring(text));
}

void grid_options::store() {
    if (value_col_ < 0)
        return;
    grid->CommitEdit(); // a choice made just now may still be in the drop-down only
    for (const auto& [row, d] : rows)
        if (!is_read_only(row))
            d->set_text(from_qstring(grid->GetCells(value_col_, row)));
}

MetaClassPointer grid_options::option_at(int row) const {
    const auto it = rows.find(row);
    return it == rows.end() ? MetaClassPointer() : it->second;
}

bool grid_options::is_read_only(int row) const {
    const MetaClassPointer d = option_at(row);
    return d && read_only.keys.count(d->full_name());
}

const meta_class_base* grid_options::check_box_option(int row) const {
    const MetaClassPointer d = option_at(row);
    if (!d || d->kind() != kind_bool || as_bool(*d).has_items())
        return nullptr;
    return d.get();
}

void grid_options::attach_handlers() {
    grid->OnGetAlignment = [this](QObject*, int col, int row, gui::TAlignment& a) { get_alignment(col, row, a); };
    grid->OnGetCellProps = [this](QObject*, int, int row, CELL_PROPS& props) { get_cell_props(row, props); };
    grid->OnGetPopupStrings = [this](QObject*, int col, int row, QStringList& s) { get_popup_strings(col, row, s); };
    grid->OnGetDrawParams = [this](QObject*, int, int row, gui::TColor& color, gui::TFont& font) {
        get_draw_params(row, color, font);
    };
    grid->OnDrawCell = [this](QObject*, int col, int row, const gui::TRect& rect, gui::TGridDrawState) {
        draw_cell(col, row, rect);
    };
    grid->OnClick = [this](QObject*) { click(); };
    grid->OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { mouse_down(x, y); };
}

void grid_options::get_alignment(int col, int row, gui::TAlignment& alignment) const {
    if (col == number_col_ || col == units_col_)
        alignment = gui::taCenter;
    else if (col == value_col_)
        alignment = option_at(row) ? gui::taLeftJustify : gui::taRightJustify;
    else if (col == caption_col_)
        alignment = gui::taLeftJustify;
}

// The same kind for every column of a row: the grid asks for the cell the cursor is in.
void grid_options::get_cell_props(int row, CELL_PROPS& props) const {
    const MetaClassPointer d = option_at(row);
    if (!d || is_read_only(row)) {
        props = cpReadOnly;
        return;
    }
    switch (d->kind()) {
    case kind_enum:
        (void)as_enum(*d); // the assertion only
        props = cpComboList;
        break;
    case kind_bool:
        // Without items the value is a check box that a mouse click toggles, not an editor.
        props = as_bool(*d).has_items() ? cpComboList : cpReadOnly;
        break;
    default:
        break;
    }
}

void grid_options::get_popup_strings(int col, int row, QStringList& strings) const {
    const MetaClassPointer d = option_at(row);
    if (col != value_col_ || !d)
        return;
    StringList items;
    if (d->kind() == kind_enum) {
        as_enum(*d).fill_items(items);
        strings.clear();
    } else if (d->kind() == kind_bool && as_bool(*d).has_items()) {
        as_bool(*d).fill_items(items);
    } else {
        return;
    }
    for (const AnsiString& item : items)
        strings.append(to_qstring(item));
}

void grid_options::get_draw_params(int row, gui::TColor& color, gui::TFont& font) const {
    if (!option_at(row)) {
        font.font.setBold(true);
        color = header_color;
    } else if (is_read_only(row)) {
        font.color = read_only_font_color;
    }
}

void grid_options::draw_cell(int col, int row, const gui::TRect& rect) const {
    if (col != value_col_ || !check_box_option(row))
        return;
    gui::TCanvas& canvas = grid->Canvas();
    canvas.FillRect(rect); // hides the "0" or "1" the grid has drawn
    const int size = std::min(rect.height() - 4, canvas.TextHeight(QStringLiteral("#")));
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    const int half = size / 2;
    unsigned state = gui::DFCS_FLAT;
    if (cell_number(grid->GetCells(col, row)) != 0)
        state |= gui::DFCS_CHECKED;
    canvas.DrawFrameControl({x - half, y - half, x + half, y + half}, gui::FrameKind::CheckBox, state);
}

// The cursor always sits in the value column.
void grid_options::click() const {
    if ((grid->Options() & gui::goEditing) && value_col_ >= 0 && grid->Col() != value_col_)
        grid->SetCol(value_col_);
}

// Any mouse button toggles the check box of the row under the mouse, in its value column. Only a left press
// moves the cursor, so the current row is not necessarily that row. A read-only option keeps its value: its
// toggled text would never be stored.
void grid_options::mouse_down(int x, int y) const {
    const gui::TGridCoord cell = grid->MouseCoord(x, y);
    if (cell.col != value_col_ || value_col_ < 0 || !check_box_option(cell.row) || is_read_only(cell.row))
        return;
    const QString text = grid->GetCells(cell.col, cell.row);
    grid->SetCells(cell.col, cell.row, cell_number(text) == 0 ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace lib
