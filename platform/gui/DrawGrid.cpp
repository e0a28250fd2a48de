#include "platform/gui/DrawGrid.h"

#include "platform/gui/InplaceEdit.h"
#include "platform/gui/SystemColors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace gui {

namespace {

constexpr int size_grip = 3;               // pixels either side of a column line that start resizing
constexpr TColor fixed_line_color = clBlack;
constexpr TColor line_color = clSilver;

} // namespace

TDrawGrid::TDrawGrid(QWidget* owner) : QAbstractScrollArea(owner) {
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    col_widths_.assign(5, default_col_width_);
    row_heights_.assign(5, default_row_height_);
    SetFlat(false);
    SetOptions(options_);
    update_scroll_bars();
}

TDrawGrid::~TDrawGrid() = default;

// ---- layout --------------------------------------------------------------------------------------

void TDrawGrid::SetColCount(int value) {
    value = std::max(0, value);
    const int old_cols = ColCount();
    if (value == old_cols)
        return;
    col_widths_.resize(static_cast<size_t>(value), default_col_width_);
    fixed_cols_ = std::min(fixed_cols_, value);
    layout_changed(old_cols, RowCount());
    clamp_current();
    update_scroll_bars();
    InvalidateGrid();
}

void TDrawGrid::SetRowCount(int value) {
    value = std::max(0, value);
    const int old_rows = RowCount();
    if (value == old_rows)
        return;
    row_heights_.resize(static_cast<size_t>(value), default_row_height_);
    fixed_rows_ = std::min(fixed_rows_, value);
    layout_changed(ColCount(), old_rows);
    clamp_current();
    update_scroll_bars();
    InvalidateGrid();
}

void TDrawGrid::SetFixedCols(int value) {
    value = std::clamp(value, 0, ColCount());
    if (value == fixed_cols_)
        return;
    fixed_cols_ = value;
    left_col_ = value; // the scrolled columns start again right after the fixed ones
    clamp_current();
    update_scroll_bars();
    InvalidateGrid();
}

void TDrawGrid::SetFixedRows(int value) {
    value = std::clamp(value, 0, RowCount());
    if (value == fixed_rows_)
        return;
    fixed_rows_ = value;
    top_row_ = value;
    clamp_current();
    update_scroll_bars();
    InvalidateGrid();
}

void TDrawGrid::SetDefaultColWidth(int value) {
    default_col_width_ = std::max(0, value);
    std::fill(col_widths_.begin(), col_widths_.end(), default_col_width_);
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    ColWidthsChanged();
}

void TDrawGrid::SetDefaultRowHeight(int value) {
    default_row_height_ = std::max(0, value);
    std::fill(row_heights_.begin(), row_heights_.end(), default_row_height_);
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    RowHeightsChanged();
}

int TDrawGrid::ColWidths(int col) const {
    return col >= 0 && col < ColCount() ? col_widths_[static_cast<size_t>(col)] : 0;
}

void TDrawGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= ColCount())
        return;
    width = std::max(0, width);
    if (col_widths_[static_cast<size_t>(col)] == width)
        return;
    col_widths_[static_cast<size_t>(col)] = width;
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    ColWidthsChanged();
}

int TDrawGrid::RowHeights(int row) const {
    return row >= 0 && row < RowCount() ? row_heights_[static_cast<size_t>(row)] : 0;
}

void TDrawGrid::SetRowHeights(int row, int height) {
    if (row < 0 || row >= RowCount())
        return;
    height = std::max(0, height);
    if (row_heights_[static_cast<size_t>(row)] == height)
        return;
    row_heights_[static_cast<size_t>(row)] = height;
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    RowHeightsChanged();
}

void TDrawGrid::SetGridLineWidth(int value) {
    value = std::max(0, value);
    if (value == grid_line_width_)
        return;
    grid_line_width_ = value;
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
}

void TDrawGrid::layout_changed(int, int) {}

// ---- scrolling -----------------------------------------------------------------------------------

int TDrawGrid::fixed_width() const {
    int w = 0;
    for (int c = 0; c < fixed_cols_; ++c)
        w += col_widths_[static_cast<size_t>(c)] + grid_line_width_;
    return w;
}

int TDrawGrid::fixed_height() const {
    int h = 0;
    for (int r = 0; r < fixed_rows_; ++r)
        h += row_heights_[static_cast<size_t>(r)] + grid_line_width_;
    return h;
}

namespace {

// The first index of the page that ends with item end-1: the items from it up to end-1 fit
// completely in `room` (at least one item, never before `first`).
int page_start_ending_at(const std::vector<int>& sizes, int end, int first, int line, int room) {
    int start = end;
    int used = 0;
    while (start > first) {
        used += sizes[static_cast<size_t>(start - 1)] + line;
        if (used - line > room && start < end)
            break;
        --start;
    }
    return std::max(first, std::min(start, end - 1));
}

// How many items from `from` on fit completely in `room`.
int fitting_count(const std::vector<int>& sizes, int from, int line, int room) {
    int count = 0;
    int used = 0;
    for (size_t i = static_cast<size_t>(std::max(0, from)); i < sizes.size(); ++i) {
        used += sizes[i] + line;
        if (used - line > room)
            break;
        ++count;
    }
    return count;
}

} // namespace

int TDrawGrid::max_top_row() const {
    if (RowCount() <= fixed_rows_)
        return fixed_rows_;
    return page_start_ending_at(row_heights_, RowCount(), fixed_rows_, grid_line_width_,
                                viewport()->height() - fixed_height());
}

int TDrawGrid::max_left_col() const {
    if (ColCount() <= fixed_cols_)
        return fixed_cols_;
    return page_start_ending_at(col_widths_, ColCount(), fixed_cols_, grid_line_width_,
                                viewport()->width() - fixed_width());
}

int TDrawGrid::VisibleRowCount() const {
    return fitting_count(row_heights_, top_row_, grid_line_width_, viewport()->height() - fixed_height());
}

int TDrawGrid::VisibleColCount() const {
    return fitting_count(col_widths_, left_col_, grid_line_width_, viewport()->width() - fixed_width());
}

void TDrawGrid::SetTopRow(int row) {
    row = std::clamp(row, fixed_rows_, std::max(fixed_rows_, max_top_row()));
    if (row == top_row_)
        return;
    top_row_ = row;
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    TopLeftChanged();
}

void TDrawGrid::SetLeftCol(int col) {
    col = std::clamp(col, fixed_cols_, std::max(fixed_cols_, max_left_col()));
    if (col == left_col_)
        return;
    left_col_ = col;
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
    TopLeftChanged();
}

void TDrawGrid::update_scroll_bars() {
    if (updating_scroll_)
        return;
    updating_scroll_ = true;
    const int max_top = std::max(fixed_rows_, max_top_row());
    const int max_left = std::max(fixed_cols_, max_left_col());
    verticalScrollBar()->setRange(fixed_rows_, max_top);
    verticalScrollBar()->setPageStep(std::max(1, VisibleRowCount()));
    horizontalScrollBar()->setRange(fixed_cols_, max_left);
    horizontalScrollBar()->setPageStep(std::max(1, VisibleColCount()));
    updating_scroll_ = false;
    // A grown view or a shrunk grid may leave the scrolled position past its end.
    const bool moved = top_row_ != std::clamp(top_row_, fixed_rows_, max_top) ||
                       left_col_ != std::clamp(left_col_, fixed_cols_, max_left);
    top_row_ = std::clamp(top_row_, fixed_rows_, max_top);
    left_col_ = std::clamp(left_col_, fixed_cols_, max_left);
    updating_scroll_ = true;
    verticalScrollBar()->setValue(top_row_);
    horizontalScrollBar()->setValue(left_col_);
    updating_scroll_ = false;
    if (moved) {
        place_editor();
        InvalidateGrid();
        TopLeftChanged();
    }
}

void TDrawGrid::scrollContentsBy(int, int) {
    if (updating_scroll_)
        return;
    // The scroll bars count in cells; the grid repaints from TopRow / LeftCol.
    const int row = verticalScrollBar()->value();
    const int col = horizontalScrollBar()->value();
    if (row != top_row_)
        SetTopRow(row);
    if (col != left_col_)
        SetLeftCol(col);
}

void TDrawGrid::make_visible(int col, int row) {
    if (row >= fixed_rows_ && row < RowCount()) {
        if (row < top_row_)
            SetTopRow(row);
        else if (row >= top_row_ + std::max(1, VisibleRowCount()))
            SetTopRow(page_start_ending_at(row_heights_, row + 1, fixed_rows_, grid_line_width_,
                                           viewport()->height() - fixed_height()));
    }
    if (col >= fixed_cols_ && col < ColCount()) {
        if (col < left_col_)
            SetLeftCol(col);
        else if (col >= left_col_ + std::max(1, VisibleColCount()))
            SetLeftCol(page_start_ending_at(col_widths_, col + 1, fixed_cols_, grid_line_width_,
                                            viewport()->width() - fixed_width()));
    }
}

void TDrawGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_bars();
    place_editor();
}

// ---- geometry ------------------------------------------------------------------------------------

TRect TDrawGrid::CellRect(int col, int row) const {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        return {};
    if ((col >= fixed_cols_ && col < left_col_) || (row >= fixed_rows_ && row < top_row_))
        return {};
    // Left / top edge: the fixed items before it, or all fixed items and the scrolled ones before it.
    auto edge = [](const std::vector<int>& sizes, int fixed, int first, int line, int index, int room) {
        int pos = 0;
        for (int i = index < fixed ? 0 : first; i < index && pos < room; ++i)
            pos += sizes[static_cast<size_t>(i)] + line;
        if (index >= fixed)
            for (int i = 0; i < fixed; ++i)
                pos += sizes[static_cast<size_t>(i)] + line;
        return pos;
    };
    const int view_w = viewport()->width();
    const int view_h = viewport()->height();
    const int x = edge(col_widths_, fixed_cols_, left_col_, grid_line_width_, col, view_w);
    const int y = edge(row_heights_, fixed_rows_, top_row_, grid_line_width_, row, view_h);
    if (x >= view_w || y >= view_h)
        return {};
    return {x, y, x + col_widths_[static_cast<size_t>(col)], y + row_heights_[static_cast<size_t>(row)]};
}

namespace {

// Index under pixel `p` among fixed items 0..fixed-1 then scrolled items from `first`; -1 past the end.
int index_at(const std::vector<int>& sizes, int fixed, int first, int line, int p) {
    if (p < 0)
        return -1;
    int pos = 0;
    const int n = static_cast<int>(sizes.size());
    for (int i = 0; i < n; ++i) {
        if (i == fixed)
            i = std::max(first, fixed);
        if (i >= n)
            break;
        pos += sizes[static_cast<size_t>(i)] + line;
        if (p < pos)
            return i;
    }
    return -1;
}

} // namespace

TGridCoord TDrawGrid::MouseCoord(int x, int y) const {
    const int col = index_at(col_widths_, fixed_cols_, left_col_, grid_line_width_, x);
    const int row = index_at(row_heights_, fixed_rows_, top_row_, grid_line_width_, y);
    if (col < 0 || row < 0)
        return {};
    return {col, row};
}

int TDrawGrid::col_line_at(int x) const {
    int pos = 0;
    const int n = ColCount();
    for (int c = 0; c < n && pos <= x + size_grip; ++c) {
        if (c == fixed_cols_)
            c = left_col_;
        if (c >= n)
            break;
        pos += col_widths_[static_cast<size_t>(c)];
        if (std::abs(x - pos) <= size_grip)
            return c;
        pos += grid_line_width_;
    }
    return -1;
}

// ---- current cell and selection ------------------------------------------------------------------

void TDrawGrid::clamp_current() {
    auto clamp_to = [](int v, int fixed, int count) { return count <= 0 ? 0 : std::clamp(v, std::min(fixed, count - 1), count - 1); };
    current_ = {clamp_to(current_.col, fixed_cols_, ColCount()), clamp_to(current_.row, fixed_rows_, RowCount())};
    anchor_ = {clamp_to(anchor_.col, fixed_cols_, ColCount()), clamp_to(anchor_.row, fixed_rows_, RowCount())};
    top_row_ = std::max(top_row_, fixed_rows_);
    left_col_ = std::max(left_col_, fixed_cols_);
}

void TDrawGrid::FocusCell(int col, int row, bool move_anchor) {
    move_current(col, row, move_anchor, true);
}

void TDrawGrid::move_current(int col, int row, bool move_anchor, bool show) {
    if (ColCount() <= fixed_cols_ || RowCount() <= fixed_rows_)
        return;
    col = std::clamp(col, fixed_cols_, ColCount() - 1);
    row = std::clamp(row, fixed_rows_, RowCount() - 1);
    if (!SelectCell(col, row))
        return;
    const TGridCoord old = current_;
    if (!(options_ & goRangeSelect))
        move_anchor = true;
    current_ = {col, row};
    if (move_anchor)
        anchor_ = current_;
    if (show)
        make_visible(col, row);
    InvalidateGrid();
    if (old == current_)
        return;
    if (editor_mode_ || (options_ & goAlwaysShowEditor)) {
        if (CanEditShow())
            ShowEditor();
        else
            HideEditor();
    }
    Click();
}

TGridRect TDrawGrid::Selection() const {
    if (options_ & goRowSelect)
        return {fixed_cols_, std::min(anchor_.row, current_.row), ColCount() - 1, std::max(anchor_.row, current_.row)};
    return {std::min(anchor_.col, current_.col), std::min(anchor_.row, current_.row), std::max(anchor_.col, current_.col),
            std::max(anchor_.row, current_.row)};
}

void TDrawGrid::SetSelection(const TGridRect& range) {
    anchor_ = {range.left, range.top};
    clamp_current();
    move_current(range.right, range.bottom, false, true);
}

bool TDrawGrid::SelectCell(int, int) {
    return true;
}

void TDrawGrid::SetOptions(TGridOptions value) {
    options_ = value;
    verticalScrollBar()->setTracking(value & goThumbTracking);
    horizontalScrollBar()->setTracking(value & goThumbTracking);
    if (!(value & goEditing))
        HideEditor();
    if (!(value & goRangeSelect))
        anchor_ = current_;
    InvalidateGrid();
}

void TDrawGrid::SetColor(TColor value) {
    color_ = value;
    InvalidateGrid();
}

void TDrawGrid::SetFixedColor(TColor value) {
    fixed_color_ = value;
    InvalidateGrid();
}

void TDrawGrid::SetFontColor(TColor value) {
    font_color_ = value;
    InvalidateGrid();
}

void TDrawGrid::SetFlat(bool value) {
    flat_ = value;
    setFrameStyle(value ? (QFrame::Box | QFrame::Plain) : (QFrame::StyledPanel | QFrame::Sunken));
    setLineWidth(1);
    InvalidateGrid();
}

// ---- notifications -------------------------------------------------------------------------------

void TDrawGrid::Click() {
    if (OnClick)
        OnClick(this);
}

void TDrawGrid::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TDrawGrid::TopLeftChanged() {
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TDrawGrid::ColWidthsChanged() {}

void TDrawGrid::RowHeightsChanged() {}

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, state);
}

QString TDrawGrid::GetEditText(int, int) {
    return {};
}

void TDrawGrid::SetEditText(int, int, const QString&) {}

// ---- in-place editor -----------------------------------------------------------------------------

bool TDrawGrid::CanEditShow() {
    return (options_ & goEditing) && !(options_ & goRowSelect) && current_.col >= fixed_cols_ &&
           current_.row >= fixed_rows_ && current_.col < ColCount() && current_.row < RowCount();
}

bool TDrawGrid::CanEditModify() {
    return options_ & goEditing;
}

TInplaceEdit* TDrawGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

bool TDrawGrid::EditorMode() const {
    return editor_mode_;
}

void TDrawGrid::SetEditorMode(bool value) {
    if (value)
        ShowEditor();
    else
        HideEditor();
}

void TDrawGrid::ShowEditor() {
    if (!CanEditShow()) {
        HideEditor();
        return;
    }
    if (!editor_) {
        editor_ = CreateEditor();
        editor_->setParent(viewport());
    }
    const bool was_shown = editor_mode_ && editor_cell_ == current_;
    editor_mode_ = true;
    if (!was_shown) {
        editor_cell_ = current_;
        editor_original_ = GetEditText(current_.col, current_.row);
        loading_editor_ = true;
        editor_->setText(editor_original_);
        loading_editor_ = false;
    }
    editor_->setReadOnly(!CanEditModify());
    place_editor();
    if (editor_->isVisible() && (hasFocus() || !isActiveWindow() || QApplication::focusWidget() == nullptr ||
                                 QApplication::focusWidget() == this))
        editor_->setFocus();
}

void TDrawGrid::HideEditor() {
    editor_mode_ = false;
    if (!editor_ || editor_->isHidden()) // hidden, not merely unseen before the window shows
        return;
    const bool had_focus = editor_->hasFocus();
    editor_->hide();
    if (had_focus)
        setFocus();
    InvalidateGrid();
}

void TDrawGrid::place_editor() {
    if (!editor_ || !editor_mode_)
        return;
    const TRect rect = CellRect(current_.col, current_.row);
    if (rect.empty()) {
        // Scrolled out of view: hidden, and shown again when the cell comes back.
        const bool had_focus = editor_->hasFocus();
        editor_->hide();
        if (had_focus)
            setFocus();
        return;
    }
    editor_->SetBounds(rect.to_qrect());
    editor_->show();
}

void TDrawGrid::editor_text_changed(const QString& text) {
    if (loading_editor_ || !editor_mode_)
        return;
    SetEditText(editor_cell_.col, editor_cell_.row, text);
}

void TDrawGrid::cancel_edit() {
    if (!editor_ || !editor_mode_)
        return;
    loading_editor_ = true;
    editor_->setText(editor_original_);
    loading_editor_ = false;
    SetEditText(editor_cell_.col, editor_cell_.row, editor_original_);
    if (!(options_ & goAlwaysShowEditor))
        HideEditor();
}

void TDrawGrid::end_edit() {
    if (!(options_ & goAlwaysShowEditor))
        HideEditor();
}

// ---- painting ------------------------------------------------------------------------------------

void TDrawGrid::InvalidateCell(int col, int row) {
    const TRect rect = CellRect(col, row);
    if (!rect.empty())
        viewport()->update(rect.to_qrect().adjusted(0, 0, grid_line_width_, grid_line_width_));
}

void TDrawGrid::InvalidateGrid() {
    viewport()->update();
}

TCanvas& TDrawGrid::Canvas() {
    if (paint_canvas_)
        return *paint_canvas_;
    if (!measure_canvas_) {
        measure_image_ = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        measure_painter_ = std::make_unique<QPainter>(&measure_image_);
        measure_canvas_ = std::make_unique<TCanvas>(*measure_painter_, TRect{0, 0, 1, 1});
        measure_canvas_->Font = GridFont();
    }
    return *measure_canvas_;
}

void TDrawGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    TCanvas canvas(painter, TRect::from_qrect(viewport()->rect()));
    paint_canvas_ = &canvas;
    paint_cells(canvas);
    paint_canvas_ = nullptr;
}

void TDrawGrid::paint_cells(TCanvas& canvas) {
    const int view_w = viewport()->width();
    const int view_h = viewport()->height();
    canvas.Brush = {color_, BrushStyle::Solid};
    canvas.FillRect({0, 0, view_w, view_h});

    // The shown columns and rows with their left / top edges: fixed ones, then scrolled from TopLeft.
    struct Span {
        int index;
        int pos;
    };
    auto shown = [](const std::vector<int>& sizes, int fixed, int first, int line, int room) {
        std::vector<Span> spans;
        int pos = 0;
        const int n = static_cast<int>(sizes.size());
        for (int i = 0; i < n && pos < room; ++i) {
            if (i == fixed)
                i = std::max(first, fixed);
            if (i >= n)
                break;
            spans.push_back({i, pos});
            pos += sizes[static_cast<size_t>(i)] + line;
        }
        return spans;
    };
    const std::vector<Span> cols = shown(col_widths_, fixed_cols_, left_col_, grid_line_width_, view_w);
    const std::vector<Span> rows = shown(row_heights_, fixed_rows_, top_row_, grid_line_width_, view_h);
    const TGridRect sel = Selection();
    const bool focused = hasFocus() || (editor_ && editor_->hasFocus());
    const bool highlight_focused = options_ & (goDrawFocusSelected | goRowSelect);
    const bool editor_shown = editor_ && editor_->isVisible();

    for (const Span& r : rows) {
        for (const Span& c : cols) {
            const TRect rect{c.pos, r.pos, c.pos + col_widths_[static_cast<size_t>(c.index)],
                             r.pos + row_heights_[static_cast<size_t>(r.index)]};
            const bool fixed = c.index < fixed_cols_ || r.index < fixed_rows_;
            TGridDrawState state = 0;
            if (fixed)
                state |= gdFixed;
            else if (sel.contains(c.index, r.index))
                state |= gdSelected;
            const bool is_current = TGridCoord{c.index, r.index} == current_;
            if (!fixed && is_current && focused)
                state |= gdFocused;

            canvas.Font = GridFont();
            if ((state & gdSelected) && (!(state & gdFocused) || highlight_focused)) {
                canvas.Brush = {clHighlight, BrushStyle::Solid};
                canvas.Font.color = clHighlightText;
            } else {
                canvas.Brush = {fixed ? fixed_color_ : color_, BrushStyle::Solid};
            }
            canvas.FillRect(rect);
            canvas.painter().save();
            canvas.painter().setClipRect(rect.to_qrect());
            DrawCell(c.index, r.index, rect, state);
            canvas.painter().restore();
            if (fixed && !flat_) {
                // The raised edge of a fixed cell in the sunken (non-flat) look.
                canvas.Brush = {clBtnHighlight, BrushStyle::Solid};
                canvas.FillRect({rect.left, rect.top, rect.right, rect.top + 1});
                canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom});
            }
            if ((state & gdFocused) && !editor_shown && !(options_ & goRowSelect))
                canvas.DrawFocusRect(rect);

            // The grid lines after the cell: to its right and below it.
            if (grid_line_width_ > 0) {
                const bool vert = options_ & (fixed ? goFixedVertLine : goVertLine);
                const bool horz = options_ & (fixed ? goFixedHorzLine : goHorzLine);
                const TColor background = fixed ? fixed_color_ : color_;
                const TColor lines = fixed ? fixed_line_color : line_color;
                canvas.Brush = {vert ? lines : background, BrushStyle::Solid};
                canvas.FillRect({rect.right, rect.top, rect.right + grid_line_width_, rect.bottom + grid_line_width_});
                canvas.Brush = {horz ? lines : background, BrushStyle::Solid};
                canvas.FillRect({rect.left, rect.bottom, rect.right + grid_line_width_, rect.bottom + grid_line_width_});
            }
        }
    }
}

// ---- mouse and keyboard --------------------------------------------------------------------------

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const int sizing = (options_ & goColSizing) && p.y() < fixed_height() ? col_line_at(p.x()) : -1;
        if (sizing >= 0) {
            drag_ = Drag::Size;
            sizing_col_ = sizing;
            sizing_origin_ = p.x() - col_widths_[static_cast<size_t>(sizing)];
        } else {
            const TGridCoord cell = MouseCoord(p.x(), p.y());
            if (cell.col >= fixed_cols_ && cell.row >= fixed_rows_) {
                press_on_current_ = cell == current_;
                const bool extend = (event->modifiers() & Qt::ShiftModifier) && (options_ & goRangeSelect);
                move_current(cell.col, cell.row, !extend, true);
                drag_ = (options_ & goRangeSelect) ? Drag::Select : Drag::Press;
                if (press_on_current_ && (options_ & goEditing))
                    ShowEditor();
            }
        }
    }
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    event->accept();
}

void TDrawGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (drag_ == Drag::Size) {
        SetColWidths(sizing_col_, std::max(0, p.x() - sizing_origin_));
    } else if (drag_ == Drag::Select) {
        // Past the view's edges the selection takes the edge cell and scrolls on.
        const int x = std::clamp(p.x(), fixed_width(), viewport()->width() - 1);
        const int y = std::clamp(p.y(), fixed_height(), viewport()->height() - 1);
        TGridCoord cell{index_at(col_widths_, fixed_cols_, left_col_, grid_line_width_, x),
                        index_at(row_heights_, fixed_rows_, top_row_, grid_line_width_, y)};
        if (cell.col < 0)
            cell.col = ColCount() - 1;
        if (cell.row < 0)
            cell.row = RowCount() - 1;
        if (p.x() < fixed_width())
            cell.col = left_col_ - 1;
        else if (p.x() >= viewport()->width())
            cell.col = std::min(ColCount() - 1, cell.col + 1);
        if (p.y() < fixed_height())
            cell.row = top_row_ - 1;
        else if (p.y() >= viewport()->height())
            cell.row = std::min(RowCount() - 1, cell.row + 1);
        if (cell != current_)
            move_current(cell.col, cell.row, false, true);
    } else {
        const bool grip = (options_ & goColSizing) && p.y() < fixed_height() && col_line_at(p.x()) >= 0;
        viewport()->setCursor(grip ? Qt::SplitHCursor : Qt::ArrowCursor);
    }
}

void TDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    if (event->button() == Qt::LeftButton && (drag == Drag::Select || drag == Drag::Press))
        Click();
}

// The second press of a double click is a press like the first, then the double click.
void TDrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        DblClick();
}

void TDrawGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        SetTopRow(top_row_ - steps * QApplication::wheelScrollLines());
    event->accept();
}

bool TDrawGrid::navigate(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool extend = (modifiers & Qt::ShiftModifier) && (options_ & goRangeSelect);
    int col = current_.col;
    int row = current_.row;
    const int page = std::max(1, VisibleRowCount());
    switch (key) {
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_PageUp:
        SetTopRow(top_row_ - page);
        row -= page;
        break;
    case Qt::Key_PageDown:
        SetTopRow(top_row_ + page);
        row += page;
        break;
    case Qt::Key_Home:
        col = fixed_cols_;
        if (ctrl)
            row = fixed_rows_;
        break;
    case Qt::Key_End:
        col = ColCount() - 1;
        if (ctrl)
            row = RowCount() - 1;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // Along the row, wrapping to the next or previous row.
        const bool back = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
        col += back ? -1 : 1;
        if (col >= ColCount() && row + 1 < RowCount()) {
            col = fixed_cols_;
            ++row;
        } else if (col < fixed_cols_ && row - 1 >= fixed_rows_) {
            col = ColCount() - 1;
            --row;
        }
        move_current(col, row, true, true);
        return true;
    }
    default: return false;
    }
    move_current(col, row, !extend, true);
    return true;
}

bool TDrawGrid::focusNextPrevChild(bool next) {
    if ((options_ & goTabs) && (hasFocus() || (editor_ && editor_->hasFocus()))) {
        navigate(next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
        return true;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TDrawGrid::keyPressEvent(QKeyEvent* event) {
    if (navigate(event->key(), event->modifiers()))
        return;
    if (event->key() == Qt::Key_F2 && (options_ & goEditing)) {
        ShowEditor();
        if (editor_ && editor_->isVisible())
            editor_->end(false);
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text[0].isPrint() && !(event->modifiers() & Qt::ControlModifier);
    if (printable && (options_ & goEditing) && CanEditShow()) {
        // Typing starts editing with the typed text in place of the cell's.
        ShowEditor();
        if (editor_ && editor_->isVisible() && !editor_->isReadOnly()) {
            // As an edit, not a new text, so that undo goes back to the cell's text.
            editor_->selectAll();
            editor_->insert(text);
            editor_->setFocus();
        }
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TDrawGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if ((options_ & goAlwaysShowEditor) && CanEditShow())
        ShowEditor();
    InvalidateGrid();
}

void TDrawGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateGrid();
}

void TDrawGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        if (measure_canvas_)
            measure_canvas_->Font = GridFont();
        InvalidateGrid();
    }
}

} // namespace gui
