#include "os/atomic_file.h"

namespace os {

bool replace_file_atomically(const std::string& path, const void* data, std::size_t size) {
    return detail::replace_file(path, data, size, true);
}

bool replace_file_atomically_unsynced(const std::string& path, const void* data, std::size_t size) {
    return detail::replace_file(path, data, size, false);
}

} // namespace os
