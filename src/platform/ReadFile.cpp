#include "platform/ReadFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace quillon {

namespace {

// Closes the file however the read ends.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Reason(const std::error_code& error) {
    std::string text = error.message();
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

template <typename Bytes>
Outcome ReadInto(const std::string& nativePath, std::uint64_t maxBytes, Bytes& bytes) {
    bytes.clear();
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fs::path(nativePath), error);
    if (status.type() == fs::file_type::not_found) {
        return Problem{"there is no such file", std::nullopt};
    }
    if (error) {
        return Problem{Reason(error), std::nullopt};
    }
    if (fs::is_directory(status)) {
        return Problem{"it is a folder, not a file", std::nullopt};
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(nativePath.c_str(), "rb"));
    if (!file) {
        return Problem{Reason(std::error_code(errno, std::generic_category())), std::nullopt};
    }
    // The length as the file has it now; a file that grows meanwhile is read up to it, one that
    // shrinks fails below.
    const std::uint64_t size = fs::file_size(fs::path(nativePath), error);
    if (error) {
        return Problem{Reason(error), std::nullopt};
    }
    if (size > maxBytes) {
        return Problem{"the file is larger than " + GroupedNumber(maxBytes) + " bytes",
                       std::nullopt};
    }
    return CatchingOutOfMemory([&]() -> Outcome {
        bytes.resize(static_cast<std::size_t>(size));
        const std::size_t read =
            size == 0 ? 0 : std::fread(bytes.data(), 1, bytes.size(), file.get());
        if (read != bytes.size()) {
            const bool failed = std::ferror(file.get()) != 0;
            bytes.clear();
            return failed ? Problem{"the file could not be read", std::nullopt}
                          : Truncated(read, size);
        }
        return {};
    });
}

} // namespace

Outcome ReadWholeFile(const std::string& nativePath, std::uint64_t maxBytes,
                      std::vector<std::uint8_t>& bytes) {
    return ReadInto(nativePath, maxBytes, bytes);
}

Outcome ReadWholeFile(const std::string& nativePath, std::uint64_t maxBytes, std::string& bytes) {
    return ReadInto(nativePath, maxBytes, bytes);
}

} // namespace quillon
