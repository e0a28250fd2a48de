#include "library/settings_file.h"

#include "library/cp1251.h"
#include "library/ini_file.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>
#include <utility>

namespace lib {
namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

} // namespace

std::string read_settings_file(const std::string& path, bool must_exist, const settings_rules& rules) {
    ini_file file(path);
    const auto lines = file.lines();
    if (!lines) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec && !must_exist)
            return {};
        return path + ": cannot be read";
    }
    std::set<std::string> seen_sections;
    std::set<std::pair<std::string, std::string>> seen_keys;
    for (const auto& line : *lines) {
        auto fail = [&](const std::string& what) {
            return path + ":" + std::to_string(line.number) + ": " + what + ": " + trim(line.text);
        };
        const std::string text = trim(line.text);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        const bool known = !line.section.empty() && rules.known_section(line.section);
        if (line.header) {
            if (!known)
                return fail(rules.unknown_section);
            if (!seen_sections.insert(to_lower_1251(line.section)).second)
                return fail(rules.section_twice);
            continue;
        }
        if (!known)
            return fail(line.section.empty() ? rules.outside_section : rules.in_unknown);
        if (!line.key)
            return fail("not a key = value line");
        const std::string key = to_lower_1251(*line.key);
        if (!seen_keys.insert({to_lower_1251(line.section), key}).second)
            return fail("setting given twice");
        const std::string problem = rules.apply(line.section, key, file.read(line.section, *line.key, ""));
        if (!problem.empty())
            return fail(problem);
    }
    return {};
}

std::optional<double> parse_setting_number(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parse_setting_switch(const std::string& text) {
    const auto t = to_lower_1251(text);
    if (t == "1" || t == "yes" || t == "true" || t == "on")
        return true;
    if (t == "0" || t == "no" || t == "false" || t == "off")
        return false;
    return std::nullopt;
}

} // namespace lib
