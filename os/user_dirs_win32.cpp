#include "os/user_dirs.h"

#include <cstdlib>
#include <windows.h>

namespace os {

std::string user_data_home() {
    for (const char* variable : {"LOCALAPPDATA", "APPDATA"}) {
        const char* value = std::getenv(variable);
        if (value && value[0]) {
            std::string dir = value;
            if (dir.back() != '\\' && dir.back() != '/')
                dir += '\\';
            return dir;
        }
    }
    return {};
}

bool directory_writable(const std::string& dir) {
    if (dir.empty())
        return false;
    // Access rules on Windows are too varied to compute: a file made and dropped again answers for them.
    std::string probe = dir;
    if (probe.back() != '\\' && probe.back() != '/')
        probe += '\\';
    probe += "Borevane-write-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

} // namespace os
