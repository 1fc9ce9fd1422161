#include "samples/SampleImages.h"

#include "platform/SafeWrite.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace quillon {

namespace {

// A small deterministic generator, so every run makes the same files.
struct Noise {
    std::uint32_t State;
    explicit Noise(std::uint32_t seed) : State(seed * 2654435761u + 1) {}
    // Uniform in [-1, 1].
    float Next() {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return static_cast<float>(State & 0xFFFF) / 32767.5f - 1.0f;
    }
};

std::uint8_t Clamp(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

struct Rgb {
    float R, G, B;
};

// The kind's smooth base colour at (u, v) in [0, 1], before noise and seam.
Rgb BaseColour(SampleKind kind, float u, float v) {
    const float pi = 3.14159265f;
    switch (kind) {
    case SampleKind::Skin: {
        const float cheek = 0.5f + 0.5f * std::sin(u * pi) * std::sin(v * pi);
        return {196 + 30 * cheek, 150 + 20 * cheek - 10 * v, 128 + 12 * cheek - 14 * v};
    }
    case SampleKind::Normal: {
        const float nx = 0.25f * std::sin(u * 6 * pi) * std::cos(v * 3 * pi);
        const float ny = 0.25f * std::cos(u * 4 * pi) * std::sin(v * 5 * pi);
        const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        return {127.5f + 127.5f * nx, 127.5f + 127.5f * ny, 127.5f + 127.5f * nz};
    }
    case SampleKind::Specular: {
        const float shine = 60 + 50 * std::sin(u * pi) * (0.6f + 0.4f * std::cos(v * 2 * pi));
        return {shine, shine, shine};
    }
    }
    return {0, 0, 0};
}

} // namespace

RgbaImage MakeSeamedTexture(SampleKind kind, int width, int height, int seamRow,
                            std::uint32_t seed) {
    RgbaImage image(width, height);
    Noise noise(seed);
    const float grain = kind == SampleKind::Normal ? 6.0f : 9.0f;
    for (int y = 0; y < height; ++y) {
        const float v = (y + 0.5f) / height;
        // Below the seam the neck is a shade off: the visible line the fix removes.
        const bool neck = y >= seamRow;
        const bool normal = kind == SampleKind::Normal;
        const float shiftR = neck ? (normal ? 40.0f : -34.0f) : 0.0f;
        const float shiftGB = neck ? (normal ? -30.0f : -34.0f) : 0.0f;
        for (int x = 0; x < width; ++x) {
            const Rgb c = BaseColour(kind, (x + 0.5f) / width, v);
            const float n = grain * noise.Next();
            std::uint8_t* p = image.At(x, y);
            p[0] = Clamp(c.R + shiftR + n);
            p[1] = Clamp(c.G + shiftGB + n);
            p[2] = Clamp(c.B + (normal ? 0 : shiftGB) + n);
            p[3] = kind == SampleKind::Normal ? Clamp(200 + 40 * std::sin(v * 9)) : 255;
        }
    }
    return image;
}

RgbaImage MakeSeamMod(SampleKind kind, int width, int height, int seamRow, int bandHalfHeight) {
    RgbaImage image(width, height);
    for (int y = 0; y < height; ++y) {
        const float distance = std::abs(y + 0.5f - seamRow) / std::max(1, bandHalfHeight);
        const float alpha = distance >= 1 ? 0.0f : 0.5f + 0.5f * std::cos(distance * 3.14159265f);
        for (int x = 0; x < width; ++x) {
            const Rgb c = BaseColour(kind, (x + 0.5f) / width, (y + 0.5f) / height);
            std::uint8_t* p = image.At(x, y);
            p[0] = Clamp(c.R);
            p[1] = Clamp(c.G);
            p[2] = Clamp(c.B);
            p[3] = Clamp(255 * alpha);
        }
    }
    return image;
}

RgbaImage MakeDecal(int width, int height, std::uint32_t rgb, std::uint32_t seed) {
    RgbaImage image(width, height);
    Noise noise(seed);
    const float cx = width * (0.4f + 0.2f * noise.Next()),
                cy = height * (0.5f + 0.2f * noise.Next());
    const float radius = 0.25f * std::min(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float d = std::hypot((x - cx) / radius, (y - cy) / (0.6f * radius));
            const float alpha = std::clamp(1.5f - d, 0.0f, 1.0f);
            std::uint8_t* p = image.At(x, y);
            p[0] = static_cast<std::uint8_t>(rgb >> 16);
            p[1] = static_cast<std::uint8_t>(rgb >> 8);
            p[2] = static_cast<std::uint8_t>(rgb);
            p[3] = Clamp(255 * alpha);
        }
    }
    return image;
}

namespace {

void PutBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// PackBits, the run-length coding of Photoshop files: a run of 2 to 128 equal bytes is written
// as (1 - length, byte), anything else as (length - 1, bytes...).
std::string PackBits(const std::string& row) {
    std::string packed;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i]) {
            ++run;
        }
        if (run >= 2) {
            packed += static_cast<char>(1 - static_cast<int>(run));
            packed += row[i];
            i += run;
            continue;
        }
        size_t literal = 1;
        while (i + literal < row.size() && literal < 128 &&
               !(i + literal + 1 < row.size() && row[i + literal] == row[i + literal + 1])) {
            ++literal;
        }
        packed += static_cast<char>(literal - 1);
        packed.append(row, i, literal);
        i += literal;
    }
    return packed;
}

} // namespace

std::string EncodePsd(const RgbaImage& image, int bitsPerChannel) {
    if (bitsPerChannel != 8 && bitsPerChannel != 16) {
        return {};
    }
    const int bytes = bitsPerChannel / 8;
    // The PackBits-coded rows of one channel (big-endian samples), and their byte counts.
    auto packChannel = [&](int channel, std::string& counts, std::string& rows) {
        for (int y = 0; y < image.Height; ++y) {
            std::string row;
            for (int x = 0; x < image.Width; ++x) {
                const std::uint8_t value = image.At(x, y)[channel];
                PutBigEndian(row, bytes == 1 ? value : value * 257u, bytes);
            }
            const std::string packed = PackBits(row);
            PutBigEndian(counts, static_cast<std::uint32_t>(packed.size()), 2);
            rows += packed;
        }
    };

    std::string data = "8BPS";
    PutBigEndian(data, 1, 2); // version
    data.append(6, '\0');     // reserved
    PutBigEndian(data, 4, 2); // channels: R, G, B and alpha
    PutBigEndian(data, static_cast<std::uint32_t>(image.Height), 4);
    PutBigEndian(data, static_cast<std::uint32_t>(image.Width), 4);
    PutBigEndian(data, static_cast<std::uint32_t>(bitsPerChannel), 2);
    PutBigEndian(data, 3, 2); // colour mode RGB
    PutBigEndian(data, 0, 4); // no colour mode data
    PutBigEndian(data, 0, 4); // no image resources

    // One layer holding the picture. The negative layer count says, as image editors write it,
    // that the merged image's fourth channel is its transparency, not an extra mask channel.
    std::string channels;
    std::string records;
    PutBigEndian(records, static_cast<std::uint16_t>(-1), 2);
    PutBigEndian(records, 0, 4); // top, left, bottom, right
    PutBigEndian(records, 0, 4);
    PutBigEndian(records, static_cast<std::uint32_t>(image.Height), 4);
    PutBigEndian(records, static_cast<std::uint32_t>(image.Width), 4);
    PutBigEndian(records, 4, 2);
    for (const int id : {-1, 0, 1, 2}) { // transparency, red, green, blue
        std::string counts, rows;
        packChannel(id < 0 ? 3 : id, counts, rows);
        std::string channel;
        PutBigEndian(channel, 1, 2); // PackBits
        channel += counts + rows;
        PutBigEndian(records, static_cast<std::uint16_t>(id), 2);
        PutBigEndian(records, static_cast<std::uint32_t>(channel.size()), 4);
        channels += channel;
    }
    records += "8BIMnorm";
    records += std::string("\xFF\0\0\0", 4); // opacity, clipping, flags, filler
    PutBigEndian(records, 12, 4);            // extra data: mask, blending ranges, name
    PutBigEndian(records, 0, 4);
    PutBigEndian(records, 0, 4);
    records += std::string("\x02L1\0", 4); // name, padded to four bytes
    std::string layers = records + channels;
    if (layers.size() % 2 != 0) {
        layers += '\0';
    }
    PutBigEndian(data, static_cast<std::uint32_t>(4 + layers.size() + 4), 4);
    PutBigEndian(data, static_cast<std::uint32_t>(layers.size()), 4);
    data += layers;
    PutBigEndian(data, 0, 4); // no global layer mask

    // The merged image: every channel's row counts first, then every channel's rows.
    std::string counts, rows;
    for (int channel = 0; channel < 4; ++channel) {
        packChannel(channel, counts, rows);
    }
    PutBigEndian(data, 1, 2); // PackBits
    data += counts + rows;
    return data;
}

bool WritePsd(const std::string& nativePath, const RgbaImage& image, int bitsPerChannel) {
    const std::string data = EncodePsd(image, bitsPerChannel);
    if (data.empty()) {
        return false;
    }
    return WriteFileSafely(nativePath, [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        return static_cast<bool>(out.flush());
    });
}

namespace {

// The file header of a Photoshop file without colour mode data, image resources or layers.
std::string PsdHeader(int width, int height, int channels, int depth) {
    std::string file = "8BPS";
    PutBigEndian(file, 1, 2); // version
    file.append(6, '\0');     // reserved
    PutBigEndian(file, static_cast<std::uint32_t>(channels), 2);
    PutBigEndian(file, static_cast<std::uint32_t>(height), 4);
    PutBigEndian(file, static_cast<std::uint32_t>(width), 4);
    PutBigEndian(file, static_cast<std::uint32_t>(depth), 2);
    PutBigEndian(file, channels >= 3 ? 3 : 1, 2); // colour mode RGB or grey
    file.append(12, '\0');                        // no colour mode data, image resources or layers
    return file;
}

} // namespace

std::string MakeRawPsd(int width, int height, int channels, int depth,
                       const std::vector<std::uint32_t>& samples) {
    std::string file = PsdHeader(width, height, channels, depth);
    PutBigEndian(file, 0, 2); // raw rows
    for (const std::uint32_t sample : samples) {
        PutBigEndian(file, sample, depth / 8);
    }
    return file;
}

std::string MakeGreyPsd(int width, int height, int depth) {
    std::string file = PsdHeader(width, height, 1, depth);
    PutBigEndian(file, 1, 2); // PackBits
    std::string counts, rows;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t level = 255u * static_cast<std::uint32_t>(y) /
                                    static_cast<std::uint32_t>(std::max(1, height - 1));
        const std::uint32_t value = depth == 16 ? level * 257 : level;
        std::string row;
        for (int x = 0; x < width; ++x) {
            PutBigEndian(row, value, depth / 8);
        }
        const std::string packed = PackBits(row);
        PutBigEndian(counts, static_cast<std::uint32_t>(packed.size()), 2);
        rows += packed;
    }
    return file + counts + rows;
}

} // namespace quillon
