// The Wine registry reader and the Steam library list parser on the same text.
#include "platform/Registry.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const quillon::GameEdition& edition : quillon::GameEditions) {
        quillon::ReadInstalledPathFromWineRegistryText(text, edition);
    }
    quillon::ParseSteamLibraryFolders(std::string(text));
    return 0;
}
