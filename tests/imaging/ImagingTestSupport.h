// Images made in code for the imaging tests, and ways to put them into files and read them
// back. Pixels are RGBA8, rows top-down.
#pragma once

#include "samples/SampleImages.h"

#include <IL/il.h>

#include <cstdint>
#include <string>
#include <vector>

// The samples' image type: RGBA8, rows top-down.
using Picture = RgbaImage;

// Every pixel the same.
Picture Uniform(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                std::uint8_t a);
// Smooth gradients plus fine noise, alpha a ramp; no two rows alike.
Picture Photo(int width, int height, unsigned seed = 1);

// Writes with DevIL's writer for the extension (png, tga, ...), from an image of this format
// (IL_RGBA or IL_RGB) stored with this origin.
void WriteWithDevil(const std::string& nativePath, const Picture& picture, ILenum format,
                    ILenum origin);
// A PSD of one merged image, raw rows: RGB (channels 3 or 4) or grayscale (1 or 2), 8 or 16
// bits.
std::vector<std::uint8_t> MakePsd(const Picture& picture, int channels, int depth);
void WriteBytes(const std::string& nativePath, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& nativePath);

// The bound image as it looks, via the library layer.
Picture BoundPicture();

double Psnr(const Picture& a, const Picture& b, int channels);
int MaxDifference(const Picture& a, const Picture& b, int channels);

// Runs a shell command; its standard output, or "" with ok false when it fails.
std::string RunCommand(const std::string& command, bool& ok);
bool ToolExists(const std::string& tool);
