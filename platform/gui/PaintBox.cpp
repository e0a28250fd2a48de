#include "platform/gui/PaintBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace gui {

TPaintBox::TPaintBox(QWidget* owner) : QWidget(owner) {}

void TPaintBox::SetColor(TColor value) {
    if (color_ == value)
        return;
    color_ = value;
    update();
}

void TPaintBox::SetFontColor(TColor value) {
    if (font_color_ == value)
        return;
    font_color_ = value;
    update();
}

void TPaintBox::Paint(TCanvas& canvas) {
    canvas.Font.font = font();
    canvas.Font.color = font_color_;
    canvas.Brush.color = color_;
    if (OnPaint)
        OnPaint(this, canvas);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TCanvas canvas(painter, TRect::from_qrect(event->rect()));
    Paint(canvas);
}

} // namespace gui
