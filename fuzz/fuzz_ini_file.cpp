// The INI file object on arbitrary file contents: a key is read, then written, then read back.
// Properties: with names the format can hold, the value read back is the value written after
// the documented treatment (line ends to blanks, blanks trimmed, one pair of quotes removed, cut
// to 2047 bytes); any other key reads the same before and after the write; the write leaves no
// temporary file beside the INI file; a batch of writes behaves the same.
#include "fuzz/fuzz_check.h"
#include "library/cp1251.h"
#include "library/ini_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path& scratch() {
    static const fs::path dir = [] {
        // Memory-backed where possible: every write is flushed to the disk.
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path d = base / ("bv_fuzz_ini." + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(scratch(), ec);
        });
        return d;
    }();
    return dir;
}

bool has_edge_blank(const std::string& s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !s.empty() && (blank(s.front()) || blank(s.back()));
}

// Names that a line of the file can carry back unchanged.
bool storable_section(const std::string& s) {
    return s.find_first_of("]\r\n") == std::string::npos && !has_edge_blank(s);
}
bool storable_key(const std::string& k) {
    return k.find_first_of("=\r\n") == std::string::npos && !has_edge_blank(k) && (k.empty() || k.front() != '[');
}

std::string expected_read_back(std::string v) {
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    const std::size_t b = v.find_first_not_of(" \t");
    v = b == std::string::npos ? std::string() : v.substr(b, v.find_last_not_of(" \t") - b + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    if (v.size() > lib::ini_file::max_value_length)
        v.resize(lib::ini_file::max_value_length);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string value = in.ConsumeRandomLengthString(4096);
    const std::string other_section = in.ConsumeRandomLengthString(24);
    const std::string other_key = in.ConsumeRandomLengthString(24);
    const std::string batched = in.ConsumeRandomLengthString(64);
    const std::string contents = in.ConsumeRemainingBytesAsString();

    const fs::path path = scratch() / "f.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    lib::ini_file file(path.string());
    const std::string missing = "\x01missing";
    const std::string other_before = file.read(other_section, other_key, missing);
    (void)file.read(section, key, missing);

    file.write(section, key, value);

    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(scratch()))
        ++entries;
    FUZZ_CHECK(entries == 1);
    if (!storable_section(section) || !storable_key(key))
        return 0;
    FUZZ_CHECK(file.read(section, key, missing) == expected_read_back(value));
    const bool same_key =
        lib::equal_ignoring_case_1251(section, other_section) && lib::equal_ignoring_case_1251(key, other_key);
    if (!same_key)
        FUZZ_CHECK(file.read(other_section, other_key, missing) == other_before);

    // The same through a batch, as a save does it: seen inside the batch, on disk after commit.
    {
        lib::ini_file::batch once(file);
        file.write(section, key, batched);
        FUZZ_CHECK(file.read(section, key, missing) == expected_read_back(batched));
        once.commit();
    }
    FUZZ_CHECK(file.read(section, key, missing) == expected_read_back(batched));
    if (!same_key)
        FUZZ_CHECK(file.read(other_section, other_key, missing) == other_before);
    return 0;
}
