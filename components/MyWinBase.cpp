#include "components/MyWinBase.h"

#include "gui/FormBase.h"

void TMyWinBase::CaptionChanged() {
    TControl::CaptionChanged();
    setAccessibleName(Caption());
}

gui::Form* TMyWinBase::get_parent() const {
    return gui::enclosing_form(this);
}
