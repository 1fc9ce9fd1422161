#include "archive/Decompress.h"

#include <lz4frame.h>
#include <zlib.h>

#include <limits>
#include <memory>

namespace quillon::bsa {

namespace {

std::string Declared(std::size_t size) {
    return " the " + std::to_string(size) + " bytes it declares";
}

std::string Inflate(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                    std::size_t outSize, bool whole) {
    // zlib counts in 32-bit words; the archive's sizes are below 2 GiB, checked by the caller.
    if (inSize > std::numeric_limits<uInt>::max() || outSize > std::numeric_limits<uInt>::max()) {
        return "the zlib stream is too large";
    }
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return "zlib could not start";
    }
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&stream, inflateEnd);
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(inSize);
    std::uint8_t probe = 0;
    stream.next_out = outSize > 0 ? out : &probe;
    stream.avail_out = static_cast<uInt>(outSize);
    bool probing = false;
    while (true) {
        if (stream.avail_out == 0) {
            if (!whole) {
                return {};
            }
            if (probing) {
                return "the zlib stream makes more than" + Declared(outSize);
            }
            // Full: one more byte would be too many; the stream must end here.
            probing = true;
            stream.next_out = &probe;
            stream.avail_out = 1;
        }
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            break;
        }
        if (result == Z_BUF_ERROR) { // no progress: the stream was cut short
            return "the zlib stream ends early";
        }
        if (result != Z_OK) {
            return std::string("the zlib stream is corrupt") +
                   (stream.msg != nullptr ? std::string(" (") + stream.msg + ")" : "");
        }
    }
    if (probing && stream.avail_out == 0) {
        return "the zlib stream makes more than" + Declared(outSize);
    }
    if (!probing && stream.avail_out != 0) {
        return "the zlib stream makes fewer than" + Declared(outSize);
    }
    return {};
}

std::string DecodeLz4Frame(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                           std::size_t outSize, bool whole) {
    LZ4F_dctx* context = nullptr;
    if (LZ4F_isError(LZ4F_createDecompressionContext(&context, LZ4F_VERSION))) {
        return "LZ4 could not start";
    }
    const std::unique_ptr<LZ4F_dctx, LZ4F_errorCode_t (*)(LZ4F_dctx*)> end(
        context, LZ4F_freeDecompressionContext);
    std::size_t read = 0, written = 0;
    int stalled = 0;
    while (true) {
        const bool full = written == outSize;
        if (full && !whole) {
            return {};
        }
        // Full: one more byte would be too many, so a single byte is offered.
        std::uint8_t probe = 0;
        std::size_t room = full ? 1 : outSize - written;
        std::size_t taken = inSize - read;
        const std::size_t hint = LZ4F_decompress(context, full ? &probe : out + written, &room,
                                                 in + read, &taken, nullptr);
        if (LZ4F_isError(hint)) {
            return std::string("the LZ4 frame is corrupt (") + LZ4F_getErrorName(hint) + ")";
        }
        if (full && room > 0) {
            return "the LZ4 frame makes more than" + Declared(outSize);
        }
        read += taken;
        written += full ? 0 : room;
        if (hint == 0) {
            break; // the frame is complete
        }
        stalled = taken == 0 && room == 0 ? stalled + 1 : 0;
        if (stalled > 1) {
            return "the LZ4 frame ends early";
        }
    }
    if (written != outSize) {
        return "the LZ4 frame makes fewer than" + Declared(outSize);
    }
    return {};
}

} // namespace

std::string Decompress(Codec codec, const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                       std::size_t outSize, bool whole) {
    return codec == Codec::Zlib ? Inflate(in, inSize, out, outSize, whole)
                                : DecodeLz4Frame(in, inSize, out, outSize, whole);
}

} // namespace quillon::bsa
