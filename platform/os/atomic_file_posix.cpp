#include "platform/os/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {
namespace {

bool write_all(int fd, const void* data, std::size_t size) {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool detail::replace_file(const std::string& path, const void* data, std::size_t size, bool sync) {
    std::string templ = path + ".XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0644) == 0 && write_all(fd, data, size) && (!sync || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(name.data(), path.c_str()) == 0)
        return true;
    ::unlink(name.data());
    return false;
}

} // namespace os
