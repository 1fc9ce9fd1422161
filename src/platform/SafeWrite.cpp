#include "platform/SafeWrite.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define QUILLON_GETPID _getpid
#else
#include <fcntl.h>
#include <unistd.h>
#define QUILLON_GETPID getpid
#endif

namespace quillon {

namespace fs = std::filesystem;

namespace {

fs::path TemporaryPathFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    // Beside the target, so the rename stays on one file system; the extension is kept last
    // because writers choose the file type by it.
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
    std::string name = ".";
    name += target.stem().string();
    name += ".quillon-" + std::to_string(QUILLON_GETPID()) + "-" +
            std::to_string(counter.fetch_add(1)) + target.extension().string();
    return target.parent_path() / name;
}

// Flushes the file's data to the disk, so that a crash after the rename cannot leave an empty
// or partial texture where the old one was.
bool Flush(const fs::path& path) {
#ifdef _WIN32
    (void)path;
    return true;
#else
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

} // namespace

bool WriteFileSafely(const std::string& nativeTarget,
                     const std::function<bool(const std::string& tempPath)>& write) {
    const fs::path target(nativeTarget);
    const fs::path temp = TemporaryPathFor(target);
    std::error_code error;
    bool ok = write(temp.string()) && fs::is_regular_file(temp, error) && Flush(temp);
    if (ok) {
        // An existing texture keeps its permissions.
        const fs::file_status old = fs::status(target, error);
        if (!error && fs::is_regular_file(old)) {
            fs::permissions(temp, old.permissions(), error);
        }
        fs::rename(temp, target, error);
        ok = !error;
    }
    if (!ok) {
        fs::remove(temp, error);
    }
    return ok;
}

bool WriteBytesSafely(const std::string& nativeTarget, const std::vector<std::uint8_t>& bytes) {
    return WriteFileSafely(nativeTarget, [&bytes](const std::string& tempPath) {
        std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        return static_cast<bool>(out);
    });
}

} // namespace quillon
