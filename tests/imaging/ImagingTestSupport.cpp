#include "imaging/ImagingTestSupport.h"

#include "imaging/ImageLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

Picture Uniform(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                std::uint8_t a) {
    Picture p(width, height);
    for (int i = 0; i < width * height; ++i) {
        std::copy_n(std::initializer_list<std::uint8_t>{r, g, b, a}.begin(), 4, &p.Pixels[i * 4u]);
    }
    return p;
}

Picture Photo(int width, int height, unsigned seed) {
    Picture p(width, height);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = p.At(x, y);
            for (int c = 0; c < 3; ++c) {
                const double v = 128 + 80 * std::sin((x * (c + 1) + y * (3 - c)) * 6.0 / width) +
                                 30 * std::cos((x - y) * 4.0 / height) + noise(random);
                px[c] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
            px[3] = static_cast<std::uint8_t>((x + y) * 255 / std::max(1, width + height - 2));
        }
    }
    return p;
}

void WriteWithDevil(const std::string& nativePath, const Picture& picture, ILenum format,
                    ILenum origin) {
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    SetBoundImagePixels(picture.Width, picture.Height, picture.Pixels.data());
    if (origin == IL_ORIGIN_LOWER_LEFT) {
        // Same look, rows stored bottom-up.
        std::vector<std::uint8_t> flipped(picture.Pixels.size());
        const std::size_t row = static_cast<std::size_t>(picture.Width) * 4;
        for (int y = 0; y < picture.Height; ++y) {
            std::copy_n(&picture.Pixels[y * row], row, &flipped[(picture.Height - 1 - y) * row]);
        }
        ilTexImage(picture.Width, picture.Height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, flipped.data());
        ilRegisterOrigin(IL_ORIGIN_LOWER_LEFT);
    }
    if (format == IL_RGB) {
        ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    }
    ilEnable(IL_FILE_OVERWRITE);
    ilSaveImage(nativePath.c_str());
    ilDeleteImages(1, &image);
}

namespace {

void PutBE16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void PutBE32(std::vector<std::uint8_t>& out, unsigned v) {
    PutBE16(out, v >> 16);
    PutBE16(out, v & 0xFFFF);
}

} // namespace

std::vector<std::uint8_t> MakePsd(const Picture& picture, int channels, int depth) {
    std::vector<std::uint8_t> out{'8', 'B', 'P', 'S'};
    PutBE16(out, 1);
    out.insert(out.end(), 6, 0);
    PutBE16(out, channels);
    PutBE32(out, picture.Height);
    PutBE32(out, picture.Width);
    PutBE16(out, depth);
    PutBE16(out, channels >= 3 ? 3 : 1);
    PutBE32(out, 0); // colour mode data
    PutBE32(out, 0); // image resources
    PutBE32(out, 0); // layers
    PutBE16(out, 0); // raw rows
    for (int c = 0; c < channels; ++c) {
        const int source = channels >= 3 ? c : (c == 0 ? 0 : 3); // grayscale takes red
        for (int y = 0; y < picture.Height; ++y) {
            for (int x = 0; x < picture.Width; ++x) {
                const std::uint8_t v = picture.At(x, y)[source];
                out.push_back(v);
                if (depth == 16) {
                    out.push_back(v); // v * 257: the same value at 16 bits
                }
            }
        }
    }
    return out;
}

void WriteBytes(const std::string& nativePath, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(nativePath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Picture BoundPicture() {
    Picture picture(BoundImageWidth(), BoundImageHeight());
    picture.Pixels = CopyBoundImagePixels();
    return picture;
}

double Psnr(const Picture& a, const Picture& b, int channels) {
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); i += 4) {
        for (int c = 0; c < channels; ++c) {
            const double d = double(a.Pixels[i + c]) - b.Pixels[i + c];
            sum += d * d;
            ++count;
        }
    }
    return sum == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * count / sum);
}

int MaxDifference(const Picture& a, const Picture& b, int channels) {
    int worst = a.Pixels.size() == b.Pixels.size() ? 0 : 256;
    for (std::size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); i += 4) {
        for (int c = 0; c < channels; ++c) {
            worst = std::max(worst, std::abs(int(a.Pixels[i + c]) - int(b.Pixels[i + c])));
        }
    }
    return worst;
}

std::string RunCommand(const std::string& command, bool& ok) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ok = false;
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ok = pclose(pipe) == 0;
    return ok ? output : std::string();
}

bool ToolExists(const std::string& tool) {
    bool ok = false;
    RunCommand("command -v " + tool + " >/dev/null 2>&1", ok);
    return ok;
}
