// The framework's plain panel: a container that paints its background in Color, an outer and an
// inner bevel of BevelWidth pixels (BorderWidth apart) and its caption, centred vertically at
// Alignment. Descendants repaint it through Paint and add their own drawing.
#pragma once

#include "gui/Canvas.h"
#include "gui/ControlBase.h"
#include "gui/ControlTypes.h"

namespace gui {

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TControl {
    Q_OBJECT
public:
    using TControl::TControl;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { store(alignment_, value); }
    TBevelCut BevelInner() const { return bevel_inner_; }
    void SetBevelInner(TBevelCut value) { store(bevel_inner_, value); }
    TBevelCut BevelOuter() const { return bevel_outer_; }
    void SetBevelOuter(TBevelCut value) { store(bevel_outer_, value); }
    int BevelWidth() const { return bevel_width_; }
    void SetBevelWidth(int value) { store(bevel_width_, value); }
    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value) { store(border_width_, value); }

protected:
    // The panel's own painting; descendants call it first.
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;

private:
    void draw_bevel(TCanvas& canvas, TRect& rect, TBevelCut cut);

    TAlignment alignment_ = taCenter;
    TBevelCut bevel_inner_ = bvNone;
    TBevelCut bevel_outer_ = bvRaised;
    int bevel_width_ = 1;
    int border_width_ = 0;
};

} // namespace gui
