// A paint box: a control without a window of its own in the classic model, painted on its parent's
// surface (here: a widget that draws no background, so the parent shows through where it paints
// nothing). The canvas starts with the control's font, font colour and colour; Paint raises OnPaint.
#pragma once

#include "gui/Canvas.h"
#include "gui/ControlBase.h"

#include <functional>

namespace gui {

class TPaintBox : public TControl {
    Q_OBJECT
public:
    using TControl::TControl;

    std::function<void(QObject* sender, TCanvas& canvas)> OnPaint;

protected:
    // The paint box's own paint: canvas font and brush from the control, then OnPaint.
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;
};

} // namespace gui
