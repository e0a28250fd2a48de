// TSuperLabel: a paint-box label whose caption casts a black drop shadow, offset by a twenty-fourth of
// the text height plus one pixel; the round kind surrounds the caption with a black halo instead.
#pragma once

#include "gui/ControlTypes.h"
#include "gui/PaintBox.h"

using gui::TCanvas;
using gui::TColor;

enum TLabelType { ltShadow = 0, ltRoundShadow = 1 };

class TSuperLabel : public gui::TPaintBox {
    Q_OBJECT
public:
    // The caption starts as the control's name.
    explicit TSuperLabel(QWidget* owner = nullptr, const QString& name = QStringLiteral("SuperLabel"));

    TLabelType Type() const { return type_; }
    void SetType(TLabelType value) { store(type_, value); }
    gui::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(gui::TAlignment value) { store(alignment_, value); }

protected:
    void Paint(TCanvas& canvas) override;

private:
    // The caption at its aligned place, moved by dx, dy.
    void draw_text(TCanvas& canvas, int dx, int dy);
    // The caption repeated around a circle of the radius about its place moved by dx, dy.
    void draw_shadow(TCanvas& canvas, int dx, int dy, int radius);

    TLabelType type_ = ltShadow;
    gui::TAlignment alignment_ = gui::taCenter;
};
