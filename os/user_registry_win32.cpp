#include "os/user_registry.h"

#include <vector>
#include <windows.h>

namespace os {

bool write_user_string(const std::string& key, const std::string& value_name, const std::string& value) {
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &hkey, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(hkey, value_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hkey);
    return rc == ERROR_SUCCESS;
}

std::optional<std::string> read_user_string(const std::string& key, const std::string& value_name) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> result;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(hkey, value_name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<char> buf(size + 1, '\0');
        if (RegQueryValueExA(hkey, value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) ==
            ERROR_SUCCESS) {
            std::string text(buf.data(), size);
            // The stored size counts the terminator when the writer included it.
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            result = text;
        }
    }
    RegCloseKey(hkey);
    return result;
}

} // namespace os
