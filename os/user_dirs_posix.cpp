#include "os/user_dirs.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace os {

namespace {

std::string home_dir() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : std::string();
}

// An XDG base directory: the variable when it holds an absolute path (the only kind the XDG rules accept),
// else the fallback under the home directory.
std::string xdg_dir(const char* variable, const char* under_home) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    const std::string home = home_dir();
    return home.empty() ? std::string() : home + under_home;
}

} // namespace

std::string user_data_home() {
    const std::string dir = xdg_dir("XDG_DATA_HOME", "/.local/share");
    return dir.empty() ? dir : dir + "/";
}

std::string user_config_home() {
    return xdg_dir("XDG_CONFIG_HOME", "/.config");
}

bool directory_writable(const std::string& dir) {
    // The effective identity decides, as it does for the files made there.
    return !dir.empty() && ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace os
