// Colour arithmetic and gradient fills shared by the program's own controls. Every function except
// transform_color_light with a zero delta resolves system colour references first; every computed
// colour is explicit (top byte 0). Channels are computed as signed ints and clamped only at the end.
#pragma once

#include "gui/Canvas.h"
#include "library/Color.h"

using gui::TCanvas;
using gui::TColor;

enum TMyButtonGradientTypes : std::int32_t {
    mbgtNone = 0,
    mbgtVertical = 1,
    mbgtHorizontal = 2,
    mbgtDiagonal1 = 3,
    mbgtDiagonal2 = 4,
};

// Resolves a system colour reference and splits the colour into its channels.
void calc_rgb(const TColor color, int& r, int& g, int& b);
// Clamps three channels to 0..255 in place.
void clamp_rgb(int& a, int& b, int& c);
// Black or white, whichever reads better on the colour.
TColor get_inv_color(TColor color);
// Adds delta to every channel; delta 0 returns the colour untouched (a reference stays one).
TColor transform_color_light(TColor color, int delta);
// The colour at pos of total between from (pos 0) and to (pos total); beyond that it extrapolates
// and clamps. A total of 0 gives from.
TColor get_grad_color(int pos, int total, TColor from, TColor to);
// Lightens (darkens) every channel by amount while tinting towards hue; hue 0 means no tint.
TColor get_light_color(TColor color, int amount, TColor hue);
TColor get_dark_color(TColor color, int amount, TColor hue);
// Fills left, top, right, bottom (exclusive) with a stepped gradient. The band colours follow the
// absolute coordinates of the bands. mbgtNone and mbgtDiagonal2 draw nothing.
void draw_gradient(TCanvas* canvas, TMyButtonGradientTypes type, TColor from, TColor to, int left, int top, int right,
                   int bottom);
