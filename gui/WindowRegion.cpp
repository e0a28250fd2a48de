#include "gui/WindowRegion.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace gui {

QRegion round_rect_region(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h) {
    const int w = right - left - 1;
    const int h = bottom - top - 1;
    if (w <= 0 || h <= 0)
        return QRegion();
    const double a = std::min(ellipse_w, w) / 2.0;
    const double b = std::min(ellipse_h, h) / 2.0;
    QRegion region;
    for (int row = 0; row < h; ++row) {
        // Distance of the pixel row's centre from the nearer straight edge's start of the corner arc.
        const double py = row + 0.5;
        const double dy = py < b ? b - py : (py > h - b ? py - (h - b) : 0.0);
        int inset = 0;
        if (b > 0 && dy > 0) {
            const double t = std::min(1.0, dy / b);
            const double dx = a * std::sqrt(1.0 - t * t);
            inset = static_cast<int>(std::ceil(a - dx - 0.5));
        }
        if (w - 2 * inset > 0)
            region += QRect(left + inset, top + row, w - 2 * inset, 1);
    }
    return region;
}

void set_window_region(QWidget* widget, const TRect& rect) {
    widget->setMask(QRegion(rect.to_qrect()));
}

void set_window_region(QWidget* widget, const QRegion& region) {
    widget->setMask(region);
}

} // namespace gui
