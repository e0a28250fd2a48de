#pragma once
// An INI file object with the behaviour of the Windows private-profile functions, on every
// platform: values without surrounding blanks and one pair of double quotes, cut to 2047
// bytes; case-insensitive section and key names; every write goes through to the file at
// once. Each write replaces the file atomically, so a crash during a save leaves either the
// old file or the new one. A batch groups many reads and writes: the file is parsed once, and
// all the writes reach it in one replacement.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lib {

// A write that failed; the message is "Unable to write to <path>".
class ini_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ini_file {
public:
    static constexpr std::size_t max_value_length = 2047;

    explicit ini_file(std::string path);
    ~ini_file();
    const std::string& file_name() const { return path; }

    // The value of the key, or default_value when the file, section or key is missing.
    std::string read(const std::string& section, const std::string& key, const std::string& default_value) const;
    // Creates file, section or key as needed; throws ini_error when the file cannot be written.
    void write(const std::string& section, const std::string& key, const std::string& value);

    // The file's lines as read() sees them, numbered from 1, for a caller that checks a file against rules of
    // its own and names the line at fault. Nothing when the file is missing or cannot be read.
    struct line_view {
        std::size_t number = 0;
        std::string section;            // the section the line is in (its own name for a header); empty before any
        bool header = false;            // a section header
        std::optional<std::string> key; // the key of a key=value line
        std::string text;               // the whole line, without its line end
    };
    std::optional<std::vector<line_view>> lines() const;

    // While a batch lives, reads and writes use one copy of the file read when it began; commit()
    // writes the changes in one replacement (throwing ini_error on failure). A batch that ends
    // without commit() (an exception on the way) leaves the file as it was. Batches do not nest:
    // one begun inside another joins the outer one.
    class batch {
    public:
        explicit batch(ini_file& file);
        ~batch();
        batch(const batch&) = delete;
        batch& operator=(const batch&) = delete;
        void commit();

    private:
        ini_file& file;
        bool owner;
    };

private:
    struct contents;
    std::string path;
    std::unique_ptr<contents> held; // the copy of the open batch
};

} // namespace lib
