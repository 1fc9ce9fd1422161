// Text files made in code that the tests write and the fuzzers start from: set definitions,
// Config.xml, a Wine prefix's system.reg and Steam's libraryfolders.vdf. Header only, so that
// tests of the lower layers can use them without the image libraries.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillon {

// One Channel element of a set definition.
inline std::string ChannelXml(const std::string& name, const std::string& file, int size = 0,
                              bool compressed = true, bool alpha = false) {
    return "<Channel Name=\"" + name + "\"><FileName>" + file +
           "</FileName><FileFormat>dds</FileFormat><Size>" + std::to_string(size) +
           "</Size><CompressTex>" + (compressed ? "1" : "0") + "</CompressTex><HasAlpha>" +
           (alpha ? "1" : "0") + "</HasAlpha></Channel>";
}

// One TextureSet element; each sub set is its name and its channels.
inline std::string SetXml(const std::string& name, const std::string& path,
                          const std::vector<std::pair<std::string, std::string>>& subSets) {
    std::string xml = "<TextureSet Name=\"" + name + "\"><Path>" + path + "</Path>";
    for (const auto& [subSet, channels] : subSets) {
        xml += "<SubSet Name=\"" + subSet + "\">" + channels + "</SubSet>";
    }
    return xml + "</TextureSet>";
}

// A Config.xml with a declaration and the given children of its root.
inline std::string ConfigXml(const std::string& children) {
    return "<?xml version=\"1.0\"?>\n<QuillonConfig>" + children + "</QuillonConfig>\n";
}

// A system.reg as Wine writes it, with the given keys after its header.
inline std::string WineRegistryText(const std::string& keys) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + keys;
}

// One key of a system.reg (its name escaped as Wine writes it: "\\" between the parts) with a
// value before the given value line.
inline std::string WineRegistryKey(const std::string& keyName, const std::string& valueLine) {
    return "[" + keyName + "] 1700000000\n#time=1d9a0c0ffee\n\"Other\"=dword:00000001\n" +
           valueLine + "\n\n";
}

// Steam's libraryfolders.vdf naming one library.
inline std::string SteamLibraryFoldersVdf(const std::string& library) {
    return "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + library + "\"\n\t}\n}\n";
}

} // namespace quillon
