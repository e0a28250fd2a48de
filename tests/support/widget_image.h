#pragma once
// Helpers of the widget tests: a widget or a canvas drawing rendered into an image, and its pixels as colours.
#include "gui/Canvas.h"
#include "gui/SystemColors.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <functional>

namespace bv_test {

// Pixels the widget leaves unpainted keep this colour.
constexpr QRgb sentinel = 0xFF123456;

inline QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(sentinel);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// What `draw` paints on a canvas over a w x h image filled with `background` first.
inline QImage render_canvas(int w, int h, const std::function<void(gui::TCanvas&)>& draw, QRgb background = sentinel) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    gui::TCanvas canvas(painter, {0, 0, w, h});
    draw(canvas);
    return image;
}

inline gui::TColor at(const QImage& image, int x, int y) {
    return gui::from_qcolor(QColor(image.pixel(x, y)));
}

} // namespace bv_test
