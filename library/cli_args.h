#pragma once
// Small helpers shared by the tools' command-line parsing.

#include <optional>
#include <string>

namespace lib {

// A whole decimal number within [min, max], or nothing.
std::optional<long> parse_number(const std::string& text, long min, long max);

// Prints "<program>: <message>" and a usage line on stderr; returns the exit code for bad usage (2).
int usage_error(const char* program, const std::string& message, const char* usage);

} // namespace lib
