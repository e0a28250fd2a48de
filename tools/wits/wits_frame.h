#pragma once
// WITS Level 0 frames: the ASCII lines "&&", one "RRIIvalue" line per item, "!!", each ended by CR LF.
// The module's six values go out as items of record 01 (general, time-based), with the read's local
// date and time.

#include <array>
#include <optional>
#include <string>

namespace tools {

// Record 01 item codes of the six values, in file order: hole depth (measured), bit depth (measured),
// hookload (average), block position, standpipe pressure (average), rate of penetration (average).
inline constexpr std::array<const char*, 6> wits_value_codes = {"0110", "0108", "0114", "0112", "0121", "0113"};
inline constexpr const char* wits_date_code = "0105"; // YYMMDD
inline constexpr const char* wits_time_code = "0106"; // HHMMSS

// The value with two decimals, "." as separator whatever the locale, never an exponent; nothing for NaN
// and infinities, which are never sent.
std::optional<std::string> wits_number(double value);

struct wits_clock {
    int year = 2000, month = 1, day = 1; // four-digit year
    int hour = 0, minute = 0, second = 0;
};

// One frame: the date and time when given, then each value that is present and finite, in file order.
std::string wits_frame(const std::array<std::optional<double>, 6>& values, const std::optional<wits_clock>& date,
                       const std::optional<wits_clock>& time);

} // namespace tools
