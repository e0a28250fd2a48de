#pragma once
// Helpers of the widget tests: a widget rendered into an image, and its pixels as colours.
#include "platform/gui/SystemColors.h"

#include <QImage>
#include <QWidget>

namespace bv_test {

// Pixels the widget leaves unpainted keep this colour.
constexpr QRgb sentinel = 0xFF123456;

inline QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(sentinel);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline gui::TColor at(const QImage& image, int x, int y) {
    return gui::from_qcolor(QColor(image.pixel(x, y)));
}

} // namespace bv_test
