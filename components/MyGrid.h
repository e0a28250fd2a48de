// TMyGrid: the editable property grid. A string grid whose owner chooses, per cell and at run time,
// the editor kind (text, editable or pick-only drop-down, colour, read-only, text or read-only with a
// "..." button). A drop-down combo box and a "..." button follow the current cell; colour cells are
// drawn as a swatch with the colour's name and edited through the colour pop-up. Cell colours, fonts
// and alignment come from events; text is centred vertically and may carry bold/italic markers; header
// texts come from a string list; rows and columns can be fitted to their texts; the cells can be
// copied to the clipboard as tab-separated lines.
#pragma once

#include "components/MyGridEditorHost.h"
#include "components/MyGridEditors.h"
#include "gui/ControlTypes.h"
#include "gui/StringGrid.h"

#include <QStringList>
#include <functional>

class QTimer;
class QToolButton;
class QWheelEvent;

class TMyGrid : public gui::TStringGrid {
    Q_OBJECT
public:
    using DrawParamsEvent =
        std::function<void(QObject* sender, int col, int row, gui::TColor& color, gui::TFont& font)>;
    using AlignmentEvent = std::function<void(QObject* sender, int col, int row, gui::TAlignment& alignment)>;
    using CellPropsEvent = std::function<void(QObject* sender, int col, int row, CELL_PROPS& props)>;
    using PopupStringsEvent = std::function<void(QObject* sender, int col, int row, QStringList& strings)>;

    explicit TMyGrid(QWidget* owner = nullptr);
    ~TMyGrid() override;

    // Alignment of the fixed cells' texts / of the other cells' texts.
    gui::TAlignment FixedAlignment() const { return fixed_alignment_; }
    void SetFixedAlignment(gui::TAlignment value);
    gui::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(gui::TAlignment value);
    // Texts beginning with "\b" or "\i" (either case) are drawn bold or italic without the marker;
    // any other character after the backslash only drops the marker.
    bool AddCharasters() const { return add_charasters_; }
    void SetAddCharasters(bool value);
    // The default row height follows the combo box, so that the drop-down fills a row exactly.
    bool AutoRowHeight() const { return auto_row_height_; }
    void SetAutoRowHeight(bool value);
    // Header texts: setting a non-empty list sets the column count and fills row 0.
    const QStringList& TopStrings() const { return top_strings_; }
    void SetTopStrings(const QStringList& value);
    // A selected cell keeps the highlight the base gave it instead of the OnGetDrawParams colours.
    bool UseSelColor() const { return use_sel_color_; }
    void SetUseSelColor(bool value);
    // Column 0 holds the names: clicks there go to column 1, a row without a name cannot be edited,
    // and text markers apply to column 0 only.
    bool PropEditorMode = false;

    NotifyEvent OnChange;   // a cell's value was changed through the combo box or the colour pop-up
    NotifyEvent OnBtnClick; // the "..." button of a cpEditButton / cpReadOnlyButton cell
    DrawParamsEvent OnGetDrawParams;
    AlignmentEvent OnGetAlignment;
    CellPropsEvent OnGetCellProps;
    PopupStringsEvent OnGetPopupStrings;

    QString GetCells(int col, int row) const { return Cells(col, row); }
    // Stores the text if it differs; refreshes the combo box when it is the current cell. No OnChange.
    void SetCells(int col, int row, const QString& text);

    void ResizeRow(int row);
    void ResizeCol(int col);
    void AlignHorizontal();
    // Forgets which cell was evaluated and runs Click, so the current cell's kind is asked again.
    void CheckCellProps();
    // Writes what the drop-down holds into its cell now (firing OnChange when that changes the cell), so
    // that whoever reads the cells next finds it there; the in-place editor writes on every change anyway.
    void CommitEdit();
    // The selection's cells (or the whole grid's when the selection is one column wide or one row
    // high) as tab-separated lines, each ended by CR LF.
    QString GetText();
    void CopyToClipboard(const QString& header = QString());
    void CopyTextToClipboard(const QString& text);

    // Draws, or with calc_only measures, one cell's text in rect; the outputs get the extent.
    void DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state, bool calc_only,
                  int* width_out = nullptr, int* height_out = nullptr);

    // The editors, for the owner's layout and for tests; null until first used.
    GridComboBox* Combo() const { return editors_.combo(); }
    QToolButton* Button() const { return editors_.button(); }
    QTimer* CbTimer() const { return editors_.timer(); }
    // The kind of the cell evaluated last.
    CELL_PROPS CellProps() const { return cell_props_; }

protected:
    friend class MyGridInplaceEdit;
    friend class GridComboBox;
    friend class MyGridEditorHost;

    void DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state) override;
    void Click() override;
    void DblClick() override;
    void TopLeftChanged() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    bool CanEditShow() override;
    bool CanEditModify() override;
    gui::TInplaceEdit* CreateEditor() override;
    void layout_changed(int old_cols, int old_rows) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Asks the owner for the cell's kind, unless it is the cell asked last, and shows its editors.
    void process_button(int col, int row);
    void button_click();
    void draw_color_cell(int col, int row, const gui::TRect& rect);
    void set_auto_row_height();
    void top_list_changed();
    QWidget* get_parent() const;

    gui::TAlignment fixed_alignment_ = gui::taCenter;
    gui::TAlignment alignment_ = gui::taRightJustify;
    bool add_charasters_ = false;
    bool auto_row_height_ = true;
    bool use_sel_color_ = true;
    QStringList top_strings_;

    MyGridEditorHost editors_{*this};
    CELL_PROPS cell_props_ = cpEdit;
    int props_col_ = -1;
    int props_row_ = -1;
};
