// Pillow as the independent decoder of the imaging tests: files go to a temporary folder, one run
// of /usr/bin/python3 decodes them all, and the pixels come back as RGBA8, rows top-down.
#pragma once

#include "support/ProcessRunner.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// For each file, Pillow's pixels converted to RGBA (grey to R = G = B, no alpha to 255); empty
// where Pillow cannot read the file.
inline std::vector<std::vector<std::uint8_t>>
DecodeWithPillow(const std::vector<std::vector<std::uint8_t>>& files) {
    const TempFolder folder;
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteTextFile(folder / (std::to_string(i) + ".dds"),
                      std::string(files[i].begin(), files[i].end()));
    }
    const std::string script = "import os, sys\n"
                               "from PIL import Image\n"
                               "for name in os.listdir('.'):\n"
                               "    if name.endswith('.dds'):\n"
                               "        try:\n"
                               "            image = Image.open(name).convert('RGBA')\n"
                               "        except Exception as error:\n"
                               "            print(name, error, file=sys.stderr)\n"
                               "            continue\n"
                               "        open(name[:-4] + '.rgba', 'wb').write(image.tobytes())\n";
    RunProcess("/usr/bin/python3", {"-c", script}, folder.Path().string());
    std::vector<std::vector<std::uint8_t>> pixels;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = folder / (std::to_string(i) + ".rgba");
        const std::string bytes = std::filesystem::exists(path) ? ReadTextFile(path) : "";
        pixels.emplace_back(bytes.begin(), bytes.end());
    }
    return pixels;
}

} // namespace quillon
