// The image library in use: DevIL 1.7.8 as Debian ships it, with the mends this tool needs.
// Everything that touches DevIL's global state goes through here or through the engine. DevIL's
// binding and states are process-wide: single thread only. Pixel buffers crossing this
// interface are RGBA8, rows top-down, unless a comment says otherwise.
#pragma once

#include <IL/il.h>

#include <cstdint>
#include <string>

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
