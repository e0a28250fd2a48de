// Window shapes: a widget is cut to a rectangle or a rounded rectangle, as a window region does;
// mouse input and painting outside the shape are lost.
#pragma once

#include "gui/Canvas.h"

#include <QRegion>

class QWidget;

namespace gui {

// The rounded-rectangle region of the classic API: for the box (left, top, right, bottom) it
// covers left .. right - 2 and top .. bottom - 2 (one pixel less than the box on the right and at
// the bottom), with corners that are quarters of an ellipse_w x ellipse_h ellipse.
QRegion round_rect_region(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h);

void set_window_region(QWidget* widget, const TRect& rect);
void set_window_region(QWidget* widget, const QRegion& region);

} // namespace gui
