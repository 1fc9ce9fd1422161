// The configuration reader on a Config.xml holding the input.
#include "FuzzFolder.h"
#include "workflow/Configuration.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::WriteFuzzInput("Config.xml", data, size);
    quillon::Settings settings;
    bool headless = false;
    const quillon::InFuzzFolder inFolder;
    quillon::ReadConfiguration(settings, headless,
                               [] { return std::optional<std::string>("C:\\Games\\Skyrim\\"); });
    return 0;
}
