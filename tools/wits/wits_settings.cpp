#include "tools/wits/wits_settings.h"

#include "library/cp1251.h"
#include "library/ini_file.h"
#include "os/user_dirs.h"
#include "tools/wits/wits_frame.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>
#include <utility>

namespace tools {
namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::optional<double> parse_real(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parse_switch(const std::string& text) {
    const auto t = lib::to_lower_1251(text);
    if (t == "1" || t == "yes" || t == "true" || t == "on")
        return true;
    if (t == "0" || t == "no" || t == "false" || t == "off")
        return false;
    return std::nullopt;
}

// The item a section names: 0..5 for the values, 6 for the date, 7 for the time; nothing otherwise.
std::optional<std::size_t> item_of(const std::string& section) {
    for (std::size_t i = 0; i < wits_value_codes.size(); ++i)
        if (section == wits_value_codes[i])
            return i;
    if (section == wits_date_code)
        return 6;
    if (section == wits_time_code)
        return 7;
    return std::nullopt;
}

} // namespace

settings_result load_wits_settings(const std::string& path, bool must_exist) {
    settings_result result;
    lib::ini_file file(path);
    const auto lines = file.lines();
    if (!lines) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec && !must_exist)
            result.settings = wits_settings();
        else
            result.error = path + ": cannot be read";
        return result;
    }
    wits_settings settings;
    std::set<std::string> seen_sections;
    std::set<std::pair<std::string, std::string>> seen_keys;
    for (const auto& line : *lines) {
        auto fail = [&](const std::string& what) {
            result.error = path + ":" + std::to_string(line.number) + ": " + what + ": " + trim(line.text);
            return result;
        };
        const std::string text = trim(line.text);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        const auto item = item_of(line.section);
        if (line.header) {
            if (!item)
                return fail("unknown item (sections are 0105, 0106, 0108, 0110, 0112, 0113, 0114, 0121)");
            if (!seen_sections.insert(line.section).second)
                return fail("item given twice");
            continue;
        }
        if (!item)
            return fail(line.section.empty() ? "setting outside an item section" : "setting of an unknown item");
        if (!line.key)
            return fail("not a key = value line");
        const std::string key = lib::to_lower_1251(*line.key);
        if (!seen_keys.insert({line.section, key}).second)
            return fail("setting given twice");
        // The value as the INI code reads it (blanks and one pair of quotes stripped).
        const std::string value = file.read(line.section, *line.key, "");
        if (key == "enabled") {
            const auto on = parse_switch(value);
            if (!on)
                return fail("enabled takes yes or no");
            (*item == 6 ? settings.send_date : *item == 7 ? settings.send_time : settings.items[*item].enabled) = *on;
        } else if ((key == "factor" || key == "offset") && *item < 6) {
            const auto number = parse_real(value);
            if (!number)
                return fail(key + " takes a number such as 0.980665");
            (key == "factor" ? settings.items[*item].factor : settings.items[*item].offset) = *number;
        } else {
            return fail(*item < 6 ? "unknown setting (factor, offset, enabled)" : "unknown setting (enabled)");
        }
    }
    result.settings = settings;
    return result;
}

std::array<std::optional<double>, 6> scaled_values(const wits_settings& settings, const std::array<float, 6>& raw) {
    std::array<std::optional<double>, 6> values;
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (settings.items[i].enabled)
            values[i] = double(raw[i]) * settings.items[i].factor + settings.items[i].offset;
    return values;
}

std::string default_wits_settings_path() {
    const std::string config = os::user_config_home();
    return config.empty() ? std::string() : config + "/Kalvemark/borevane_wits.ini";
}

} // namespace tools
