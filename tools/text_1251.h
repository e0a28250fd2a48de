#pragma once
// Conversions between CP1251 bytes and UTF-8 for the tools, which print parameter names on a
// UTF-8 terminal and build them from UTF-8 literals without a text codec library. Only ASCII and
// the Russian alphabet (А-я, Ё, ё) are covered; that is all the names of the station use.

#include <string>

namespace tools {

// Bytes outside the covered range become '?'.
std::string utf8_from_1251(const std::string& text);

// Characters outside the covered range become '?'.
std::string cp1251_from_utf8(const std::string& text);

// Upper case under the same mapping that lib::to_lower_1251 lowers.
std::string to_upper_1251(std::string text);

} // namespace tools
