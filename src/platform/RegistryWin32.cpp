#include "platform/Registry.h"

#include <cstring>
#include <windows.h>

namespace quillon {

std::optional<std::string> ReadGameInstalledPath() {
    HKEY key = nullptr;
    // The game is a 32-bit program: its key lives in the registry's 32-bit view.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bethesda Softworks\\Skyrim", 0,
                      KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, "Installed Path", nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    const size_t length = strnlen(buffer, size);
    if (length == sizeof buffer) {
        return std::nullopt; // fills the buffer with no terminating NUL: not a readable folder
    }
    return std::string(buffer, length);
}

} // namespace quillon
