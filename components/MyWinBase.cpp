#include "components/MyWinBase.h"

#include "platform/gui/FormBase.h"

TMyWinBase::TMyWinBase(QWidget* owner) : QWidget(owner) {}

void TMyWinBase::SetColorHue(TColor value) {
    store(color_hue_, value);
}

void TMyWinBase::SetText2(const QString& value) {
    if (value != text_)
        update();
    text_ = value;
    setAccessibleName(value);
}

void TMyWinBase::SetColor(TColor value) {
    store(color_, value);
}

void TMyWinBase::SetFontColor(TColor value) {
    store(font_color_, value);
}

gui::Form* TMyWinBase::get_parent() const {
    return gui::enclosing_form(this);
}
