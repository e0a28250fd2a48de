#include "gui/PaintBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace gui {

void TPaintBox::Paint(TCanvas& canvas) {
    canvas.Font.font = font();
    canvas.Font.color = FontColor();
    canvas.Brush.color = Color();
    if (OnPaint)
        OnPaint(this, canvas);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TCanvas canvas(painter, TRect::from_qrect(event->rect()));
    Paint(canvas);
}

} // namespace gui
