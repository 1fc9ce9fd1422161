// The image library in use: DevIL 1.7.8 as Debian ships it, with the mends this tool needs.
// Everything that touches DevIL's global state goes through here or through the engine. DevIL's
// binding and states are process-wide: single thread only. Pixel buffers crossing this
// interface are RGBA8, rows top-down, unless a comment says otherwise.
#pragma once

#include <IL/il.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// States of our own that DevIL does not define; EnableState accepts them without leaving an
// error pending.
constexpr ILenum STATE_NO_STRIP_PREMULT_ALPHA = 0x0634; // read DXT2/DXT4 colours as stored
constexpr ILenum STATE_MATTE_DEFAULT = 0x0637; // previews lay transparency over the window colour
constexpr ILenum STATE_MATTE_BLACK = 0x0638;   // previews lay transparency over black

// ilInit and iluInit; safe to call more than once.
void InitialiseImageLibrary();

// Generates one image name and binds it. Errors left pending by earlier calls are cleared first,
// so that only a failure of this creation counts. The name when the creation is good, else 0
// (the new image then stays bound all the same).
ILuint CreateImage();

// ilEnable for DevIL's states; records our own states instead of passing them on.
void EnableState(ILenum state);
bool IsStateEnabled(ILenum state);

// The matte that previews use: black once STATE_MATTE_BLACK was enabled after (or without)
// STATE_MATTE_DEFAULT; the later of the two wins.
bool MatteIsBlack();

// The light matte that previews use while STATE_MATTE_DEFAULT is in force: the window's
// background colour, 0xRRGGBB. The window sets it from its palette; 0xF0F0F0 until then.
void SetDefaultMatteColour(std::uint32_t rgb);
std::uint32_t DefaultMatteColour();

// Reads a file into the bound image; true on success. The file is read once into memory. The
// reader is chosen by the extension as DevIL does, else by the content. Every DDS is read by
// DdsReader.h (DXT2 and DXT4 colours are divided by alpha unless STATE_NO_STRIP_PREMULT_ALPHA is
// enabled; formats without alpha become RGB images) and every PSD by PsdReader.h; both check the
// file before they allocate. Everything else is DevIL's.
bool LoadImageFile(const std::string& nativePath);

// Width, height and whether the bound image has an alpha channel.
int BoundImageWidth();
int BoundImageHeight();
bool BoundImageHasAlpha();

// The bound image's pixels as they look, whatever its format, type and origin.
std::vector<std::uint8_t> CopyBoundImagePixels();

// Gives the bound image these pixels (width x height, at least 1 x 1), stored upper-left first.
bool SetBoundImagePixels(int width, int height, const std::uint8_t* rgba);

// Rescales the bound image in place to width x height with the B-spline filter (Resample.h);
// it becomes 8-bit RGBA, upper-left first.
bool ScaleBoundImage(int width, int height);

} // namespace quillon
