#include "components/MyColorListBox.h"

#include "gui/SystemColors.h"
#include "library/ItemWords.h"

#include <QAbstractItemDelegate>
#include <QPainter>

// Hands every item to DrawItem with the canvas prepared as the classic owner-drawn list box does.
class TMyColorListBox::item_painter : public QAbstractItemDelegate {
public:
    explicit item_painter(TMyColorListBox* box) : QAbstractItemDelegate(box), box_(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        TCanvas canvas(*painter, TRect::from_qrect(option.rect));
        const bool selected = option.state & QStyle::State_Selected;
        canvas.Brush.color = selected ? gui::clHighlight : gui::clWindow;
        canvas.Font.font = box_->font();
        canvas.Font.color = selected ? gui::clHighlightText : gui::clWindowText;
        unsigned state = selected ? unsigned(odSelected) : 0u;
        if (option.state & QStyle::State_HasFocus)
            state |= odFocused;
        box_->DrawItem(canvas, index.row(), TRect::from_qrect(option.rect), state);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {box_->viewport()->width(), box_->ItemHeight()};
    }

private:
    TMyColorListBox* box_;
};

TMyColorListBox::TMyColorListBox(QWidget* owner) : QListWidget(owner) {
    setItemDelegate(new item_painter(this));
    setUniformItemSizes(true);
}

void TMyColorListBox::SetItemHeight(int value) {
    if (value <= 0 || value == item_height_)
        return;
    item_height_ = value;
    // Make the view ask the delegate for the new size.
    setUniformItemSizes(false);
    setUniformItemSizes(true);
    doItemsLayout();
}

QString TMyColorListBox::get_word(const QString& text, int index) {
    return QString::fromUtf8(::get_word(text.toStdString(), index));
}

TColor TMyColorListBox::GetColors(int index) const {
    if (index < 0 || index >= count())
        return gui::clNone;
    return item_color(item(index)->text().toStdString());
}

void TMyColorListBox::SetColors(int index, TColor color) {
    if (index < 0 || index >= count())
        return;
    const std::string name = ::get_word(item(index)->text().toStdString(), 0);
    item(index)->setText(QString::fromStdString(item_text(name, color)));
}

void TMyColorListBox::DrawItem(TCanvas& canvas, int index, const TRect& rect, unsigned) {
    const int h = item_height_;
    const TColor background = canvas.Brush.color;
    canvas.FillRect(rect);
    const TColor color = GetColors(index);
    const TRect swatch{rect.left + 1, rect.top + 1, rect.left + 2 * h - 1, rect.bottom - 1};
    canvas.Brush.color = color == gui::clNone ? background : color;
    canvas.Rectangle(swatch);
    canvas.Brush.color = background;
    // No colour: the outline crossed out, so it does not pass for white (or for the selection).
    if (color == gui::clNone) {
        canvas.MoveTo(swatch.left, swatch.bottom - 1);
        canvas.LineTo(swatch.right - 1, swatch.top);
    }
    const QString name = get_word(item(index)->text(), 0);
    canvas.TextOut(rect.left + 2 * h + 2, (rect.top + rect.bottom - canvas.TextHeight(name)) / 2, name);
}
