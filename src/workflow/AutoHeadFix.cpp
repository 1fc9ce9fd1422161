// The headless head/neck seam fix: three fixed library textures blended over every installed head
// texture the set "Head" declares, each result written to the output folder. The first failure
// ends the job with its message and code.
#include "app/Application.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <iostream>
#include <vector>

namespace quillon {

namespace {

struct HeadFixRow {
    const char* Channel;
    const char* ModFile;
    const char* ModFailure;
    const char* SourceFailure; // the caption; the text is the path that failed
    const char* CompositeFailure;
    const char* SaveFailure;
};

// In the order they run. Row i fails with codes 4i+1 (mod), 4i+2 (source), 4i+3 (composite),
// 4i+4 (save).
const HeadFixRow HeadFixRows[] = {
    {"Color", "Library\\Head\\Color\\KORAv3_HeadNeckBlendColor.psd",
     "Failed to open Color Mod Image", "Failed to open Color Source",
     "Failed to generate color composite", "Failed to save Color output file"},
    {"Normal", "Library\\Head\\Normal\\KORAv3_HeadNeckBlend.psd", "Failed to open Normal Mod Image",
     "Failed to open Normal map Source", "Failed to generate Normal map composite",
     "Failed to save Normal map output file"},
    {"Specular", "Library\\Head\\Specular\\VelloranHeadSpecBlend.psd",
     "Failed to open Specular Mod Image", "Failed to open Specular Source",
     "Failed to generate specular map composite", "Failed to save specular map output file"},
};

AutoHeadFixResult Fail(const std::string& text, const std::string& caption,
                       AutoHeadFixResult code) {
    ShowMessageBox({text, caption, msgbox::MB_OK, false});
    return code;
}

} // namespace

AutoHeadFixResult Application::RunAutoHeadFix() {
    SetName = "Head";
    TypeName = "Color";
    std::vector<std::string> subSets;
    AutoHeadFixResult base = 0;
    for (const HeadFixRow& row : HeadFixRows) {
        TypeName = row.Channel;
        if (Engine->LoadTexture("Mod", row.ModFile, true) == 0) {
            return Fail(row.ModFailure, "Error", base + 1);
        }
        Engine->GetSubSetNames(subSets, SetName, TypeName);
        for (const std::string& subSet : subSets) {
            const std::string source =
                Config.Get("SkyrimDataPath") + Engine->GetTexturePath(SetName, TypeName, subSet);
            if (Engine->LoadTexture("Source", source, true) == 0) {
                return Fail(DisplayPath(source), row.SourceFailure, base + 2);
            }
            const std::int32_t size = Engine->GetTextureSize(SetName, TypeName, subSet);
            if (!Engine->CompositeTextures("Source", "Mod", "Final", size)) {
                return Fail(row.CompositeFailure, "Error", base + 3);
            }
            const std::string outFolder = Config.Get("SkyrimOutPath");
            if (!Engine->SaveTexture("Final", outFolder, SetName, TypeName, subSet)) {
                return Fail(row.SaveFailure, "Error", base + 4);
            }
            // Progress for a terminal: the texture just written.
            std::cout << ResolvePath(outFolder + Engine->GetTexturePath(SetName, TypeName, subSet))
                      << std::endl;
        }
        base += 4;
    }
    ShowMessageBox({"Automatic Neck Seam fix Successful!", "Velloran's Quillon",
                    msgbox::MB_ICONINFORMATION, false});
    return 0;
}

} // namespace quillon
