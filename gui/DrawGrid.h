// The draw grid: a scrolling grid of owner-drawn cells with fixed rows and columns that do not
// scroll, a current cell, a range selection, keyboard and mouse navigation, column resizing and an
// in-place text editor. It holds no cell data: descendants supply the texts (GetEditText /
// SetEditText) and draw the cells (DrawCell), after the grid has filled each cell's background.
//
// Coordinates: cell rectangles are in viewport pixels, right and bottom exclusive, without the grid
// line that follows each cell. Scrolling is by whole cells (TopRow, LeftCol). Painting and hit
// testing cost what the visible cells cost, never what the grid holds.
#pragma once

#include "gui/Canvas.h"
#include "gui/ControlBase.h"
#include "gui/GridAxis.h"
#include "gui/GridCellLook.h"
#include "gui/GridNavigation.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <functional>
#include <memory>
#include <vector>

namespace gui {

class TInplaceEdit;

class TDrawGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TDrawGrid(QWidget* owner = nullptr);
    ~TDrawGrid() override;

    using NotifyEvent = std::function<void(QObject* sender)>;
    using DrawCellEvent =
        std::function<void(QObject* sender, int col, int row, const TRect& rect, TGridDrawState state)>;
    using MouseEvent =
        std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

    // Layout. Changing a count keeps the existing widths and heights; new columns and rows take the
    // defaults. The current cell and the fixed counts are kept inside the new bounds.
    int ColCount() const { return cols_.count(); }
    void SetColCount(int value) { set_count(cols_, value); }
    int RowCount() const { return rows_.count(); }
    void SetRowCount(int value) { set_count(rows_, value); }
    int FixedCols() const { return cols_.fixed(); }
    void SetFixedCols(int value) { set_fixed(cols_, value); }
    int FixedRows() const { return rows_.fixed(); }
    void SetFixedRows(int value) { set_fixed(rows_, value); }
    int DefaultColWidth() const { return cols_.default_size(); }
    void SetDefaultColWidth(int value); // every column takes it
    int DefaultRowHeight() const { return rows_.default_size(); }
    void SetDefaultRowHeight(int value); // every row takes it
    int ColWidths(int col) const { return cols_.size(col); }
    void SetColWidths(int col, int width); // fires ColWidthsChanged
    int RowHeights(int row) const { return rows_.size(row); }
    void SetRowHeights(int row, int height);
    int GridLineWidth() const { return cols_.line(); }
    void SetGridLineWidth(int value);

    // Scrolling: the first scrolled row and column shown after the fixed ones.
    int TopRow() const { return rows_.first(); }
    void SetTopRow(int row) { scroll(rows_, row); }
    int LeftCol() const { return cols_.first(); }
    void SetLeftCol(int col) { scroll(cols_, col); }
    // Scrolled rows / columns that fit completely in the view.
    int VisibleRowCount() const { return rows_.fitting(length(rows_)); }
    int VisibleColCount() const { return cols_.fitting(length(cols_)); }

    // The current cell and the selection. Moving the current cell fires Click; without range
    // selection the selection is the current cell (or its row with goRowSelect).
    int Col() const { return cursor_.current.col; }
    void SetCol(int col) { FocusCell(col, cursor_.current.row, true); }
    int Row() const { return cursor_.current.row; }
    void SetRow(int row) { FocusCell(cursor_.current.col, row, true); }
    void FocusCell(int col, int row, bool move_anchor) { move_current(col, row, move_anchor, true); }
    TGridRect Selection() const { return cursor_.selection(cells(), options_); }
    void SetSelection(const TGridRect& range);

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);

    // Colours and font of the cells. Color is the background of scrolled cells.
    TColor Color() const { return color_; }
    void SetColor(TColor value) { store_and_update(*viewport(), color_, value); }
    TColor FixedColor() const { return fixed_color_; }
    void SetFixedColor(TColor value) { store_and_update(*viewport(), fixed_color_, value); }
    TColor FontColor() const { return font_color_; }
    void SetFontColor(TColor value) { store_and_update(*viewport(), font_color_, value); }
    TFont GridFont() const { return {font(), font_color_}; }
    // Flat: a one-pixel plain frame instead of the sunken one.
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // The selection in the button face while the grid does not have the keyboard (off by default).
    bool MuteUnfocusedSelection() const { return mute_unfocused_; }
    void SetMuteUnfocusedSelection(bool value);

    // The cell's rectangle in viewport pixels; empty when the cell is not in view (a partly visible
    // cell gives its whole rectangle).
    TRect CellRect(int col, int row) const;
    // The cell under a viewport point, or {-1, -1}.
    TGridCoord MouseCoord(int x, int y) const;

    // The canvas: the painter's while painting, a measuring canvas with the grid's font otherwise.
    TCanvas& Canvas();

    // The in-place editor.
    bool EditorMode() const { return editor_mode_; }
    void SetEditorMode(bool value);
    void ShowEditor();
    void HideEditor();
    TInplaceEdit* InplaceEditor() const { return editor_; }

    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    NotifyEvent OnTopLeftChanged;
    DrawCellEvent OnDrawCell;
    MouseEvent OnMouseDown;

    // Text that the editor shows for a cell, and where its edits go; the draw grid has none.
    virtual QString GetEditText(int /*col*/, int /*row*/) { return {}; }
    virtual void SetEditText(int /*col*/, int /*row*/, const QString& /*text*/) {}

protected:
    friend class TInplaceEdit;

    // Draws one cell after the grid has filled its background; the base fires OnDrawCell.
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    // After every move of the current cell and on each click; the base fires OnClick.
    virtual void Click() { fire(OnClick); }
    virtual void DblClick() { fire(OnDblClick); }
    virtual void TopLeftChanged() { fire(OnTopLeftChanged); }
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    // May the editor be shown for the current cell / may its text be changed.
    virtual bool CanEditShow();
    virtual bool CanEditModify() { return options_ & goEditing; }
    virtual TInplaceEdit* CreateEditor();
    // May (col, row) become the current cell.
    virtual bool SelectCell(int /*col*/, int /*row*/) { return true; }
    // After the column or row count changed (the old counts given), before repainting.
    virtual void layout_changed(int /*old_cols*/, int /*old_rows*/) {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Repaints one cell / everything.
    void InvalidateCell(int col, int row);
    void InvalidateGrid() { viewport()->update(); }

    // Moves the current cell by a navigation key; true when the key was one.
    bool navigate(int key, Qt::KeyboardModifiers modifiers);

    bool focusNextPrevChild(bool next) override;

private:
    // Each column / row operation once, over the axis it concerns.
    int length(const GridAxis& axis) const { return &axis == &cols_ ? viewport()->width() : viewport()->height(); }
    void set_count(GridAxis& axis, int count);
    void set_fixed(GridAxis& axis, int fixed);
    void sizes_changed(const GridAxis& axis); // fires ColWidthsChanged or RowHeightsChanged
    void scroll(GridAxis& axis, int first);
    void reveal(GridAxis& axis, int index);
    int drag_index(const GridAxis& axis, int p) const;
    int size_grip_at(QPoint p) const;
    bool fit_scroll_bar(QScrollBar& bar, GridAxis& axis);
    // After anything that moves cells: the scroll bars, the editor's place and a repaint.
    void relayout();

    GridCells cells() const { return {ColCount(), RowCount(), FixedCols(), FixedRows()}; }
    void apply_options();
    void fire(const NotifyEvent& event);
    void paint_cells(TCanvas& canvas);
    void update_scroll_bars();
    void clamp_current();
    void move_current(int col, int row, bool move_anchor, bool show);
    void make_visible(int col, int row);
    void place_editor();
    void hide_editor();
    void load_editor(const QString& text);
    // The editor's hooks: a changed text goes into its cell; Escape restores the cell's text;
    // Enter ends editing (unless the editor is always shown).
    void editor_text_changed(const QString& text);
    void cancel_edit();
    void end_edit();

    GridAxis cols_{5, 64, 1};
    GridAxis rows_{5, 24, 1};
    GridCursor cursor_;
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TColor color_ = clWindow;
    TColor fixed_color_ = clBtnFace;
    TColor font_color_ = clWindowText;
    bool flat_ = false;
    bool mute_unfocused_ = false;

    TInplaceEdit* editor_ = nullptr;
    bool editor_mode_ = false;
    TGridCoord editor_cell_;  // the cell whose text the editor holds
    QString editor_original_; // that cell's text when editing began, for Escape
    bool loading_editor_ = false;

    enum class Drag { None, Press, Select, Size };
    Drag drag_ = Drag::None;
    int sizing_col_ = -1;
    int sizing_origin_ = 0;
    bool press_on_current_ = false;
    bool updating_scroll_ = false;

    TCanvas* paint_canvas_ = nullptr;
    QImage measure_image_;
    std::unique_ptr<QPainter> measure_painter_;
    std::unique_ptr<TCanvas> measure_canvas_;
};

} // namespace gui
