// TSuperPanel: a panel whose face is a two-colour gradient in 4-pixel bands (vertical or horizontal),
// with a caption that casts a black shadow and a solid border of its own colour.
#pragma once

#include "gui/Panel.h"

using gui::TCanvas;
using gui::TColor;

class TSuperPanel : public gui::TPanel {
    Q_OBJECT
public:
    using TPanel::TPanel;

    TColor Color1() const { return color1_; }
    void SetColor1(TColor value) { store(color1_, value); }
    TColor Color2() const { return color2_; }
    void SetColor2(TColor value) { store(color2_, value); }
    TColor BorderColor() const { return border_color_; }
    void SetBorderColor(TColor value) { store(border_color_, value); }
    bool TextShadow() const { return text_shadow_; }
    void SetTextShadow(bool value) { store(text_shadow_, value); }
    bool WowEffects() const { return wow_effects_; }
    void SetWowEffects(bool value) { store(wow_effects_, value); }
    int HorizontalLayer() const { return horizontal_layer_; }
    void SetHorizontalLayer(int value) { store(horizontal_layer_, value); }
    bool VerticalGradiented() const { return vertical_gradiented_; }
    void SetVerticalGradiented(bool value) { store(vertical_gradiented_, value); }

    // The face colour at pos of total between Color1 and Color2. Channels are not clamped: one that
    // leaves 0..255 carries into its neighbour.
    TColor get_grad_color(int pos, int total) const;

protected:
    void Paint(TCanvas& canvas) override;

private:
    void out_text(TCanvas& canvas, int offset, const QString& text);
    void draw_border(TCanvas& canvas);

    TColor color1_ = 0xFFFFFF;
    TColor color2_ = 0xFFDB9D;
    TColor border_color_ = gui::clWindowFrame;
    bool text_shadow_ = true;
    bool wow_effects_ = true;
    int horizontal_layer_ = 0;
    bool vertical_gradiented_ = false;
};
