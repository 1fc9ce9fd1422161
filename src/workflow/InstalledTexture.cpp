#include "workflow/InstalledTexture.h"

#include "imaging/DdsFormat.h"
#include "imaging/ImageFile.h"
#include "platform/Paths.h"

namespace quillon {

namespace {

// Tries the candidates in order: `read` gives true when it got what it needed, false with a
// reason when an archive's data was damaged; a loose file ends the walk either way.
template <typename Read>
bool WalkCandidates(const InstalledTexture& texture, InstalledRead& outcome, Read read) {
    for (const GameFile& file : texture.Candidates) {
        std::string reason;
        if (read(file, reason)) {
            outcome.From = &file;
            return true;
        }
        if (file.Kind != OriginKind::Archive) {
            return false; // a damaged loose file is what the game loads: no other counts
        }
        outcome.Skipped.push_back("Damaged archive " + DisplayPath(file.NativePath) + ": " +
                                  texture.Relative + ": " + reason +
                                  "; the next place that holds it is used");
    }
    outcome.Reason =
        texture.Candidates.empty() ? texture.Missing : "No archive that holds it could be read.";
    return false;
}

} // namespace

InstalledTexture FindInstalledTexture(GameFiles& game, const std::string& dataFolder,
                                      const std::string& relative) {
    InstalledTexture texture;
    texture.Relative = relative;
    texture.TriedPath = dataFolder + relative;
    texture.Candidates = game.SourceCandidates(relative);
    if (texture.Candidates.empty()) {
        texture.Missing = game.HasModOrganizer()
                              ? "No enabled mod, the data folder or a loaded archive holds it."
                              : "Neither the data folder nor a loaded archive holds it.";
    }
    return texture;
}

bool ReadInstalledTexture(const InstalledTexture& texture, bool stripPremultipliedAlpha,
                          RgbaImage& image, SourceBlocks* blocks, InstalledRead& read) {
    read = InstalledRead();
    return WalkCandidates(
               texture, read,
               [&](const GameFile& file, std::string& reason) {
                   if (file.Kind != OriginKind::Archive) {
                       const Outcome loaded =
                           ReadImageFile(file.NativePath, stripPremultipliedAlpha, image, blocks);
                       if (!loaded) {
                           read.Reason = loaded.Why().Text;
                       }
                       return static_cast<bool>(loaded);
                   }
                   std::vector<std::uint8_t> bytes;
                   if (!GameFiles::ReadArchived(file, texture.Relative, bytes, reason)) {
                       return false;
                   }
                   // Data that comes out whole but is no image is the texture's fault,
                   // not the archive's.
                   reason.clear();
                   if (const Outcome loaded = ReadImageBytes(
                           bytes, texture.Relative, stripPremultipliedAlpha, image, blocks);
                       !loaded) {
                       read.Reason = "The file in " + file.Name +
                                     " is not an image Quillon reads: " + loaded.Why().Text;
                       read.From = &file;
                   }
                   return true;
               }) &&
           read.Reason.empty();
}

int InstalledLevelCount(const InstalledTexture& texture) {
    int levels = 0;
    InstalledRead read;
    WalkCandidates(texture, read, [&](const GameFile& file, std::string& reason) {
        if (file.Kind != OriginKind::Archive) {
            levels = TextureLevelCount(file.NativePath);
            return true;
        }
        std::vector<std::uint8_t> bytes;
        if (!GameFiles::ReadArchived(file, texture.Relative, bytes, reason, DDS_FILE_HEADER_SIZE)) {
            return false;
        }
        levels = DdsLevelCount(bytes.data(), bytes.size());
        if (levels == 0 && GameFiles::ReadArchived(file, texture.Relative, bytes, reason)) {
            RgbaImage image;
            levels = ReadImageBytes(bytes, texture.Relative, true, image) ? 1 : 0;
        }
        return true;
    });
    return levels;
}

std::string SourceOriginLine(const InstalledTexture& texture, const InstalledRead& read) {
    if (read.From == nullptr || read.From->Kind == OriginKind::DataFolder) {
        return {};
    }
    return "Source " + texture.Relative + " from " + DescribeOrigin(*read.From);
}

} // namespace quillon
