// The set-definition loader on one file SetDefs/fuzz.xml holding the input, then every query of
// the catalogue it filled.
#include "FuzzFolder.h"
#include "catalogue/BlendEngine.h"

#include <filesystem>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    std::filesystem::create_directory(quillon::FuzzFolder().Path / "SetDefs");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::WriteFuzzInput("SetDefs/fuzz.xml", data, size);
    quillon::BlendEngine engine;
    {
        const quillon::InFuzzFolder inFolder;
        engine.LoadSetDefinitions();
    }
    std::vector<std::string> sets, channels, subSets;
    engine.GetTextureSetNames(sets);
    for (const std::string& set : sets) {
        engine.GetChannelNames(channels, set);
        for (const std::string& channel : channels) {
            engine.GetSubSetNames(subSets, set, channel);
            for (const std::string& subSet : subSets) {
                // Looked up only for the reads they make; the fuzzer checks memory, not values.
                static_cast<void>(engine.GetTexturePath(set, channel, subSet));
                static_cast<void>(engine.GetTextureSize(set, channel, subSet));
                engine.FindTextureSet(set)->GetCompression(channel, subSet);
            }
        }
    }
    return 0;
}
