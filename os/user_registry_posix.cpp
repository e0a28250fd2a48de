#include "os/user_registry.h"

#include "os/atomic_file.h"
#include "os/user_dirs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

const char* const general_section = "[General]";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool usable_component(const std::string& part) {
    return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos;
}

// Creates the missing directories of an absolute path, private to the user as a configuration home should be.
bool make_directories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Key names as the settings format writes them: plain characters stay, '/' becomes '\', others %XX.
std::string escaped_key(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
            c == '.') {
            out += static_cast<char>(c);
        } else if (c == '/') {
            out += '\\';
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool is_hex_digit(char c) {
    return hex_value(c) >= 0;
}

// A string value as the settings format writes it: escapes for control characters, quotes and
// backslashes; the whole value quoted when it holds a separator or starts or ends with a blank.
// Bytes from 0x80 up pass unchanged (file names are UTF-8 here, as the format expects).
std::string escaped_value(const std::string& raw) {
    const std::string value = !raw.empty() && raw[0] == '@' ? "@" + raw : raw;
    std::string out;
    bool quote = false;
    bool escape_next_hex = false;
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == ';' || ch == ',' || ch == '=')
            quote = true;
        if (escape_next_hex && is_hex_digit(ch)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%x", c);
            out += buf;
            continue;
        }
        escape_next_hex = false;
        switch (ch) {
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += ch;
            break;
        default:
            if (c <= 0x1F || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%x", c);
                out += buf;
                escape_next_hex = true;
            } else {
                out += ch;
            }
        }
    }
    if (quote || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The inverse of escaped_value for the forms it produces (and unquoted plain text).
std::string unescaped_value(const std::string& text) {
    std::string out;
    bool in_quotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '"') {
            in_quotes = !in_quotes;
        } else if (ch == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            switch (e) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case 'x': {
                unsigned code = 0;
                while (i + 1 < text.size() && is_hex_digit(text[i + 1]))
                    code = code * 16 + static_cast<unsigned>(hex_value(text[++i]));
                out += static_cast<char>(code);
                break;
            }
            default:
                out += e;
            }
        } else {
            out += ch;
        }
    }
    if (out.size() >= 2 && out[0] == '@' && out[1] == '@')
        out.erase(0, 1);
    return out;
}

std::string key_of(const std::string& line) {
    const auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : trimmed(line.substr(0, eq));
}

bool is_section_header(const std::string& line) {
    const std::string t = trimmed(line);
    return !t.empty() && t.front() == '[';
}

bool read_lines(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty())
        lines = split(text, '\n');
    return true;
}

} // namespace

std::string user_registry_file(const std::string& key) {
    std::vector<std::string> parts = split(key, '\\');
    if (!parts.empty() && ::strcasecmp(parts.front().c_str(), "Software") == 0)
        parts.erase(parts.begin());
    if (parts.size() != 2 || !usable_component(parts[0]) || !usable_component(parts[1]))
        return {};
    const std::string home = user_config_home();
    return home.empty() ? std::string() : home + "/" + parts[0] + "/" + parts[1] + ".conf";
}

bool write_user_string(const std::string& key, const std::string& value_name, const std::string& value) {
    const std::string path = user_registry_file(key);
    if (path.empty() || value_name.empty())
        return false;
    if (!make_directories(path.substr(0, path.rfind('/'))))
        return false;

    // Keep whatever else the file holds; replace or add the one line.
    std::vector<std::string> lines;
    read_lines(path, lines);
    const std::string name = escaped_key(value_name);
    const std::string entry = name + "=" + escaped_value(value);
    bool in_general = true; // lines before any header belong to the general group
    std::size_t general_header = std::string::npos;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (is_section_header(lines[i])) {
            in_general = trimmed(lines[i]) == general_section;
            if (in_general && general_header == std::string::npos)
                general_header = i;
        } else if (in_general && key_of(lines[i]) == name) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        if (general_header != std::string::npos) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(general_header) + 1, entry);
        } else {
            if (!lines.empty())
                lines.insert(lines.begin(), "");
            lines.insert(lines.begin(), {general_section, entry});
        }
    }
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return replace_file_atomically(path, text.data(), text.size());
}

std::optional<std::string> read_user_string(const std::string& key, const std::string& value_name) {
    const std::string path = user_registry_file(key);
    std::vector<std::string> lines;
    if (path.empty() || !read_lines(path, lines))
        return std::nullopt;
    const std::string name = escaped_key(value_name);
    bool in_general = true;
    for (const auto& line : lines) {
        if (is_section_header(line))
            in_general = trimmed(line) == general_section;
        else if (in_general && key_of(line) == name)
            return unescaped_value(trimmed(line.substr(line.find('=') + 1)));
    }
    return std::nullopt;
}

} // namespace os
