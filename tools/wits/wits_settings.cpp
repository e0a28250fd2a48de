#include "tools/wits/wits_settings.h"

#include "library/settings_file.h"
#include "os/user_dirs.h"
#include "tools/wits/wits_frame.h"

namespace tools {
namespace {

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
    wits_settings settings;
    lib::settings_rules rules;
    rules.known_section = [](const std::string& section) { return item_of(section).has_value(); };
    rules.unknown_section = "unknown item (sections are 0105, 0106, 0108, 0110, 0112, 0113, 0114, 0121)";
    rules.section_twice = "item given twice";
    rules.outside_section = "setting outside an item section";
    rules.in_unknown = "setting of an unknown item";
    rules.apply = [&](const std::string& section, const std::string& key, const std::string& value) -> std::string {
        const std::size_t item = *item_of(section);
        if (key == "enabled") {
            const auto on = lib::parse_setting_switch(value);
            if (!on)
                return "enabled takes yes or no";
            (item == 6 ? settings.send_date : item == 7 ? settings.send_time : settings.items[item].enabled) = *on;
            return {};
        }
        if ((key == "factor" || key == "offset") && item < 6) {
            const auto number = lib::parse_setting_number(value);
            if (!number)
                return key + " takes a number such as 0.980665";
            (key == "factor" ? settings.items[item].factor : settings.items[item].offset) = *number;
            return {};
        }
        return item < 6 ? "unknown setting (factor, offset, enabled)" : "unknown setting (enabled)";
    };
    settings_result result;
    result.error = lib::read_settings_file(path, must_exist, rules);
    if (result.error.empty())
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
