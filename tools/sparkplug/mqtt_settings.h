#pragma once
// How a program of the project logs in to its MQTT broker: the [mqtt] section of its settings file (user name, a
// password file readable only by its owner, the CA of a TLS broker). The edge node and the fleet view read them with
// the same rules and words.

#include <optional>
#include <string>

namespace sparkplug {

struct mqtt_settings {
    std::string username;
    std::string password_file;
    std::string ca_file;
    std::string primary_host; // the edge node's only
};

// Takes one key of an [mqtt] section (primary_host only when `with_primary_host`); returns what is wrong, empty
// when taken.
std::string take_mqtt_setting(mqtt_settings& m, const std::string& key, const std::string& value,
                              bool with_primary_host);

struct mqtt_settings_result {
    std::optional<mqtt_settings> settings;
    std::string error; // as lib::read_settings_file words it
};

// A settings file holding an [mqtt] section alone (username, password_file, ca_file).
mqtt_settings_result load_mqtt_settings(const std::string& path, bool must_exist);

// The password in `path` (its first line), refused when the file can be read by anyone but its owner, so that
// a secret shared by mistake is noticed. Sets `error` and gives nothing on failure.
std::optional<std::string> read_password_file(const std::string& path, std::string& error);

} // namespace sparkplug
