#include "acquisition/core/data_dir.h"

#include "os/user_dirs.h"

#include <filesystem>
#include <system_error>

const char* const installation_marker = "../share/borevane/installed";

namespace {

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

bool is_installation(const std::string& exe_dir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(exe_dir) / installation_marker, ec);
}

} // namespace

std::string choose_data_dir(const std::string& exe_dir) {
    if (!exe_dir.empty() && !is_installation(exe_dir) && os::directory_writable(exe_dir))
        return exe_dir;
    const std::string home = os::user_data_home();
    if (home.empty())
        return exe_dir;
    const std::string dir = home + "Kalvemark" + separator + "Borevane" + separator;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}
