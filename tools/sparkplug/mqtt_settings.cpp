#include "tools/sparkplug/mqtt_settings.h"

#include "library/cp1251.h"
#include "library/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace sparkplug {

std::string take_mqtt_setting(mqtt_settings& m, const std::string& key, const std::string& value,
                              bool with_primary_host) {
    std::string* into = key == "username"                            ? &m.username
                        : key == "password_file"                     ? &m.password_file
                        : key == "ca_file"                           ? &m.ca_file
                        : key == "primary_host" && with_primary_host ? &m.primary_host
                                                                     : nullptr;
    if (!into)
        return with_primary_host ? "unknown setting (username, password_file, ca_file, primary_host)"
                                 : "unknown setting (username, password_file, ca_file)";
    *into = value;
    return {};
}

mqtt_settings_result load_mqtt_settings(const std::string& path, bool must_exist) {
    mqtt_settings settings;
    lib::settings_rules rules;
    rules.known_section = [](const std::string& section) { return lib::to_lower_1251(section) == "mqtt"; };
    rules.unknown_section = "unknown section (mqtt)";
    rules.section_twice = "section given twice";
    rules.outside_section = "setting outside a section";
    rules.in_unknown = "setting of an unknown section";
    rules.apply = [&](const std::string&, const std::string& key, const std::string& value) {
        return take_mqtt_setting(settings, key, value, false);
    };
    mqtt_settings_result result;
    result.error = lib::read_settings_file(path, must_exist, rules);
    if (result.error.empty())
        result.settings = settings;
    return result;
}

std::optional<std::string> read_password_file(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "password file " + path + " cannot be read";
        return std::nullopt;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 || info.st_uid != ::getuid()) {
        error = "password file " + path + " must belong to this user and be readable by nobody else (chmod 600)";
        return std::nullopt;
    }
    std::ifstream in(path);
    std::string password;
    if (!in || !std::getline(in, password)) {
        error = "password file " + path + " cannot be read";
        return std::nullopt;
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

} // namespace sparkplug
