#pragma once
// The settings files of the tools beside the module: INI files read with the project's INI code and checked line
// by line, so that a mistake stops the tool before it starts with the file and the line named. Every line is a
// comment (; or #), blank, a section header the tool knows (each at most once), or a key = value line inside such
// a section (each key at most once per section) whose value the tool accepts. The tool gives its own words for
// the section faults and judges its keys; the form and the error lines are the same for every tool.

#include <functional>
#include <optional>
#include <string>

namespace lib {

struct settings_rules {
    std::function<bool(const std::string& section)> known_section;
    std::string unknown_section; // a header naming a section the tool does not know
    std::string section_twice;   // a header repeated
    std::string outside_section; // a setting before any header
    std::string in_unknown;      // a setting under an unknown header
    // Takes one setting (key lower-cased, value as the INI code reads it: blanks and one pair of quotes
    // stripped); returns what is wrong with it, empty when it is taken.
    std::function<std::string(const std::string& section, const std::string& key, const std::string& value)> apply;
};

// Checks and applies every line of `path`. Returns empty when the file is good, or missing and not
// `must_exist`; else "<path>:<line>: <what is wrong>: <the line>", or "<path>: cannot be read".
std::string read_settings_file(const std::string& path, bool must_exist, const settings_rules& rules);

// A finite decimal number with a point ("0.980665", "-3", "1e3"), nothing else ("0,98", "", "nan").
std::optional<double> parse_setting_number(const std::string& text);

// yes/no, 1/0, true/false, on/off, in any case.
std::optional<bool> parse_setting_switch(const std::string& text);

} // namespace lib
