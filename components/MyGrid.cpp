#include "components/MyGrid.h"

#include "components/MyGridColorForm.h"
#include "gui/ControlBase.h"
#include "library/ColorNames.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

namespace {

// Clipboard cells lose leading and trailing blanks and control characters.
QString trim_controls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= u' ')
        ++first;
    while (last > first && text[last - 1].unicode() <= u' ')
        --last;
    return text.mid(first, last - first);
}

std::optional<gui::TColor> text_to_color(const QString& text) {
    return gui::string_to_color(text.toStdString());
}

} // namespace

TMyGrid::TMyGrid(QWidget* owner) : gui::TStringGrid(owner) {
    if (auto_row_height_)
        set_auto_row_height();
}

TMyGrid::~TMyGrid() = default;

void TMyGrid::SetFixedAlignment(gui::TAlignment value) {
    if (gui::store_changed(fixed_alignment_, value))
        InvalidateGrid();
}

void TMyGrid::SetAlignment(gui::TAlignment value) {
    if (gui::store_changed(alignment_, value))
        InvalidateGrid();
}

void TMyGrid::SetAddCharasters(bool value) {
    if (gui::store_changed(add_charasters_, value))
        InvalidateGrid();
}

void TMyGrid::SetAutoRowHeight(bool value) {
    if (gui::store_changed(auto_row_height_, value) && value)
        set_auto_row_height();
}

void TMyGrid::SetTopStrings(const QStringList& value) {
    top_strings_ = value;
    top_list_changed();
}

void TMyGrid::SetUseSelColor(bool value) {
    if (gui::store_changed(use_sel_color_, value))
        InvalidateGrid();
}

void TMyGrid::SetCells(int col, int row, const QString& text) {
    if (Cells(col, row) == text)
        return;
    SetCellText(col, row, text);
    if (col == Col() && row == Row())
        editors_.show_cell_text();
}

// --- the current cell's editors ---

void TMyGrid::process_button(int col, int row) {
    if (col == props_col_ && row == props_row_)
        return;
    cell_props_ = cpEdit;
    if (OnGetCellProps)
        OnGetCellProps(this, col, row, cell_props_);
    switch (cell_props_) {
    case cpComboEdit:
    case cpComboList:
        editors_.hide_button();
        editors_.show_combo(cell_props_);
        break;
    case cpColor:
        editors_.hide_combo();
        editors_.show_button(QStringLiteral(" Выбор цвета "));
        break;
    case cpEditButton:
    case cpReadOnlyButton:
        editors_.hide_combo();
        editors_.show_button(QStringLiteral(" Выбор значения "));
        break;
    default:
        editors_.hide_combo();
        editors_.hide_button();
        break;
    }
    props_col_ = col;
    props_row_ = row;
}

void TMyGrid::Click() {
    gui::TStringGrid::Click();
    // Column 0 holds the names; a click there edits the value beside it. (The move raises Click again,
    // which does the rest; this pass then finds the cell already evaluated.)
    if (PropEditorMode && Col() == 0 && ColCount() > 1)
        SetCol(1);
    editors_.read_combo();
    process_button(Col(), Row());
    if (cell_props_ == cpEdit || cell_props_ == cpComboEdit || cell_props_ == cpEditButton)
        ShowEditor();
    else if (InplaceEditor())
        HideEditor();
    // The editable drop-down lies over the editor and takes the keyboard from it, so typing reaches what
    // the user sees; any other cell gives the keyboard back to the grid.
    const bool combo_focused = editors_.combo_has_focus();
    const bool editor_focused = InplaceEditor() && InplaceEditor()->hasFocus();
    if (cell_props_ == cpComboEdit && !Combo()->isHidden()) {
        if (editor_focused)
            Combo()->setFocus();
    } else if (combo_focused) {
        setFocus();
    }
}

void TMyGrid::CheckCellProps() {
    props_col_ = -1;
    props_row_ = -1;
    Click();
}

void TMyGrid::set_auto_row_height() {
    SetDefaultRowHeight(Combo()->sizeHint().height() - 2);
}

void TMyGrid::CommitEdit() {
    editors_.read_combo();
}

QWidget* TMyGrid::get_parent() const {
    QWidget* w = parentWidget();
    while (w && !w->isWindow())
        w = w->parentWidget();
    return w;
}

void TMyGrid::button_click() {
    if (cell_props_ == cpEditButton || cell_props_ == cpReadOnlyButton) {
        if (OnBtnClick)
            OnBtnClick(this);
        return;
    }
    if (cell_props_ != cpColor)
        return;
    // The pop-up runs a nested event loop; the chosen colour goes to the cell it was opened for.
    const int col = Col();
    const int row = Row();
    gui::TColor color = text_to_color(Cells(col, row)).value_or(0);
    const gui::TRect r = CellRect(col, row);
    const QPoint corner = viewport()->mapToGlobal(QPoint(r.left, r.bottom));
    QPointer<TMyGrid> self(this);
    QPointer<TMyGridColorForm> form = new TMyGridColorForm(get_parent());
    MyGridColorForm = form;
    const bool chosen = choose_color(form, color, corner.x(), corner.y());
    delete form.data();
    MyGridColorForm = nullptr;
    if (!chosen || !self)
        return;
    SetCellText(col, row, QString::fromStdString(gui::color_to_string(color)));
    if (OnChange)
        OnChange(this);
}

// --- framework notifications ---

void TMyGrid::DblClick() {
    gui::TStringGrid::DblClick();
    if (editors_.button_shown())
        button_click();
}

void TMyGrid::TopLeftChanged() {
    gui::TStringGrid::TopLeftChanged();
    if (CellRect(Col(), Row()).empty()) {
        editors_.hide_combo();
        editors_.hide_button();
    } else {
        ColWidthsChanged(); // still in view: the editors move with it
    }
}

void TMyGrid::ColWidthsChanged() {
    gui::TStringGrid::ColWidthsChanged();
    editors_.place();
}

void TMyGrid::layout_changed(int old_cols, int old_rows) {
    gui::TStringGrid::layout_changed(old_cols, old_rows);
    if (props_col_ < ColCount() && props_row_ < RowCount())
        return;
    // The cell the editors were placed for is gone: they close, with nowhere to write back to, and the next
    // click asks for the kind of whichever cell is current then.
    const bool had_focus = editors_.drop();
    props_col_ = -1;
    props_row_ = -1;
    if (had_focus)
        setFocus();
}

void TMyGrid::RowHeightsChanged() {
    gui::TStringGrid::RowHeightsChanged();
    editors_.place();
}

bool TMyGrid::CanEditShow() {
    bool result = gui::TStringGrid::CanEditShow();
    switch (cell_props_) {
    case cpColor:
    case cpComboList:
    case cpReadOnly:
    case cpReadOnlyButton:
        result = false;
        break;
    default:
        break;
    }
    if (!result && InplaceEditor())
        InplaceEditor()->hide();
    return result;
}

bool TMyGrid::CanEditModify() {
    bool result = gui::TStringGrid::CanEditModify();
    if (PropEditorMode && Cells(0, Row()).isEmpty())
        result = false;
    return result;
}

gui::TInplaceEdit* TMyGrid::CreateEditor() {
    return new MyGridInplaceEdit(this);
}

void TMyGrid::wheelEvent(QWheelEvent* event) {
    if (Combo()->list_open()) {
        event->accept();
        return;
    }
    gui::TStringGrid::wheelEvent(event);
}

void TMyGrid::changeEvent(QEvent* event) {
    gui::TStringGrid::changeEvent(event);
    // The combo box takes the grid's font, and with it its height.
    if (event->type() == QEvent::FontChange && auto_row_height_)
        set_auto_row_height();
}

// --- painting and measuring ---

void TMyGrid::DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state) {
    gui::TCanvas& canvas = Canvas();
    gui::TRect r = rect;
    if (!Cells(col, row).isEmpty()) {
        int height = 0;
        DrawCell(col, row, rect, state, true, nullptr, &height);
        r.top += (rect.height() - height) / 2;
    }
    if (!(state & gui::gdFixed)) {
        if (OnGetCellProps) {
            CELL_PROPS kind = cpEdit;
            OnGetCellProps(this, col, row, kind);
            if (kind == cpColor) {
                draw_color_cell(col, row, rect);
                return;
            }
        }
        if (!(state & gui::gdSelected) || !use_sel_color_) {
            gui::TColor cell_color = Color();
            canvas.Font.color = FontColor();
            if (OnGetDrawParams)
                OnGetDrawParams(this, col, row, cell_color, canvas.Font);
            canvas.Brush.color = cell_color;
            canvas.Brush.style = gui::BrushStyle::Solid;
            canvas.FillRect(rect);
        }
    }
    DrawCell(col, row, r, state, false);
    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, state);
}

void TMyGrid::DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state, bool calc_only,
                       int* width_out, int* height_out) {
    gui::TCanvas& canvas = Canvas();
    const bool fixed = (state & gui::gdFixed) != 0;
    gui::TAlignment alignment = fixed ? fixed_alignment_ : alignment_;
    if (!fixed && OnGetAlignment)
        OnGetAlignment(this, col, row, alignment);
    const int margin = canvas.TextWidth(QStringLiteral(" "));
    gui::TRect r = rect;
    unsigned flags = gui::DT_LEFT;
    switch (alignment) {
    case gui::taLeftJustify:
        r.left += margin;
        break;
    case gui::taRightJustify:
        r.right -= margin;
        flags = gui::DT_RIGHT;
        break;
    case gui::taCenter:
        flags = gui::DT_CENTER;
        break;
    }
    if (calc_only)
        flags |= gui::DT_CALCRECT;
    QString text = Cells(col, row);
    if (add_charasters_ && !text.isEmpty() && !(PropEditorMode && col != 0) && text.size() >= 2 && text[0] == u'\\') {
        const QChar marker = text[1].toLower();
        text.remove(0, 2);
        if (marker == u'b')
            canvas.Font.font.setBold(true);
        else if (marker == u'i')
            canvas.Font.font.setItalic(true);
    }
    canvas.DrawText(text, r, flags);
    if (width_out)
        *width_out = r.width();
    if (height_out)
        *height_out = r.height();
}

void TMyGrid::draw_color_cell(int col, int row, const gui::TRect& rect) {
    gui::TCanvas& canvas = Canvas();
    canvas.FillRect(rect);
    const QString text = Cells(col, row);
    if (text.isEmpty())
        return;
    const gui::TColor color = text_to_color(text).value_or(gui::clWindow);
    const int side = rect.height();
    canvas.Pen.color = gui::clWindowFrame;
    canvas.Pen.style = gui::PenStyle::Solid;
    canvas.Pen.width = 1;
    canvas.Brush.color = color;
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Rectangle(rect.left + 2, rect.top + 2, rect.left + side, rect.bottom - 2);
    canvas.Brush.color = Color();
    canvas.Font.color = FontColor();
    canvas.TextOut(rect.left + side + 2, (rect.top + rect.bottom - canvas.TextHeight(text)) / 2, text);
}

void TMyGrid::ResizeRow(int row) {
    gui::TCanvas& canvas = Canvas();
    canvas.Font = GridFont();
    int h = canvas.TextHeight(QStringLiteral("#"));
    for (int c = 0; c < ColCount(); ++c) {
        int cell_h = 0;
        DrawCell(c, row, CellRect(c, row), 0, true, nullptr, &cell_h);
        h = std::max(h, cell_h);
    }
    SetRowHeights(row, h + 4);
}

void TMyGrid::ResizeCol(int col) {
    gui::TCanvas& canvas = Canvas();
    canvas.Font = GridFont();
    int w = canvas.TextWidth(QStringLiteral("#"));
    for (int r = 0; r < RowCount(); ++r) {
        int cell_w = 0;
        DrawCell(col, r, CellRect(col, r), 0, true, &cell_w, nullptr);
        w = std::max(w, cell_w);
    }
    SetColWidths(col, canvas.TextWidth(QStringLiteral("  ")) + w + 4);
}

void TMyGrid::AlignHorizontal() {
    for (int c = 0; c < ColCount(); ++c)
        ResizeCol(c);
}

void TMyGrid::top_list_changed() {
    if (top_strings_.isEmpty())
        return;
    SetColCount(static_cast<int>(top_strings_.size()));
    for (int i = 0; i < top_strings_.size(); ++i)
        if (Cells(i, 0) != top_strings_[i])
            SetCellText(i, 0, top_strings_[i]);
}

// --- clipboard ---

QString TMyGrid::GetText() {
    gui::TGridRect area = Selection();
    if (area.left == area.right || area.top == area.bottom)
        area = {0, 0, ColCount() - 1, RowCount() - 1};
    QString result;
    for (int row = area.top; row <= area.bottom; ++row) {
        QString line;
        for (int col = area.left; col <= area.right; ++col) {
            // Empty cells at the start of a line add no tabs.
            if (!line.isEmpty())
                line += u'\t';
            line += trim_controls(Cells(col, row));
        }
        result += line;
        result += QStringLiteral("\r\n");
    }
    return result;
}

void TMyGrid::CopyToClipboard(const QString& header) {
    CopyTextToClipboard(header.isEmpty() ? GetText() : header + u'\n' + GetText());
}

void TMyGrid::CopyTextToClipboard(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}
