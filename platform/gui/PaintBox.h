// A paint box: a control without a window of its own in the classic model, painted on its parent's
// surface (here: a widget that draws no background, so the parent shows through where it paints
// nothing). The canvas starts with the control's font, font colour and colour; Paint raises OnPaint.
#pragma once

#include "platform/gui/Canvas.h"

#include <QWidget>
#include <functional>

namespace gui {

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* owner = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor FontColor() const { return font_color_; }
    void SetFontColor(TColor value);

    std::function<void(QObject* sender, TCanvas& canvas)> OnPaint;

protected:
    // Stores value into field and repaints when it changed; true on a change.
    template <typename T> bool store(T& field, const T& value) {
        if (field == value)
            return false;
        field = value;
        update();
        return true;
    }
    // The paint box's own paint: canvas font and brush from the control, then OnPaint.
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;

private:
    TColor color_ = clBtnFace;
    TColor font_color_ = clWindowText;
};

} // namespace gui
