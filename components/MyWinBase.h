// Common base of the maker's windowed controls: a self-painted widget with a face colour, a font
// colour, a hue that tints derived colours, and a caption that is also its accessible name.
#pragma once

#include "gui/ControlBase.h"

using gui::TColor;

namespace gui {
class Form;
}

class TMyWinBase : public gui::TControl {
    Q_OBJECT
public:
    using TControl::TControl;

    TColor ColorHue() const { return color_hue_; }
    void SetColorHue(TColor value) { store(color_hue_, value); }

    // The caption under the maker's own name for it.
    QString GetText2() const { return Caption(); }
    void SetText2(const QString& value) { SetCaption(value); }

    // The first form among the control's ancestors, or nullptr.
    gui::Form* get_parent() const;

protected:
    void CaptionChanged() override;

private:
    TColor color_hue_ = 0;
};
