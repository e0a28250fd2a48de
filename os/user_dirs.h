#pragma once
// The current user's own directories, and whether this process may create files in a directory.

#include <string>

namespace os {

// The base directory for the user's application data, with a trailing separator:
// ${XDG_DATA_HOME:-~/.local/share}/ on POSIX, %LOCALAPPDATA%\ on Windows. Empty when there is none.
std::string user_data_home();

#ifndef _WIN32
// ${XDG_CONFIG_HOME:-~/.config}, without a trailing separator; empty when the user has no home.
std::string user_config_home();
#endif

// True when this process can make files in `dir` (permissions, a read-only file system and access rules counted).
bool directory_writable(const std::string& dir);

} // namespace os
