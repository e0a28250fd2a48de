// TQVVirtualGrid: a draw grid that stores no cell data. For every cell it paints it asks its owner,
// through one of two events, for the cell's value and drawing properties, and draws the value as
// one line of text (numbers with a fixed number of decimals) with the cell's alignment, background
// and font. It can size its columns to the widest value in the visible rows and its row height to
// its font.
//
// Numbering: drawing hands VGGetFixedParams grid columns and rows, and VGGetCellParams columns
// and rows counted from the first data cell (0, 0). ResizeCols hands both events columns counted
// from the first data column and rows as grid rows (data rows start at the top row), so an owner
// that serves both must expect those numbers.
#pragma once

#include "gui/ControlTypes.h"
#include "gui/DrawGrid.h"

#include <QVariant>
#include <functional>

using gui::TAlignment;
using gui::TCanvas;
using gui::TColor;
using gui::TRect;

// The drawing properties of one cell, filled with the grid's defaults before an event sees them.
struct TVGCellProperty {
    TAlignment Alignment = gui::taLeftJustify;
    int FloatPrecision = 2;
    TColor Color = gui::clWindow; // the cell background
    gui::TFont* Font = nullptr;   // the font to draw with; not owned
};

class TQVVirtualGrid : public gui::TDrawGrid {
    Q_OBJECT
public:
    using CellParamsEvent =
        std::function<void(QObject* sender, int col, int row, QVariant& value, TVGCellProperty& prop)>;

    explicit TQVVirtualGrid(QWidget* owner = nullptr);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TAlignment FixedAlignment() const { return fixed_alignment_; }
    void SetFixedAlignment(TAlignment value);
    int FloatPrecision() const { return float_precision_; }
    void SetFloatPrecision(int value);

    CellParamsEvent VGGetCellParams;
    CellParamsEvent VGGetFixedParams;

    // The default row height becomes the height of the grid font's text plus 4.
    void CorrectRowHeight();
    // Every data column becomes as wide as its widest value in the fixed and the visible rows plus
    // a blank on each side, and at least four blanks.
    void ResizeCols();

    void SetDefCellProps(TVGCellProperty& prop);
    // 32-bit integers, single and double floats and both kinds of string give text (8-bit strings
    // are Windows Cyrillic); anything else, a Boolean or a date included, gives an empty text.
    QString VariantToText(const QVariant& value, const TVGCellProperty& prop);
    QString FloatToStr(double value, const TVGCellProperty& prop);
    void DrawData(const TRect& rect, const QVariant& value, const TVGCellProperty& prop);
    // Raises max_width to the width of the text the handler gives for (col, row), if it is set.
    void CalcMaxColWidth(int col, int row, const CellParamsEvent& handler, int& max_width);

protected:
    void DrawCell(int col, int row, const TRect& rect, gui::TGridDrawState state) override;

private:
    TAlignment alignment_ = gui::taLeftJustify;
    TAlignment fixed_alignment_ = gui::taCenter;
    int float_precision_ = 2;
};
