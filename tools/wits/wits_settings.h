#pragma once
// The WITS feed's settings file: per item, whether it is sent and the factor and offset that turn the
// station's value (as the module writes it, unscaled) into the item's unit. An INI file read with the
// project's INI code, one section per item code:
//
//   [0114]          ; hookload in kdaN from the station's tonnes-force
//   factor = 0.980665
//   offset = 0
//   enabled = yes
//
// Sections 0105 (date) and 0106 (time) take only "enabled". A missing file means every item as it is.

#include <array>
#include <optional>
#include <string>

namespace tools {

struct item_scaling {
    bool enabled = true;
    double factor = 1;
    double offset = 0;
};

struct wits_settings {
    std::array<item_scaling, 6> items; // file order, as wits_value_codes
    bool send_date = true;
    bool send_time = true;
};

struct settings_result {
    std::optional<wits_settings> settings;
    std::string error; // "<file>:<line>: <what is wrong>" or why the file cannot be read
};

// The settings in `path`; a missing file gives the defaults unless `must_exist`. Any line that is not a
// comment (; or #), a known section, or a known key with a valid value is an error naming the line.
settings_result load_wits_settings(const std::string& path, bool must_exist);

// The six values scaled, each disabled item left out.
std::array<std::optional<double>, 6> scaled_values(const wits_settings& settings, const std::array<float, 6>& raw);

// ${XDG_CONFIG_HOME:-~/.config}/Kalvemark/borevane_wits.ini; empty when the user has no home.
std::string default_wits_settings_path();

} // namespace tools
