#include "library/ini_file.h"

#include "library/cp1251.h"
#include "os/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

namespace lib {
namespace {

constexpr const char* blanks = " \t";

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// The file split into lines (without their line ends) and the line end it uses.
struct ini_text {
    std::vector<std::string> lines;
    std::string line_end;
};

enum class read_result { ok, missing, failed };

// The whole file; a directory or an unreadable file is a failure, never an exception.
read_result read_whole(const std::string& path, std::string& content) {
    content.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? read_result::missing : read_result::failed;
    char chunk[8192];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        content.append(chunk, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? read_result::failed : read_result::ok;
}

ini_text split_lines(const std::string& content) {
    ini_text text;
#ifdef _WIN32
    text.line_end = "\r\n";
#else
    text.line_end = "\n";
#endif
    if (content.find("\r\n") != std::string::npos)
        text.line_end = "\r\n";
    else if (!content.empty())
        text.line_end = "\n";
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::string line = content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        text.lines.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return text;
}

// The section name if the line is a section header.
std::optional<std::string> section_of(const std::string& line) {
    std::string t = trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    std::size_t close = t.find(']');
    return trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// The key of a "key=value" line.
std::optional<std::string> key_of(const std::string& line) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return trim(line.substr(0, eq));
}

// Line range [first, last) of the first section with that name (after its header).
std::optional<std::pair<std::size_t, std::size_t>> find_section(const ini_text& text, const std::string& section) {
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        auto name = section_of(text.lines[i]);
        if (!name || !equal_ignoring_case_1251(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < text.lines.size() && !section_of(text.lines[end]))
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::optional<std::size_t> find_key(const ini_text& text, std::pair<std::size_t, std::size_t> range,
                                    const std::string& key) {
    for (std::size_t i = range.first; i < range.second; ++i) {
        auto name = key_of(text.lines[i]);
        if (name && equal_ignoring_case_1251(*name, key))
            return i;
    }
    return std::nullopt;
}

} // namespace

// The file as read: whether it could be, and its lines.
struct ini_file::contents {
    read_result status = read_result::missing;
    ini_text text;
    bool changed = false;

    static contents of(const std::string& path) {
        contents c;
        std::string raw;
        c.status = read_whole(path, raw);
        c.text = split_lines(raw);
        return c;
    }
};

ini_file::ini_file(std::string path) : path(std::move(path)) {}
ini_file::~ini_file() = default;

std::string ini_file::read(const std::string& section, const std::string& key, const std::string& default_value) const {
    const contents fresh = held ? contents() : contents::of(path);
    const contents& c = held ? *held : fresh;
    if (c.status != read_result::ok)
        return default_value;
    auto range = find_section(c.text, section);
    if (!range)
        return default_value;
    auto line = find_key(c.text, *range, key);
    if (!line)
        return default_value;
    const std::string& l = c.text.lines[*line];
    std::string value = trim(l.substr(l.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.size() > max_value_length)
        value.resize(max_value_length);
    return value;
}

std::optional<std::vector<ini_file::line_view>> ini_file::lines() const {
    const contents fresh = held ? contents() : contents::of(path);
    const contents& c = held ? *held : fresh;
    if (c.status != read_result::ok)
        return std::nullopt;
    std::vector<line_view> views;
    std::string section;
    for (std::size_t i = 0; i < c.text.lines.size(); ++i) {
        line_view view;
        view.number = i + 1;
        view.text = c.text.lines[i];
        if (auto name = section_of(view.text)) {
            section = *name;
            view.header = true;
        } else {
            view.key = key_of(view.text);
        }
        view.section = section;
        views.push_back(std::move(view));
    }
    return views;
}

namespace {

void store(const std::string& path, const ini_text& text) {
    std::string content;
    for (const auto& l : text.lines)
        content += l + text.line_end;
    if (!os::replace_file_atomically(path, content.data(), content.size()))
        throw ini_error("Unable to write to " + path);
}

void set_key(ini_text& text, const std::string& section, const std::string& key, const std::string& value) {
    // A line end inside the value would split it into lines of its own.
    std::string clean = value;
    for (char& c : clean)
        if (c == '\r' || c == '\n')
            c = ' ';
    const std::string line = key + "=" + clean;
    if (auto range = find_section(text, section)) {
        if (auto at = find_key(text, *range, key)) {
            text.lines[*at] = line;
        } else {
            // After the section's last non-blank line, so blank separators stay between sections.
            std::size_t insert_at = range->second;
            while (insert_at > range->first && trim(text.lines[insert_at - 1]).empty())
                --insert_at;
            text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insert_at), line);
        }
    } else {
        text.lines.push_back("[" + section + "]");
        text.lines.push_back(line);
    }
}

} // namespace

void ini_file::write(const std::string& section, const std::string& key, const std::string& value) {
    contents fresh = held ? contents() : contents::of(path);
    contents& c = held ? *held : fresh;
    // An existing file that cannot be read is not overwritten: its other contents would be lost.
    if (c.status == read_result::failed)
        throw ini_error("Unable to write to " + path);
    set_key(c.text, section, key, value);
    c.changed = true;
    if (!held)
        store(path, c.text);
}

ini_file::batch::batch(ini_file& file) : file(file), owner(!file.held) {
    if (owner)
        file.held = std::make_unique<contents>(contents::of(file.path));
}

ini_file::batch::~batch() {
    if (owner)
        file.held.reset();
}

void ini_file::batch::commit() {
    if (!owner || !file.held)
        return;
    std::unique_ptr<contents> c = std::move(file.held);
    if (c->changed)
        store(file.path, c->text);
}

} // namespace lib
