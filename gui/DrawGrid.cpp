#include "gui/DrawGrid.h"

#include "gui/InplaceEdit.h"
#include "gui/SystemColors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace gui {

namespace {

constexpr int size_grip = 3; // pixels either side of a column line that start resizing

} // namespace

TDrawGrid::TDrawGrid(QWidget* owner) : QAbstractScrollArea(owner) {
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    apply_options();
    update_scroll_bars();
}

TDrawGrid::~TDrawGrid() = default;

// ---- layout --------------------------------------------------------------------------------------

void TDrawGrid::relayout() {
    update_scroll_bars();
    place_editor();
    InvalidateGrid();
}

void TDrawGrid::set_count(GridAxis& axis, int count) {
    const int old_cols = ColCount();
    const int old_rows = RowCount();
    if (!axis.set_count(count))
        return;
    layout_changed(old_cols, old_rows);
    clamp_current();
    relayout();
}

void TDrawGrid::set_fixed(GridAxis& axis, int fixed) {
    if (!axis.set_fixed(fixed))
        return;
    clamp_current();
    relayout();
}

void TDrawGrid::sizes_changed(const GridAxis& axis) {
    relayout();
    &axis == &cols_ ? ColWidthsChanged() : RowHeightsChanged();
}

void TDrawGrid::SetDefaultColWidth(int value) {
    cols_.set_default_size(value);
    sizes_changed(cols_);
}

void TDrawGrid::SetDefaultRowHeight(int value) {
    rows_.set_default_size(value);
    sizes_changed(rows_);
}

void TDrawGrid::SetColWidths(int col, int width) {
    if (cols_.set_size(col, width))
        sizes_changed(cols_);
}

void TDrawGrid::SetRowHeights(int row, int height) {
    if (rows_.set_size(row, height))
        sizes_changed(rows_);
}

void TDrawGrid::SetGridLineWidth(int value) {
    const int old = GridLineWidth();
    cols_.set_line(value);
    rows_.set_line(value);
    if (GridLineWidth() != old)
        relayout();
}

// ---- scrolling -----------------------------------------------------------------------------------

void TDrawGrid::scroll(GridAxis& axis, int first) {
    first = std::clamp(first, axis.fixed(), axis.max_first(length(axis)));
    if (first == axis.first())
        return;
    axis.set_first(first);
    relayout();
    TopLeftChanged();
}

// Sets the bar to the axis (it counts in items) and keeps the axis' first item within the range; true
// when that moved it.
bool TDrawGrid::fit_scroll_bar(QScrollBar& bar, GridAxis& axis) {
    const int max_first = axis.max_first(length(axis));
    bar.setRange(axis.fixed(), max_first);
    bar.setPageStep(std::max(1, axis.fitting(length(axis))));
    const int first = axis.first();
    axis.set_first(std::min(first, max_first));
    bar.setValue(axis.first());
    return axis.first() != first;
}

void TDrawGrid::update_scroll_bars() {
    if (updating_scroll_)
        return;
    updating_scroll_ = true;
    // A grown view or a shrunk grid may leave the scrolled position past its end.
    const bool moved = fit_scroll_bar(*verticalScrollBar(), rows_) | fit_scroll_bar(*horizontalScrollBar(), cols_);
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
    if (row != TopRow())
        SetTopRow(row);
    if (col != LeftCol())
        SetLeftCol(col);
}

// Scrolls the least that shows the item completely (from its start when it is larger than the view).
void TDrawGrid::reveal(GridAxis& axis, int index) {
    if (index < axis.fixed() || index >= axis.count())
        return;
    if (index < axis.first())
        scroll(axis, index);
    else if (index >= axis.first() + std::max(1, axis.fitting(length(axis))))
        scroll(axis, axis.page_start(index + 1, length(axis)));
}

void TDrawGrid::make_visible(int col, int row) {
    reveal(rows_, row);
    reveal(cols_, col);
}

void TDrawGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

// ---- geometry ------------------------------------------------------------------------------------

TRect TDrawGrid::CellRect(int col, int row) const {
    const GridAxis::Span c = cols_.span(col, viewport()->width());
    const GridAxis::Span r = rows_.span(row, viewport()->height());
    if (c.index < 0 || r.index < 0)
        return {};
    return {c.pos, r.pos, c.end(), r.end()};
}

TGridCoord TDrawGrid::MouseCoord(int x, int y) const {
    const TGridCoord cell{cols_.index_at(x), rows_.index_at(y)};
    return cell.col < 0 || cell.row < 0 ? TGridCoord{} : cell;
}

// The item a selecting drag at p reaches: the one under p, the last one below the grid's end, one
// before the first scrolled one over the fixed items and one more past the view, so that the
// selection scrolls on.
int TDrawGrid::drag_index(const GridAxis& axis, int p) const {
    const int fixed = axis.fixed_extent();
    const int view = length(axis);
    int index = axis.index_at(std::clamp(p, fixed, view - 1));
    if (index < 0)
        index = axis.count() - 1;
    if (p < fixed)
        return axis.first() - 1;
    if (p >= view)
        return std::min(axis.count() - 1, index + 1);
    return index;
}

// The column whose right line is under p in the fixed rows, when column sizing is on; else -1.
int TDrawGrid::size_grip_at(QPoint p) const {
    if (!(options_ & goColSizing) || p.y() >= rows_.fixed_extent())
        return -1;
    return cols_.line_at(p.x(), size_grip);
}

// ---- current cell and selection ------------------------------------------------------------------

void TDrawGrid::clamp_current() {
    cursor_.current = {cols_.clamp_index(cursor_.current.col), rows_.clamp_index(cursor_.current.row)};
    cursor_.anchor = {cols_.clamp_index(cursor_.anchor.col), rows_.clamp_index(cursor_.anchor.row)};
}

void TDrawGrid::move_current(int col, int row, bool move_anchor, bool show) {
    const GridCells cells = this->cells();
    if (!cells.has_scrolled())
        return;
    const TGridCoord cell = cells.clamp({col, row});
    if (!SelectCell(cell.col, cell.row))
        return;
    const TGridCoord old = cursor_.current;
    const TGridRect old_selection = Selection();
    cursor_.move_to(cell, move_anchor, options_);
    if (show)
        make_visible(cell.col, cell.row);
    if (cell != old || Selection() != old_selection)
        InvalidateGrid();
    if (cell == old)
        return;
    if (editor_mode_ || (options_ & goAlwaysShowEditor)) {
        if (CanEditShow())
            ShowEditor();
        else
            HideEditor();
    }
    Click();
}

void TDrawGrid::SetSelection(const TGridRect& range) {
    const TGridRect old = Selection();
    if (options_ & goRangeSelect) // else the selection is the current cell
        cursor_.anchor = {range.left, range.top};
    clamp_current();
    move_current(range.right, range.bottom, false, true);
    if (Selection() != old)
        InvalidateGrid();
}

void TDrawGrid::SetOptions(TGridOptions value) {
    if (store_and_update(*viewport(), options_, value))
        apply_options();
}

void TDrawGrid::apply_options() {
    verticalScrollBar()->setTracking(options_ & goThumbTracking);
    horizontalScrollBar()->setTracking(options_ & goThumbTracking);
    if (!(options_ & goEditing))
        HideEditor();
    if (!(options_ & goRangeSelect))
        cursor_.anchor = cursor_.current;
}

void TDrawGrid::SetMuteUnfocusedSelection(bool value) {
    store_and_update(*viewport(), mute_unfocused_, value);
}

void TDrawGrid::SetFlat(bool value) {
    if (store_and_update(*viewport(), flat_, value))
        setFrameStyle(value ? (QFrame::Box | QFrame::Plain) : (QFrame::StyledPanel | QFrame::Sunken));
}

// ---- notifications -------------------------------------------------------------------------------

void TDrawGrid::fire(const NotifyEvent& event) {
    if (event)
        event(this);
}

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, state);
}

// ---- in-place editor -----------------------------------------------------------------------------

bool TDrawGrid::CanEditShow() {
    return (options_ & goEditing) && !(options_ & goRowSelect) && cursor_.current.col >= FixedCols() &&
           cursor_.current.row >= FixedRows() && cursor_.current.col < ColCount() && cursor_.current.row < RowCount();
}

TInplaceEdit* TDrawGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

void TDrawGrid::SetEditorMode(bool value) {
    value ? ShowEditor() : HideEditor();
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
    const bool was_shown = editor_mode_ && editor_cell_ == cursor_.current;
    editor_mode_ = true;
    if (!was_shown) {
        editor_cell_ = cursor_.current;
        editor_original_ = GetEditText(cursor_.current.col, cursor_.current.row);
        load_editor(editor_original_);
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
    hide_editor();
    InvalidateGrid();
}

// Hides the editor widget; the keyboard it had comes back to the grid.
void TDrawGrid::hide_editor() {
    const bool had_focus = editor_->hasFocus();
    editor_->hide();
    if (had_focus)
        setFocus();
}

// Puts a text into the editor without taking it for an edit.
void TDrawGrid::load_editor(const QString& text) {
    loading_editor_ = true;
    editor_->setText(text);
    loading_editor_ = false;
}

void TDrawGrid::place_editor() {
    if (!editor_ || !editor_mode_)
        return;
    const TRect rect = CellRect(cursor_.current.col, cursor_.current.row);
    if (rect.empty()) {
        hide_editor(); // scrolled out of view; shown again when the cell comes back
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
    load_editor(editor_original_);
    SetEditText(editor_cell_.col, editor_cell_.row, editor_original_);
    end_edit();
}

void TDrawGrid::end_edit() {
    if (!(options_ & goAlwaysShowEditor))
        HideEditor();
}

// ---- painting ------------------------------------------------------------------------------------

void TDrawGrid::InvalidateCell(int col, int row) {
    const TRect rect = CellRect(col, row);
    if (!rect.empty())
        viewport()->update(rect.to_qrect().adjusted(0, 0, GridLineWidth(), GridLineWidth()));
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

    const std::vector<GridAxis::Span> cols = cols_.spans(view_w);
    const std::vector<GridAxis::Span> rows = rows_.spans(view_h);
    const GridCellLook looks({options_, color_, fixed_color_, font_color_, flat_,
                              hasFocus() || (editor_ && editor_->hasFocus()), editor_ && editor_->isVisible(),
                              mute_unfocused_},
                             cells(), cursor_);
    const TFont font = GridFont(); // DrawCell may change the canvas' font; each cell starts from this one
    QPainter& painter = canvas.painter();
    const int line = GridLineWidth();
    for (const GridAxis::Span& r : rows) {
        for (const GridAxis::Span& c : cols) {
            const TRect rect{c.pos, r.pos, c.end(), r.end()};
            const CellLook& look = looks(c.index, r.index);
            canvas.Font = font;
            canvas.Font.color = look.text;
            canvas.Brush = {look.background, BrushStyle::Solid};
            canvas.FillRect(rect);
            painter.save();
            painter.setClipRect(rect.to_qrect());
            DrawCell(c.index, r.index, rect, look.state);
            painter.restore();
            if (look.raised_edge) {
                canvas.Brush = {clBtnHighlight, BrushStyle::Solid};
                canvas.FillRect({rect.left, rect.top, rect.right, rect.top + 1});
                canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom});
            }
            if (look.focus_rect)
                canvas.DrawFocusRect(rect);
            if (line > 0) {
                canvas.Brush = {look.right_line, BrushStyle::Solid};
                canvas.FillRect({rect.right, rect.top, rect.right + line, rect.bottom + line});
                canvas.Brush = {look.bottom_line, BrushStyle::Solid};
                canvas.FillRect({rect.left, rect.bottom, rect.right + line, rect.bottom + line});
            }
        }
    }
}

// ---- mouse and keyboard --------------------------------------------------------------------------

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const int sizing = size_grip_at(p);
        if (sizing >= 0) {
            drag_ = Drag::Size;
            sizing_col_ = sizing;
            sizing_origin_ = p.x() - ColWidths(sizing);
        } else {
            const TGridCoord cell = MouseCoord(p.x(), p.y());
            if (cell.col >= FixedCols() && cell.row >= FixedRows()) {
                press_on_current_ = cell == cursor_.current;
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
        SetColWidths(sizing_col_, p.x() - sizing_origin_);
    } else if (drag_ == Drag::Select) {
        const TGridCoord cell{drag_index(cols_, p.x()), drag_index(rows_, p.y())};
        if (cell != cursor_.current)
            move_current(cell.col, cell.row, false, true);
    } else {
        viewport()->setCursor(size_grip_at(p) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
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
        SetTopRow(TopRow() - steps * QApplication::wheelScrollLines());
    event->accept();
}

bool TDrawGrid::navigate(int key, Qt::KeyboardModifiers modifiers) {
    const std::optional<GridMove> move =
        gui::navigate(cells(), cursor_.current, VisibleRowCount(), key, modifiers, options_);
    if (!move)
        return false;
    if (move->scroll_rows != 0)
        SetTopRow(TopRow() + move->scroll_rows);
    move_current(move->to.col, move->to.row, move->move_anchor, true);
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
