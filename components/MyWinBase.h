// Common base of the maker's windowed controls: a self-painted widget with a face colour, a font
// colour, a hue that tints derived colours, and a caption.
#pragma once

#include "library/Color.h"

#include <QString>
#include <QWidget>

using gui::TColor;

namespace gui {
class Form;
}

class TMyWinBase : public QWidget {
    Q_OBJECT
public:
    explicit TMyWinBase(QWidget* owner = nullptr);

    TColor ColorHue() const { return color_hue_; }
    void SetColorHue(TColor value);

    QString Caption() const { return GetText2(); }
    void SetCaption(const QString& value) { SetText2(value); }
    QString GetText2() const { return text_; }
    void SetText2(const QString& value);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor FontColor() const { return font_color_; }
    void SetFontColor(TColor value);

    // The first form among the control's ancestors, or nullptr.
    gui::Form* get_parent() const;

protected:
    // Stores value into field and repaints when it changed; true on a change.
    template <typename T> bool store(T& field, const T& value) {
        if (field == value)
            return false;
        field = value;
        update();
        return true;
    }

private:
    TColor color_hue_ = 0;
    TColor color_ = gui::clBtnFace;
    TColor font_color_ = gui::clWindowText;
    QString text_;
};
