#include "platform/Registry.h"

#include <cstring>
#include <windows.h>

namespace quillon {

namespace {

std::optional<std::string> ReadEditionInstalledPath(const GameEdition& edition) {
    const std::string keyName = std::string("SOFTWARE\\") + edition.Key;
    HKEY key = nullptr;
    // Both keys live in the registry's 32-bit view: the original edition is a 32-bit program, and
    // Steam, itself 32-bit, writes the Special Edition's.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS) {
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

} // namespace

std::optional<std::string> ReadGameInstalledPath() {
    for (const GameEdition& edition : GameEditions) {
        if (auto path = ReadEditionInstalledPath(edition)) {
            return path;
        }
    }
    return std::nullopt;
}

} // namespace quillon
