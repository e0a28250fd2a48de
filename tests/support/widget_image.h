#pragma once
// Helpers of the widget tests: a widget or a canvas drawing rendered into an image, and its pixels as colours.
#include "gui/Canvas.h"
#include "gui/SystemColors.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

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

// How many pixels of the image have exactly `colour`.
inline int count_colour(const QImage& image, gui::TColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += at(image, x, y) == colour;
    return n;
}

// WCAG's relative luminance of a pixel.
inline double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

// The contrast of text with its background in an image of both: between the most common colour
// (the background) and the pixel that stands out from it most (the core of the glyphs' strokes).
inline double text_contrast(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    if (counts.empty())
        return 1;
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    const double lb = luminance(background);
    double best = 1;
    for (const auto& [colour, n] : counts) {
        const double lc = luminance(colour);
        best = std::max(best, (std::max(lb, lc) + 0.05) / (std::min(lb, lc) + 0.05));
    }
    return best;
}

} // namespace bv_test
