// Reads Borevane.bin as the downhole telemetry system does (the named lock, the install
// location, the 24-byte layout) and prints the six values; the reference for that contract.

#include "acquisition/core/output_file.h"
#include "acquisition/core/output_reading.h"
#include "library/cli_args.h"
#include "library/lock_object.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char* const program = "borevane_reader";
const char* const usage = "[--path FILE] [--follow] [--interval-ms N] [--count K]";

struct settings {
    std::string path;
    bool follow = false;
    long interval_ms = 200;
    long count = 0; // lines to print before stopping; 0: no limit
};

std::optional<int> parse_settings(int argc, char** argv, settings& s) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            return i + 1 < argc ? std::optional<std::string>(argv[++i]) : std::nullopt;
        };
        if (arg == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        } else if (arg == "--follow") {
            s.follow = true;
        } else if (arg == "--path") {
            const auto v = value();
            if (!v || v->empty())
                return lib::usage_error(program, "--path needs a file name", usage);
            s.path = *v;
        } else if (arg == "--interval-ms" || arg == "--count") {
            const auto v = value();
            const auto n = v ? lib::parse_number(*v, 1, 86400000) : std::nullopt;
            if (!n)
                return lib::usage_error(program, arg + " needs a positive number", usage);
            (arg == "--count" ? s.count : s.interval_ms) = *n;
        } else {
            return lib::usage_error(program, "unknown option " + arg, usage);
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
    settings s;
    if (const auto exit_code = parse_settings(argc, argv, s))
        return *exit_code;
    std::string error;
    const auto path = output_file_path(s.path, error);
    if (!path) {
        std::fprintf(stderr, "%s: %s; use --path\n", program, error.c_str());
        return 1;
    }
    s.path = *path;

    lib::lock_object file_lock(output_file_name);
    std::optional<output_bytes> last_printed;
    std::string last_error;
    long printed = 0;
    for (;;) {
        const auto result = read_output_snapshot(s.path, file_lock);
        if (result.snapshot) {
            last_error.clear();
            if (!last_printed || *last_printed != result.snapshot->bytes) {
                std::printf("%s\n", format_snapshot(*result.snapshot).c_str());
                std::fflush(stdout);
                last_printed = result.snapshot->bytes;
                ++printed;
            }
        } else if (!s.follow) {
            std::fprintf(stderr, "%s: %s: %s\n", program, s.path.c_str(), result.error.c_str());
            return 1;
        } else if (result.error != last_error) {
            std::fprintf(stderr, "%s: %s: %s; waiting for it\n", program, s.path.c_str(), result.error.c_str());
            last_error = result.error;
        }
        if (!s.follow || (s.count && printed >= s.count))
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(s.interval_ms));
    }
}
