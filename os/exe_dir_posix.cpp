#include "os/exe_dir.h"

#include <unistd.h>
#include <vector>

namespace os {

std::string executable_dir() {
    std::vector<char> buf(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            const std::string path(buf.data(), static_cast<std::size_t>(n));
            return path.substr(0, path.rfind('/') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

} // namespace os
