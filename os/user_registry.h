#pragma once
// String values of the current user's registry. On Windows a key under HKEY_CURRENT_USER;
// elsewhere "Software\<Org>\<App>" maps to ${XDG_CONFIG_HOME:-~/.config}/<Org>/<App>.conf,
// group [General], in the format that QSettings("<Org>", "<App>") reads.

#include <optional>
#include <string>

namespace os {

// Creates the key if missing. Returns false if the key or the value cannot be written.
bool write_user_string(const std::string& key, const std::string& value_name, const std::string& value);

std::optional<std::string> read_user_string(const std::string& key, const std::string& value_name);

#ifndef _WIN32
// The file that holds `key`; empty when the key has no such file.
std::string user_registry_file(const std::string& key);
#endif

} // namespace os
