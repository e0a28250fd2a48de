#include "os/exe_dir.h"

#include <vector>
#include <windows.h>

namespace os {

std::string executable_dir() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size()) {
            const std::string path(buf.data(), n);
            const auto slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buf.resize(buf.size() * 2); // truncated: the result filled the buffer
    }
}

} // namespace os
