#include "imaging/StbImage.h"

// Every header stb_image includes, first: the memcpy below must not rename the C library's own.
#include <assert.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace quillon {

namespace {

// What the decode running on this thread may ask for in one request, and whether it asked for
// more.
struct StbBudget {
    std::uint64_t Limit = 0;
    bool Refused = false;
};
thread_local StbBudget Budget;

// Blocks are cleared: where stb_image reads less than it allocated for (a file cut short in some
// formats), the image holds zeros, not what the heap held before.
void* StbAllocate(std::size_t size) {
    if (size > Budget.Limit) {
        Budget.Refused = true;
        return nullptr;
    }
    void* block = ::operator new(size == 0 ? 1 : size, std::nothrow);
    if (block != nullptr) {
        std::memset(block, 0, size);
    }
    return block;
}

void* StbReallocate(void* old, std::size_t oldSize, std::size_t size) {
    void* moved = StbAllocate(size);
    if (moved != nullptr && old != nullptr) {
        std::memcpy(moved, old, std::min(oldSize, size));
        ::operator delete(old);
    }
    return moved;
}

void StbRelease(void* block) {
    ::operator delete(block);
}

// stb_image copies zero bytes to or from a null buffer (its PNG reader with an empty IDAT chunk,
// the callback reader at the end of its data), which memcpy does not allow; nothing is copied
// then.
void* StbCopy(void* to, const void* from, std::size_t size) {
    return size == 0 ? to : std::memcpy(to, from, size);
}

} // namespace

} // namespace quillon

// stb's own code is not ours to keep warning-free; the sizes it sees are checked before it runs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#define STBI_NO_STDIO // files are read by us, size-checked, and handed over in memory
#define STBI_NO_PSD   // Photoshop files have a reader of our own
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STBI_MALLOC(size) quillon::StbAllocate(size)
#define STBI_REALLOC_SIZED(block, oldSize, size) quillon::StbReallocate(block, oldSize, size)
#define STBI_FREE(block) quillon::StbRelease(block)
#define memcpy(to, from, size) quillon::StbCopy(to, from, size)
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#undef memcpy
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace quillon {

static_assert(STBI_MAX_DIMENSIONS == MaxTextureEdge, "stb refuses what we refuse");

// TGA files are written uncompressed, as they always were. Set before any thread can write.
[[maybe_unused]] const int TgaWithoutRunLengths = (stbi_write_tga_with_rle = 0);

namespace {

// Two pieces of a file read one after the other, for stb's callback reader.
struct Pieces {
    std::span<const std::uint8_t> First, Second;
    std::size_t At = 0; // bytes read so far

    std::size_t Size() const { return First.size() + Second.size(); }
    int Read(char* out, int wanted) {
        int read = 0;
        while (read < wanted && At < Size()) {
            const bool first = At < First.size();
            const std::span<const std::uint8_t> piece = first ? First : Second;
            const std::size_t offset = first ? At : At - First.size();
            const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(wanted - read),
                                                            piece.size() - offset);
            std::memcpy(out + read, piece.data() + offset, count);
            read += static_cast<int>(count);
            At += count;
        }
        return read;
    }
};

// stb_image as Debian 12 ships it (2.27) builds a JPEG Huffman table from whatever code counts the
// file gives: counts summing to more than the 256 codes a table holds write past its arrays (later
// versions refuse them). So every table stb_image could read is checked first, walking the
// markers as it does: segments by their lengths, coded data up to the next marker (0xFF and a byte
// other than 0; restart markers stand alone). False when a table is too large.
bool JpegTablesFit(std::span<const std::uint8_t> file) {
    const std::size_t size = file.size();
    std::size_t at = 0;
    while (at < size && file[at] == 0xFF) {
        ++at; // fill bytes before SOI, which stb_image skips as it skips them before any marker
    }
    if (at == 0 || at >= size || file[at] != 0xD8) {
        return true; // not a JPEG
    }
    ++at;
    const auto word = [&](std::size_t position) {
        return position + 1 < size ? std::size_t(file[position]) << 8 | file[position + 1] : 0;
    };
    while (at < size) {
        if (file[at] != 0xFF) {
            ++at; // coded data, or padding between segments
            continue;
        }
        while (at < size && file[at] == 0xFF) {
            ++at;
        }
        if (at >= size) {
            break;
        }
        const std::uint8_t marker = file[at++];
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            continue; // a stuffed 0xFF, a restart marker, TEM: no segment
        }
        if (marker == 0xD9) {
            break; // EOI
        }
        const std::size_t length = word(at);
        if (marker == 0xC4) { // DHT: tables of a class and number byte, 16 counts, the codes
            std::ptrdiff_t left = static_cast<std::ptrdiff_t>(length) - 2;
            std::size_t table = at + 2;
            while (left > 0 && table < size) {
                const std::uint8_t which = file[table];
                if ((which >> 4) > 1 || (which & 15) > 3) {
                    return true; // stb_image refuses the table before it builds it
                }
                std::size_t codes = 0;
                for (std::size_t i = 1; i <= 16; ++i) {
                    codes += table + i < size ? file[table + i] : 0;
                }
                if (codes > 256) {
                    return false;
                }
                table += 17 + codes;
                left -= static_cast<std::ptrdiff_t>(17 + codes);
            }
            if (left != 0) {
                return true; // stb_image stops reading at a segment whose tables miscount
            }
        }
        at += length; // after a scan's header (SOS), its coded data
    }
    return true;
}

// A PNM file of 16-bit samples. stb_image 2.27 widens them to four channels as if they had 8 bits,
// reading past its buffer, and then takes the low byte of each for the high one. So it is asked
// for the samples as they are: it copies the file's bytes, high byte first, which is the byte
// kept, as for 16-bit PNG and Photoshop files.
Outcome DecodeWidePnm(std::span<const std::uint8_t> file, RgbaImage& image) {
    int width = 0, height = 0, channels = 0;
    stbi_us* samples = stbi_load_16_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                                &height, &channels, 0);
    if (samples == nullptr || (channels != 1 && channels != 3)) {
        stbi_image_free(samples);
        return Problem{"the image library could not read it (a PNM file of 16-bit samples)",
                       std::nullopt};
    }
    const Outcome copied = CatchingOutOfMemory([&]() -> Outcome {
        RgbaImage decoded(width, height, false);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        std::uint8_t* out = decoded.Pixels.data();
        for (std::size_t i = 0; i < decoded.Pixels.size() / 4; ++i, out += 4) {
            const std::uint8_t* sample = bytes + 2 * static_cast<std::size_t>(channels) * i;
            out[0] = sample[0];
            out[1] = channels == 1 ? sample[0] : sample[2];
            out[2] = channels == 1 ? sample[0] : sample[4];
            out[3] = 255;
        }
        image = std::move(decoded);
        return {};
    });
    stbi_image_free(samples);
    return copied;
}

// stb_image 2.27 reads the width, height and largest value of a PNM header into an int without a
// bound, so a long number overflows it (later versions refuse such numbers). They are read first,
// as it reads them (white space, '#' comments to the end of the line, digits); false when one
// would not fit.
bool PnmNumbersFit(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) {
        return true; // not a PNM file stb_image reads
    }
    std::size_t at = 2;
    const auto next = [&] { return at < file.size() ? static_cast<char>(file[at++]) : '\0'; };
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    char c = next();
    for (int number = 0; number < 3; ++number) {
        for (;;) {
            while (at < file.size() && space(c)) {
                c = next();
            }
            if (at >= file.size() || c != '#') {
                break;
            }
            while (at < file.size() && c != '\n' && c != '\r') {
                c = next();
            }
        }
        int value = 0;
        while (at < file.size() && c >= '0' && c <= '9') {
            if (value > (INT_MAX - 9) / 10) {
                return false;
            }
            value = value * 10 + (c - '0');
            c = next();
        }
    }
    return true;
}

// stb_image 2.27 reads a run-length coded HDR scan line until it is complete, and past the end of
// the data it reads zeros: counts of nothing, forever (later versions stop). So the scan lines are
// walked first as it walks them; false when the data ends inside one.
bool HdrRunsEnd(std::span<const std::uint8_t> file) {
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    if (!text.starts_with("#?RADIANCE\n") && !text.starts_with("#?RGBE\n")) {
        return true; // not an HDR file stb_image reads
    }
    std::size_t at = 0;
    const auto ended = [&] { return at >= file.size(); };
    const auto next = [&]() -> unsigned { return ended() ? 0 : file[at++]; };
    const auto line = [&] { // a header line as stb_image takes it: at most 1023 characters
        std::string token;
        char c = static_cast<char>(next());
        while (!ended() && c != '\n') {
            token += c;
            if (token.size() == 1023) {
                while (!ended() && next() != '\n') {
                }
                break;
            }
            c = static_cast<char>(next());
        }
        return token;
    };
    line(); // the identifier
    bool rgbe = false;
    for (std::string token = line(); !token.empty(); token = line()) {
        rgbe = rgbe || token == "FORMAT=32-bit_rle_rgbe";
    }
    const std::string size = line();
    if (!rgbe || !size.starts_with("-Y ")) {
        return true; // refused by stb_image
    }
    char* rest = nullptr;
    const long height = std::strtol(size.c_str() + 3, &rest, 10);
    while (*rest == ' ') {
        ++rest;
    }
    if (std::strncmp(rest, "+X ", 3) != 0) {
        return true;
    }
    const long width = std::strtol(rest + 3, nullptr, 10);
    if (width < 8 || width >= 32768 || height > MaxTextureEdge) {
        return true; // flat data, read pixel by pixel, or refused
    }
    for (long row = 0; row < height; ++row) {
        const unsigned first = next(), second = next(), high = next();
        if (first != 2 || second != 2 || (high & 0x80) != 0 ||
            static_cast<long>(high << 8 | next()) != width) {
            return true; // flat data from here, or refused
        }
        for (int channel = 0; channel < 4; ++channel) {
            for (long done = 0; done < width;) {
                if (ended()) {
                    return false; // where stb_image would read counts of nothing forever
                }
                unsigned count = next();
                if (count > 128) {
                    next();
                    count -= 128;
                } else {
                    at = std::min(file.size(), at + count);
                }
                if (count > static_cast<unsigned long>(width - done)) {
                    return true; // refused by stb_image
                }
                done += count;
            }
        }
    }
    return true;
}

Problem OversizedJpegTable() {
    return {"a Huffman table of the JPEG holds more than 256 codes", std::nullopt};
}

Problem OversizedPnmNumber() {
    return {"a number in the PNM header is too large", std::nullopt};
}

const stbi_io_callbacks PieceReader = {
    [](void* user, char* out, int size) { return static_cast<Pieces*>(user)->Read(out, size); },
    [](void* user, int n) {
        Pieces& pieces = *static_cast<Pieces*>(user);
        // A negative skip steps back; stb never goes before what it read.
        const auto to = static_cast<std::int64_t>(pieces.At) + n;
        pieces.At = static_cast<std::size_t>(
            std::clamp<std::int64_t>(to, 0, static_cast<std::int64_t>(pieces.Size())));
    },
    [](void* user) {
        const Pieces& pieces = *static_cast<Pieces*>(user);
        return pieces.At >= pieces.Size() ? 1 : 0;
    },
};

} // namespace

std::uint64_t StbRequestLimit(int width, int height, int bytesPerPixel, std::uint64_t fileBytes) {
    const auto count = [](int value) { return static_cast<std::uint64_t>(std::max(value, 0)); };
    return 2 * count(bytesPerPixel) * count(width) * count(height) + count(height) + fileBytes +
           (std::uint64_t(1) << 20);
}

Outcome StbImageInfo(std::span<const std::uint8_t> file, int& width, int& height, bool& hasAlpha) {
    if (file.empty()) {
        return EmptyFile();
    }
    if (file.size() > static_cast<std::size_t>(INT_MAX)) {
        return Problem{"the file is too large for the image library", std::nullopt};
    }
    if (!JpegTablesFit(file)) {
        return OversizedJpegTable();
    }
    if (!PnmNumbersFit(file)) {
        return OversizedPnmNumber();
    }
    int channels = 0;
    Budget = {StbRequestLimit(0, 0, 0, file.size()), false}; // a header allocates little
    if (stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                              &channels) == 0) {
        return Problem{"not an image file Quillon reads", std::nullopt};
    }
    hasAlpha = channels == 2 || channels == 4;
    return {};
}

Outcome StbDecode(std::span<const std::uint8_t> file, int width, int height, RgbaImage& image,
                  std::span<const std::uint8_t> rest) {
    if (file.empty() || file.size() + rest.size() > static_cast<std::size_t>(INT_MAX)) {
        return Problem{"the file is empty or too large", std::nullopt};
    }
    if (!JpegTablesFit(file)) {
        return OversizedJpegTable();
    }
    if (!PnmNumbersFit(file)) {
        return OversizedPnmNumber();
    }
    if (!HdrRunsEnd(file)) {
        return Problem{"the HDR file ends inside a run-length coded line", file.size()};
    }
    int decodedWidth = 0, decodedHeight = 0, channels = 0;
    stbi_uc* pixels = nullptr;
    if (rest.empty()) {
        const int size = static_cast<int>(file.size());
        Budget = {StbRequestLimit(0, 0, 0, file.size()), false};
        const bool sixteenBits = stbi_is_16_bit_from_memory(file.data(), size) != 0;
        const int bytesPerPixel = stbi_is_hdr_from_memory(file.data(), size) ? 16
                                  : sixteenBits                              ? 8
                                                                             : 4;
        Budget = {StbRequestLimit(width, height, bytesPerPixel, file.size()), false};
        const bool pnm = file.size() > 1 && file[0] == 'P' && (file[1] == '5' || file[1] == '6');
        if (pnm && sixteenBits) {
            return DecodeWidePnm(file, image);
        }
        pixels =
            stbi_load_from_memory(file.data(), size, &decodedWidth, &decodedHeight, &channels, 4);
    } else { // a BMP: 8-bit data
        Budget = {StbRequestLimit(width, height, 4, file.size() + rest.size()), false};
        Pieces pieces{file, rest};
        pixels = stbi_load_from_callbacks(&PieceReader, &pieces, &decodedWidth, &decodedHeight,
                                          &channels, 4);
    }
    if (pixels == nullptr) {
        if (Budget.Refused) {
            return Problem{"its data asks for more memory than a " + GroupedNumber(width) + " x " +
                               GroupedNumber(height) + " image needs",
                           std::nullopt};
        }
        const std::string reason = stbi_failure_reason() ? stbi_failure_reason() : "";
        if (reason == "outofmem") {
            return OutOfMemory(); // as every reader says it
        }
        return Problem{"the image library could not read it (" +
                           (reason.empty() ? std::string("no reason given") : reason) + ")",
                       std::nullopt};
    }
    const Outcome copied = CatchingOutOfMemory([&]() -> Outcome {
        RgbaImage decoded(decodedWidth, decodedHeight, channels == 2 || channels == 4);
        std::memcpy(decoded.Pixels.data(), pixels, decoded.Pixels.size());
        image = std::move(decoded);
        return {};
    });
    stbi_image_free(pixels);
    return copied;
}

namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

std::vector<std::uint8_t> StbEncode(const RgbaImage& image, const std::string& type) {
    const int channels = image.HasAlpha ? 4 : 3;
    std::vector<std::uint8_t> packed; // stb takes the channels it writes, packed
    const std::uint8_t* pixels = image.Pixels.data();
    if (channels == 3) {
        packed.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
        for (std::size_t i = 0, o = 0; o < packed.size(); i += 4, o += 3) {
            std::memcpy(&packed[o], &image.Pixels[i], 3);
        }
        pixels = packed.data();
    }
    std::vector<std::uint8_t> file;
    int ok = 0;
    if (type == "png") {
        ok = stbi_write_png_to_func(Append, &file, image.Width, image.Height, channels, pixels,
                                    image.Width * channels);
    } else if (type == "tga") {
        ok = stbi_write_tga_to_func(Append, &file, image.Width, image.Height, channels, pixels);
    } else if (type == "bmp") {
        ok = stbi_write_bmp_to_func(Append, &file, image.Width, image.Height, channels, pixels);
    } else if (type == "jpg") {
        ok = stbi_write_jpg_to_func(Append, &file, image.Width, image.Height, channels, pixels, 99);
    }
    return ok != 0 ? file : std::vector<std::uint8_t>();
}

} // namespace quillon
