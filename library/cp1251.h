#pragma once
// Helpers for 8-bit texts in the Windows Cyrillic code page (CP1251), the encoding of
// option values, INI files and parameter names on the wire.

#include <string>
#include <string_view>

namespace lib {

// Lower case as the Windows Cyrillic code page defines it: Latin A-Z, the Cyrillic
// capitals (А-Я, Ё and the other Slavic letters); every other byte is kept. Independent of the C locale.
char to_lower_1251(char c);
std::string to_lower_1251(std::string text);
// The inverse mapping: each small letter that has a capital becomes that capital.
std::string to_upper_1251(std::string text);

// Case-insensitive comparison under the same mapping.
bool equal_ignoring_case_1251(const std::string& a, const std::string& b);

// Conversions between CP1251 and UTF-8, for texts that cross into Unicode (terminal output,
// readable literals in the Qt-free core). Characters CP1251 lacks become '?'; malformed UTF-8 bytes too.
std::string utf8_to_1251(std::string_view utf8);
std::string cp1251_to_utf8(std::string_view text);

} // namespace lib
