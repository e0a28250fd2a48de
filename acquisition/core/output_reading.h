#pragma once
// The reading side of Borevane.bin, as the telemetry program and every reader beside the module must read
// it: found where the module records it, opened and read under the named lock, all 24 bytes or nothing, and
// judged by one freshness rule, so that no reader ever shows an old value as live.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace lib {
class lock_object;
}

using output_bytes = std::array<unsigned char, 24>;

// A file written longer ago than this, or dated further ahead of this computer's clock, says nothing of now.
inline constexpr double fresh_within_seconds = 5;

struct output_snapshot {
    output_bytes bytes{};
    double age_seconds = 0;       // since the file was last written; negative when dated ahead of this clock
    std::int64_t modified_ms = 0; // the file's modification time, milliseconds since 1970 (UTC): one per rewrite
};

// Why a read gave no snapshot, for callers that act on the kind of failure.
enum class read_problem { none, no_install_location, missing, unreadable, wrong_size, locked };

struct snapshot_result {
    std::optional<output_snapshot> snapshot;
    read_problem problem = read_problem::none;
    std::string error;       // why there is no snapshot, in the reader's words
    std::uintmax_t size = 0; // of a wrongly sized file, in bytes
};

// The one freshness rule: written within fresh_within_seconds, and not more than that ahead.
bool is_fresh(const output_snapshot& snapshot);

// The file a reader watches: `given` when it is not empty, else Borevane.bin in the recorded install
// location. Without either, nothing and `error` says why.
std::optional<std::string> output_file_path(const std::string& given, std::string& error);

// Takes `file_lock` for the whole open-read-close, so a writer holding it is waited for. A file whose
// modification time cannot be read is unreadable: its age, and so its freshness, is unknown.
snapshot_result read_output_snapshot(const std::string& path, lib::lock_object& file_lock);

// The six values in file order (the order of output_names).
std::array<float, 6> snapshot_values(const output_snapshot& snapshot);

// "depth=1523.400 doloto_depth=1520.100 ... age=0.4s", names in UTF-8; a point whatever the C locale
// (a Qt program runs under the user's).
std::string format_snapshot(const output_snapshot& snapshot);
