// Resolution of system colour references (0x80000000 + index) to explicit colours.
// By default the colours come from the application palette, so the program follows the desktop
// theme; tests pin a fixed table so results do not depend on it.
#pragma once

#include "library/Color.h"

#include <QColor>
#include <array>

namespace gui {

using SystemColorTable = std::array<TColor, system_color_count>;

// The usual default colours of a Windows desktop, indexed like the references.
const SystemColorTable& standard_system_colors();

// From now on, system colours are read from `table` instead of the palette.
void pin_system_colors(const SystemColorTable& table);
void unpin_system_colors();

// The explicit colour (0x00BBGGRR) of system colour `index`; black for an unknown index.
TColor system_color(int index);
// A system reference becomes its current colour; any other value is returned as it is.
TColor resolve_color(TColor color);

// For painting: the resolved colour, opaque; clNone gives a transparent colour.
QColor to_qcolor(TColor color);
TColor from_qcolor(const QColor& color);

} // namespace gui
