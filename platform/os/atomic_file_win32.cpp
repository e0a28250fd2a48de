#include "platform/os/atomic_file.h"

#include <windows.h>

namespace os {

bool detail::replace_file(const std::string& path, const void* data, std::size_t size, bool sync) {
    const std::string temp =
        path + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetCurrentThreadId()) + ".tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size &&
              (!sync || FlushFileBuffers(h));
    ok = CloseHandle(h) && ok;
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (sync ? MOVEFILE_WRITE_THROUGH : 0);
    if (ok && MoveFileExA(temp.c_str(), path.c_str(), flags))
        return true;
    DeleteFileA(temp.c_str());
    return false;
}

} // namespace os
