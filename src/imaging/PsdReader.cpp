#include "imaging/PsdReader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace quillon {

namespace {

// Photoshop file constants, named as the format names them.
constexpr std::uint16_t PsdVersion = 1;     // PSD
constexpr std::uint16_t PsbVersion = 2;     // large document: wider length fields
constexpr std::uint16_t ModeGrayscale = 1;  // colour mode: grey
constexpr std::uint16_t ModeRgb = 3;        // colour mode: RGB
constexpr std::uint16_t CompressionRaw = 0; // image data: uncompressed
constexpr std::uint16_t CompressionRle = 1; // image data: PackBits rows
constexpr std::uint16_t MaxChannels = 56;   // what Photoshop allows

class Cursor {
public:
    Cursor(const std::uint8_t* data, size_t size) : Data(data), Size(size) {}
    bool Read(std::uint64_t& value, int bytes) {
        if (Remaining() < static_cast<size_t>(bytes)) {
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = (value << 8) | Data[Position++];
        }
        return true;
    }
    bool Skip(std::uint64_t bytes) {
        if (Remaining() < bytes) {
            return false;
        }
        Position += static_cast<size_t>(bytes);
        return true;
    }
    size_t Remaining() const { return Size - Position; }
    const std::uint8_t* Here() const { return Data + Position; }

private:
    const std::uint8_t* Data;
    size_t Size;
    size_t Position = 0;
};

// Unpacks one PackBits row into exactly `out.size()` bytes. False when the row is malformed.
bool UnpackRow(const std::uint8_t* in, size_t inSize, std::vector<std::uint8_t>& out) {
    size_t i = 0, o = 0;
    while (o < out.size()) {
        if (i >= inSize) {
            return false;
        }
        const int header = static_cast<std::int8_t>(in[i++]);
        if (header >= 0) {
            const size_t count = static_cast<size_t>(header) + 1;
            if (i + count > inSize || o + count > out.size()) {
                return false;
            }
            std::copy(in + i, in + i + count, out.begin() + static_cast<std::ptrdiff_t>(o));
            i += count;
            o += count;
        } else if (header != -128) { // -128 is a no-op
            const size_t count = static_cast<size_t>(1 - header);
            if (i >= inSize || o + count > out.size()) {
                return false;
            }
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(o), count, in[i++]);
            o += count;
        }
    }
    return true;
}

} // namespace

namespace {

std::string Named(std::uint64_t value, const char* what) {
    return std::to_string(value) + " " + what;
}

Outcome Decode(const std::uint8_t* data, size_t size, RgbaImage& image) {
    Cursor cursor(data, size);
    std::uint64_t signature, version, channels, height, width, depth, mode, length;
    if (!cursor.Read(signature, 4) || signature != 0x38425053 /* "8BPS" */) {
        return Problem{"not a Photoshop file: it does not start with \"8BPS\"", 0};
    }
    if (!cursor.Read(version, 2) || !cursor.Skip(6) || !cursor.Read(channels, 2) ||
        !cursor.Read(height, 4) || !cursor.Read(width, 4) || !cursor.Read(depth, 2) ||
        !cursor.Read(mode, 2)) {
        return Truncated(size, 26);
    }
    if (version != PsdVersion && version != PsbVersion) {
        return Problem{"Photoshop file version " + std::to_string(version) + " is not supported",
                       4};
    }
    if (width < 1 || height < 1 || width > static_cast<std::uint64_t>(MaxPsdEdge) ||
        height > static_cast<std::uint64_t>(MaxPsdEdge)) {
        return Problem{"its size of " + GroupedNumber(width) + " x " + GroupedNumber(height) +
                           " pixels is outside 1 to " + GroupedNumber(MaxPsdEdge) + " a side",
                       14};
    }
    if (depth != 8 && depth != 16) {
        return Problem{Named(depth, "bits a channel are not supported (8 and 16 are)"), 22};
    }
    if (mode != ModeGrayscale && mode != ModeRgb) {
        return Problem{"only grey and RGB Photoshop files are read, not colour mode " +
                           std::to_string(mode),
                       24};
    }
    const std::uint64_t colourChannels = mode == ModeRgb ? 3 : 1;
    if (channels < colourChannels || channels > MaxChannels) {
        return Problem{Named(channels, "channels are too few or too many for its colour mode"), 12};
    }
    const bool hasAlpha = channels > colourChannels;
    // Colour mode data, image resources, then layers: skipped, the merged image follows them.
    const int layerLengthBytes = version == PsbVersion ? 8 : 4;
    std::uint64_t compression;
    if (!cursor.Read(length, 4) || !cursor.Skip(length) || !cursor.Read(length, 4) ||
        !cursor.Skip(length) || !cursor.Read(length, layerLengthBytes) || !cursor.Skip(length) ||
        !cursor.Read(compression, 2)) {
        return Problem{"the file ends before its merged image", size};
    }
    if (compression != CompressionRaw && compression != CompressionRle) {
        return Problem{"image data of compression " + std::to_string(compression) +
                           " is not supported (raw and PackBits are)",
                       size - cursor.Remaining() - 2};
    }

    const size_t bytesPerSample = depth / 8;
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerSample;
    const size_t usedChannels = static_cast<size_t>(colourChannels + (hasAlpha ? 1 : 0));
    std::vector<std::uint64_t> rowCounts;
    if (compression == CompressionRle) {
        const int countBytes = version == PsbVersion ? 4 : 2;
        const std::uint64_t rows = channels * height;
        if (cursor.Remaining() / static_cast<size_t>(countBytes) < rows) {
            return Problem{"the file ends inside its table of row lengths", size};
        }
        rowCounts.resize(static_cast<size_t>(rows));
        for (std::uint64_t& count : rowCounts) {
            cursor.Read(count, countBytes);
        }
        // Every coded row must be present and able to expand to a full row (a PackBits pair
        // gives at most 128 bytes), so nothing is allocated for data the file does not hold.
        const std::uint64_t shortest = 2 * ((rowBytes + 127) / 128);
        std::uint64_t total = 0;
        for (size_t i = 0; i < usedChannels * height; ++i) {
            if (rowCounts[i] < shortest) {
                return Problem{"a coded row is too short to hold a row of pixels", std::nullopt};
            }
            total += rowCounts[i];
        }
        if (total > cursor.Remaining()) {
            return Truncated(size, size - cursor.Remaining() + total);
        }
    } else if (cursor.Remaining() / rowBytes / height < usedChannels) {
        // Truncated before any allocation.
        return Truncated(size, size - cursor.Remaining() + rowBytes * height * usedChannels);
    }

    RgbaImage decoded;
    decoded.Width = static_cast<int>(width);
    decoded.Height = static_cast<int>(height);
    decoded.HasAlpha = hasAlpha;
    decoded.Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0xFF);
    // Each channel's rows, decoded one at a time, go straight to their place among the
    // interleaved samples; a grey channel fills red, green and blue. A 16-bit sample keeps its
    // high byte, the first of the two.
    std::vector<std::uint8_t> unpacked(rowBytes);
    for (size_t channel = 0; channel < usedChannels; ++channel) {
        const bool alpha = channel == colourChannels;
        const bool grey = !alpha && colourChannels == 1;
        for (size_t y = 0; y < height; ++y) {
            const std::uint8_t* row = cursor.Here();
            if (compression == CompressionRle) {
                const std::uint64_t coded = rowCounts[channel * height + y];
                if (!UnpackRow(row, static_cast<size_t>(coded), unpacked)) {
                    return Problem{"a PackBits row is damaged at byte " +
                                       GroupedNumber(size - cursor.Remaining()),
                                   size - cursor.Remaining()};
                }
                row = unpacked.data();
                cursor.Skip(coded);
            } else {
                cursor.Skip(rowBytes);
            }
            std::uint8_t* out =
                decoded.Pixels.data() + y * decoded.RowBytes() + (alpha ? 3 : channel);
            const std::uint8_t* const end = row + rowBytes;
            if (grey) {
                for (; row < end; row += bytesPerSample, out += 4) {
                    out[0] = out[1] = out[2] = *row;
                }
            } else {
                for (; row < end; row += bytesPerSample, out += 4) {
                    *out = *row;
                }
            }
        }
    }
    image = std::move(decoded);
    return {};
}

} // namespace

Outcome DecodePsd(const std::uint8_t* data, size_t size, RgbaImage& image) {
    return CatchingOutOfMemory([&] { return Decode(data, size, image); });
}

} // namespace quillon
