#include "acquisition/core/output_reading.h"

#include "acquisition/core/install_dir.h"
#include "acquisition/core/output_file.h"
#include "library/cp1251.h"
#include "library/lock_object.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// When the open file was last written. Asked of the open file where the platform gives the time to the
// nanosecond: by name, a file renamed over it since the open would give its time to these bytes, and a reader
// telling rewrites apart by time would then drop that next rewrite as already seen. (Windows refuses to replace
// a file that is open, so there the name is the same file.)
std::optional<std::chrono::system_clock::time_point> written_time(std::FILE* file, const std::string& path,
                                                                  std::string& error) {
#ifdef _WIN32
    (void)file;
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) {
        error = ec.message();
        return std::nullopt;
    }
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written));
#else
    (void)path;
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
#endif
}

float float_at(const output_bytes& bytes, std::size_t offset) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[offset + i];
    return std::bit_cast<float>(bits);
}

} // namespace

bool is_fresh(const output_snapshot& snapshot) {
    return std::fabs(snapshot.age_seconds) <= fresh_within_seconds;
}

std::optional<std::string> output_file_path(const std::string& given, std::string& error) {
    if (!given.empty())
        return given;
    const auto dir = read_install_dir();
    if (!dir) {
        error = "the install location (Install_Dir) is not recorded";
        return std::nullopt;
    }
    std::string path = *dir;
    // The program writes the separator; a value set by hand may lack it.
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += static_cast<char>(std::filesystem::path::preferred_separator);
    return path + output_file_name;
}

std::array<float, 6> snapshot_values(const output_snapshot& snapshot) {
    std::array<float, 6> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = float_at(snapshot.bytes, 4 * i);
    return values;
}

snapshot_result read_output_snapshot(const std::string& path, lib::lock_object& file_lock) {
    snapshot_result result;
    lib::Locker guard(&file_lock);
    std::unique_ptr<std::FILE, file_closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.problem = errno == ENOENT ? read_problem::missing : read_problem::unreadable;
        result.error = std::strerror(errno);
        return result;
    }
    // One byte more than expected tells a longer file from a complete one.
    unsigned char buffer[output_bytes().size() + 1];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (got != output_bytes().size()) {
        if (std::ferror(file.get())) {
            result.problem = read_problem::unreadable;
            result.error = std::strerror(errno);
            return result;
        }
        result.error =
            got < output_bytes().size() ? "only " + std::to_string(got) + " of 24 bytes" : "longer than 24 bytes";
        result.problem = read_problem::wrong_size;
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        result.size = ec ? got : size;
        return result;
    }
    const auto written = written_time(file.get(), path, result.error);
    if (!written) {
        result.problem = read_problem::unreadable;
        return result;
    }
    output_snapshot snapshot;
    std::memcpy(snapshot.bytes.data(), buffer, snapshot.bytes.size());
    snapshot.age_seconds = std::chrono::duration<double>(std::chrono::system_clock::now() - *written).count();
    snapshot.modified_ms = std::chrono::duration_cast<std::chrono::milliseconds>(written->time_since_epoch()).count();
    result.snapshot = snapshot;
    return result;
}

std::string format_snapshot(const output_snapshot& snapshot) {
    auto fixed = [](double value, int decimals) {
        char number[64];
        const auto end = std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, decimals).ptr;
        return std::string(number, end);
    };
    std::string line;
    const auto values = snapshot_values(snapshot);
    for (std::size_t i = 0; i < output_names.size(); ++i)
        line += lib::cp1251_to_utf8(output_names[i]) + "=" + fixed(values[i], 3) + " ";
    return line + "age=" + fixed(snapshot.age_seconds, 1) + "s";
}
