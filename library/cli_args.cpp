#include "library/cli_args.h"

#include <charconv>
#include <cstdio>

namespace lib {

std::optional<long> parse_number(const std::string& text, long min, long max) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

int usage_error(const char* program, const std::string& message, const char* usage) {
    std::fprintf(stderr, "%s: %s\nusage: %s %s\n", program, message.c_str(), program, usage);
    return 2;
}

} // namespace lib
