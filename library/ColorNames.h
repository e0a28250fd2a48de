// Text forms of colours as the settings and the colour lists write and read them: a colour name
// ("clRed") where one exists, otherwise '$' and eight upper-case hex digits ("$00123456"). Qt-free.
#pragma once

#include "library/Color.h"

#include <optional>
#include <string>
#include <string_view>

namespace gui {

std::string color_to_string(TColor color);

// Accepts a colour name (any case), '$' or "0x" followed by up to eight hex digits, or a decimal
// 32-bit integer (negative values are two's complement, e.g. system references). Nothing else:
// no blanks, no trailing characters, nothing out of range.
std::optional<TColor> string_to_color(std::string_view text);

} // namespace gui
