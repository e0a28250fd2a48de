#include "acquisition/core/install_dir.h"

#include "os/user_registry.h"

namespace {

const char* const install_key = "Software\\Kalvemark\\Borevane";
const char* const install_value = "Install_Dir";

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

} // namespace

bool publish_install_dir(const std::string& exe_dir) {
    std::string dir = exe_dir;
    if (dir.empty() || (dir.back() != separator && dir.back() != '/'))
        dir += separator;
    // Already there (every start but the first): nothing is rewritten, so a start costs no durable write.
    if (read_install_dir() == dir)
        return true;
    return os::write_user_string(install_key, install_value, dir);
}

std::optional<std::string> read_install_dir() {
    return os::read_user_string(install_key, install_value);
}
