#include "library/cli_args.h"

#include <charconv>
#include <csignal>
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

std::optional<int> parse_valued_options(int argc, char** argv, const char* program, const char* usage,
                                        const option_handler& take) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        }
        const std::optional<std::string> value = i + 1 < argc ? std::optional<std::string>(argv[i + 1]) : std::nullopt;
        switch (take(option, value)) {
        case option_taken::unknown:
            return usage_error(program, "unknown option " + option, usage);
        case option_taken::bad_value:
            return usage_error(program, option + (value ? " does not take " + *value : " needs a value"), usage);
        case option_taken::yes:
            break;
        }
        ++i;
    }
    return std::nullopt;
}

void log_line(const char* program, const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    std::fflush(stderr);
}

namespace {
volatile std::sig_atomic_t stop_flag = 0;
}

void catch_stop_signals() {
    std::signal(SIGTERM, [](int) { stop_flag = 1; });
    std::signal(SIGINT, [](int) { stop_flag = 1; });
}

bool stop_requested() {
    return stop_flag != 0;
}

} // namespace lib
