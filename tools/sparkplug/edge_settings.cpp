#include "tools/sparkplug/edge_settings.h"

#include "library/cp1251.h"
#include "library/settings_file.h"
#include "os/user_dirs.h"

#include <cmath>

namespace sparkplug {
namespace {

std::optional<std::size_t> metric_of(const std::string& section) {
    const std::string lower = lib::to_lower_1251(section);
    for (std::size_t i = 0; i < source_metric; ++i)
        if (lower == lib::to_lower_1251(metric_names[i]))
            return i;
    return std::nullopt;
}

// A unit written in UTF-8 stays as it is; one in Windows-1251 (the project's INI encoding) is converted.
std::string unit_text(const std::string& value) {
    const std::string back = lib::utf8_to_1251(value);
    return lib::cp1251_to_utf8(back) == value ? value : lib::cp1251_to_utf8(value);
}

std::string take_metric(metric_setting& m, bool is_value, const std::string& key, const std::string& value) {
    if (key == "enabled") {
        const auto on = lib::parse_setting_switch(value);
        if (!on)
            return "enabled takes yes or no";
        m.enabled = *on;
        return {};
    }
    if (key == "unit") {
        m.unit = unit_text(value);
        return {};
    }
    if (key == "deadband" || (is_value && (key == "factor" || key == "offset"))) {
        const auto number = lib::parse_setting_number(value);
        if (!number || (key == "deadband" && *number < 0))
            return key + (key == "deadband" ? " takes a number of 0 or more such as 0.5"
                                            : " takes a number such as 0.980665");
        (key == "factor" ? m.factor : key == "offset" ? m.offset : m.deadband) = *number;
        return {};
    }
    return is_value ? "unknown setting (factor, offset, deadband, enabled, unit)"
                    : "unknown setting (deadband, enabled, unit)";
}

std::string take_queue(queue_settings& q, const std::string& key, const std::string& value) {
    const auto number = lib::parse_setting_number(value);
    if (key == "max_days") {
        if (!number || *number <= 0 || *number > 3650)
            return "max_days takes a number of days such as 7";
        q.max_days = *number;
    } else if (key == "backlog_rate" || key == "batch") {
        if (!number || *number < 1 || *number > 1000000 || *number != std::floor(*number))
            return key + " takes a whole number such as " + (key == "batch" ? "100" : "2000");
        (key == "batch" ? q.batch : q.backlog_rate) = static_cast<long>(*number);
    } else {
        return "unknown setting (max_days, backlog_rate, batch)";
    }
    return {};
}

} // namespace

edge_settings_result load_edge_settings(const std::string& path, bool must_exist) {
    edge_settings settings;
    lib::settings_rules rules;
    rules.known_section = [](const std::string& section) {
        const std::string lower = lib::to_lower_1251(section);
        return metric_of(section).has_value() || lower == "mqtt" || lower == "queue";
    };
    rules.unknown_section = "unknown section (a metric such as Hook Load, Reading Age, mqtt or queue)";
    rules.section_twice = "section given twice";
    rules.outside_section = "setting outside a section";
    rules.in_unknown = "setting of an unknown section";
    rules.apply = [&](const std::string& section, const std::string& key, const std::string& value) -> std::string {
        if (const auto metric = metric_of(section))
            return take_metric(settings.metrics[*metric], *metric < value_count, key, value);
        if (lib::to_lower_1251(section) == "queue")
            return take_queue(settings.queue, key, value);
        return take_mqtt_setting(settings.mqtt, key, value, true);
    };
    edge_settings_result result;
    result.error = lib::read_settings_file(path, must_exist, rules);
    if (result.error.empty())
        result.settings = settings;
    return result;
}

std::string default_edge_settings_path() {
    const std::string config = os::user_config_home();
    return config.empty() ? std::string() : config + "/Kalvemark/borevane_sparkplug.ini";
}

} // namespace sparkplug
