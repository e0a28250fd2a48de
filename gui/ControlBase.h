// What every self-painted control shares: published properties that repaint only when their
// value changes.
#pragma once

#include "library/Color.h"

#include <QString>
#include <QWidget>

namespace gui {

// Stores value into field; true when it changed.
template <typename T> bool store_changed(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

// Stores value into field and asks widget for a repaint when it changed; true on a change.
// Every published setter goes through it, so setting a property to its current value never
// repaints.
template <typename T> bool store_and_update(QWidget& widget, T& field, const T& value) {
    if (!store_changed(field, value))
        return false;
    widget.update();
    return true;
}

// Base of the self-painted controls: the face colour, font colour and caption each of them
// publishes, and store() for the properties a descendant adds.
class TControl : public QWidget {
public:
    explicit TControl(QWidget* owner = nullptr) : QWidget(owner) {}

    TColor Color() const { return color_; }
    void SetColor(TColor value) { store(color_, value); }
    TColor FontColor() const { return font_color_; }
    void SetFontColor(TColor value) { store(font_color_, value); }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value) {
        if (store_changed(caption_, value))
            CaptionChanged();
    }

protected:
    template <typename T> bool store(T& field, const T& value) { return store_and_update(*this, field, value); }
    // What a new caption does: a repaint; a control may paint it at once or also tell others.
    virtual void CaptionChanged() { update(); }

private:
    TColor color_ = clBtnFace;
    TColor font_color_ = clWindowText;
    QString caption_;
};

} // namespace gui
