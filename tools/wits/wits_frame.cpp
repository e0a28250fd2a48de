#include "tools/wits/wits_frame.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tools {
namespace {

constexpr const char* line_end = "\r\n";

// Three two-digit fields, as YYMMDD or HHMMSS.
std::string six_digits(int a, int b, int c) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d%02d%02d", a, b, c);
    return text;
}

} // namespace

std::optional<std::string> wits_number(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // to_chars ignores the locale; the fixed format never has an exponent. A value that rounds to zero
    // goes out as 0.00, not -0.00.
    if (std::fabs(value) < 0.005)
        value = 0;
    char text[400];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (ec != std::errc())
        return std::nullopt;
    return std::string(text, end);
}

std::string wits_frame(const std::array<std::optional<double>, 6>& values, const std::optional<wits_clock>& date,
                       const std::optional<wits_clock>& time) {
    std::string frame = std::string("&&") + line_end;
    if (date)
        frame += wits_date_code + six_digits(date->year % 100, date->month, date->day) + line_end;
    if (time)
        frame += wits_time_code + six_digits(time->hour, time->minute, time->second) + line_end;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i])
            continue;
        if (const auto number = wits_number(*values[i]))
            frame += wits_value_codes[i] + *number + line_end;
    }
    return frame + "!!" + line_end;
}

} // namespace tools
