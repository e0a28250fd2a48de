// What every self-painted control shares: published properties that repaint only when their
// value changes.
#pragma once

#include <QWidget>

namespace gui {

// Stores value into field and asks widget for a repaint when it changed; true on a change.
// Every published setter goes through it, so setting a property to its current value never
// repaints.
template <typename T> bool store_and_update(QWidget& widget, T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    widget.update();
    return true;
}

} // namespace gui
