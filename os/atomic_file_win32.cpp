#include "os/atomic_file.h"

#include <windows.h>

namespace os {
namespace {

bool write_all(HANDLE h, const void* data, std::size_t size) {
    DWORD written = 0;
    return WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// Where no temporary can be made beside the file, the file is overwritten in place: not atomic,
// but the settings can still be saved.
bool rewrite_in_place(const std::string& path, const void* data, std::size_t size, bool sync) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = write_all(h, data, size) && SetEndOfFile(h) && (!sync || FlushFileBuffers(h));
    return CloseHandle(h) && ok;
}

} // namespace

bool detail::replace_file(const std::string& path, const void* data, std::size_t size, bool sync) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;

    const std::string temp =
        path + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetCurrentThreadId()) + ".tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (exists && GetLastError() == ERROR_ACCESS_DENIED)
            return rewrite_in_place(path, data, size, sync);
        return false;
    }
    bool ok = write_all(h, data, size) && (!sync || FlushFileBuffers(h));
    ok = CloseHandle(h) && ok;
    // The old file's attributes (hidden, system, archive, ...) go onto the new contents before the
    // move, so they are kept in the same step. ReplaceFileA would keep them too, but under Wine it
    // does not, and it leaves a file of its own behind when it fails.
    constexpr DWORD kept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && exists && (attributes & kept) != 0)
        ok = SetFileAttributesA(temp.c_str(), attributes & kept) != 0;
    if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | (sync ? MOVEFILE_WRITE_THROUGH : 0)))
        return true;
    DeleteFileA(temp.c_str());
    return false;
}

} // namespace os
