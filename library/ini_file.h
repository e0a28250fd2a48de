#pragma once
// An INI file object with the behaviour of the Windows private-profile functions, on every
// platform: values without surrounding blanks and one pair of double quotes, cut to 2047
// bytes; case-insensitive section and key names; every write goes through to the file at
// once. Each write replaces the file atomically, so a crash during a save leaves either the
// old file or the new one.

#include <stdexcept>
#include <string>

namespace lib {

// A write that failed; the message is "Unable to write to <path>".
class ini_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ini_file {
public:
    static constexpr std::size_t max_value_length = 2047;

    explicit ini_file(std::string path) : path(std::move(path)) {}
    const std::string& file_name() const { return path; }

    // The value of the key, or default_value when the file, section or key is missing.
    std::string read(const std::string& section, const std::string& key, const std::string& default_value) const;
    // Creates file, section or key as needed; throws ini_error when the file cannot be written.
    void write(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string path;
};

} // namespace lib
