#pragma once
// Small helpers shared by the tools' command-line parsing.

#include <functional>
#include <optional>
#include <string>

namespace lib {

// A whole decimal number within [min, max], or nothing.
std::optional<long> parse_number(const std::string& text, long min, long max);

// Prints "<program>: <message>" and a usage line on stderr; returns the exit code for bad usage (2).
int usage_error(const char* program, const std::string& message, const char* usage);

// What a program's option handler made of one option and the argument after it.
enum class option_taken { yes, bad_value, unknown };

// Walks argv where every option takes a value: `take(option, value)` gets each option with the argument after it
// (nothing when there is none) and the walk skips that argument. "--help" prints the usage line. Returns the
// exit code when the program should end at once (0 after --help, 2 for bad usage, with its message on stderr),
// nothing when every option was taken.
using option_handler = std::function<option_taken(const std::string& option, const std::optional<std::string>& value)>;
std::optional<int> parse_valued_options(int argc, char** argv, const char* program, const char* usage,
                                        const option_handler& take);

// Prints "<program>: <line>" on stderr at once: the log of the services beside the module, which systemd keeps.
void log_line(const char* program, const std::string& line);

// SIGTERM (systemd's stop) and SIGINT set a flag that stop_requested() reads, so that a program can end its
// event loop at its own pace and log a summary.
void catch_stop_signals();
bool stop_requested();

} // namespace lib
