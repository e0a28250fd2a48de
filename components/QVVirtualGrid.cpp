#include "components/QVVirtualGrid.h"

#include "components/FloatFormat.h"
#include "gui/ControlBase.h"

#include <QStringDecoder>

TQVVirtualGrid::TQVVirtualGrid(QWidget* owner) : gui::TDrawGrid(owner) {}

void TQVVirtualGrid::SetAlignment(TAlignment value) {
    if (gui::store_changed(alignment_, value))
        InvalidateGrid();
}

void TQVVirtualGrid::SetFixedAlignment(TAlignment value) {
    if (gui::store_changed(fixed_alignment_, value))
        InvalidateGrid();
}

void TQVVirtualGrid::SetFloatPrecision(int value) {
    if (gui::store_changed(float_precision_, value))
        InvalidateGrid();
}

void TQVVirtualGrid::SetDefCellProps(TVGCellProperty& prop) {
    TCanvas& canvas = Canvas();
    prop.FloatPrecision = float_precision_;
    prop.Color = canvas.Brush.color;
    prop.Font = &canvas.Font;
}

void TQVVirtualGrid::DrawCell(int col, int row, const TRect& rect, gui::TGridDrawState state) {
    // The base has just filled the cell with this colour: the selection's or the plain one.
    const TColor filled = Canvas().Brush.color;
    TVGCellProperty prop;
    SetDefCellProps(prop);
    QVariant value;
    if (col < FixedCols() || row < FixedRows()) {
        prop.Alignment = fixed_alignment_;
        if (!VGGetFixedParams)
            return;
        VGGetFixedParams(this, col, row, value, prop);
    } else {
        prop.Alignment = alignment_;
        if (!VGGetCellParams)
            return;
        VGGetCellParams(this, col - FixedCols(), row - FixedRows(), value, prop);
    }
    if (state & gui::gdSelected)
        prop.Color = filled;
    DrawData(rect, value, prop);
}

void TQVVirtualGrid::DrawData(const TRect& rect, const QVariant& value, const TVGCellProperty& prop) {
    TCanvas& canvas = Canvas();
    if (prop.Font)
        canvas.Font = *prop.Font;
    const int m = canvas.TextWidth(" ");
    const QString text = VariantToText(value, prop);
    unsigned flags = gui::DT_END_ELLIPSIS | gui::DT_NOCLIP;
    if (prop.Alignment == gui::taRightJustify)
        flags |= gui::DT_RIGHT;
    else if (prop.Alignment == gui::taCenter)
        flags |= gui::DT_CENTER;
    TRect measured{rect.left, 0, rect.right, 0};
    const int h = canvas.DrawText(text, measured, gui::DT_CALCRECT | gui::DT_END_ELLIPSIS);
    if (canvas.Brush.color != prop.Color) {
        canvas.Brush.color = prop.Color;
        canvas.FillRect(rect);
    }
    TRect place{rect.left + m, rect.top, rect.right - m, rect.bottom};
    if (rect.height() > h)
        place.top = (rect.top + rect.bottom - h) / 2;
    canvas.DrawText(text, place, flags);
}

QString TQVVirtualGrid::VariantToText(const QVariant& value, const TVGCellProperty& prop) {
    switch (value.typeId()) {
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::Float:
    case QMetaType::Double:
        return FloatToStr(value.toDouble(), prop);
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray: {
        QStringDecoder from_1251("windows-1251");
        return from_1251(value.toByteArray());
    }
    default:
        return {};
    }
}

QString TQVVirtualGrid::FloatToStr(double value, const TVGCellProperty& prop) {
    return format_fixed(value, prop.FloatPrecision);
}

void TQVVirtualGrid::CorrectRowHeight() {
    TCanvas& canvas = Canvas();
    canvas.Font = GridFont();
    SetDefaultRowHeight(canvas.TextHeight("#") + 4);
}

void TQVVirtualGrid::ResizeCols() {
    TCanvas& canvas = Canvas();
    canvas.Font = GridFont();
    const int sp = canvas.TextWidth(" ");
    const int first = TopRow() == 0 ? 1 : TopRow();
    const int end = TopRow() + VisibleRowCount();
    for (int i = 0; i < ColCount() - FixedCols(); ++i) {
        int w = 2 * sp;
        for (int j = 0; j < FixedRows(); ++j)
            CalcMaxColWidth(i, j, VGGetFixedParams, w);
        for (int j = first; j < end; ++j)
            CalcMaxColWidth(i, j, VGGetCellParams, w);
        SetColWidths(i + FixedCols(), 2 * sp + w);
    }
}

void TQVVirtualGrid::CalcMaxColWidth(int col, int row, const CellParamsEvent& handler, int& max_width) {
    if (!handler)
        return;
    TVGCellProperty prop;
    SetDefCellProps(prop);
    QVariant value;
    handler(this, col, row, value, prop);
    const QString text = VariantToText(value, prop);
    TRect measured{0, 0, 0, 0};
    Canvas().DrawText(text, measured, gui::DT_CALCRECT | gui::DT_SINGLELINE);
    max_width = std::max(max_width, measured.width());
}
