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

// In `folder`, which must be on the target's file system so that the rename stays atomic; the
// extension is kept last because writers choose the file type by it.
fs::path TemporaryPathFor(const fs::path& target, const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
    std::string name = ".";
    name += target.stem().string();
    name += TemporaryMarker;
    name += std::to_string(QUILLON_GETPID()) + "-" + std::to_string(counter.fetch_add(1)) +
            target.extension().string();
    return folder / name;
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

// Writes through a temporary file in `folder` and renames it over the target. `renameFailed` tells
// a failure of the rename alone (the data was written) from a failed write.
bool WriteThrough(const fs::path& target, const fs::path& folder,
                  const std::function<bool(const std::string& tempPath)>& write,
                  bool& renameFailed) {
    const fs::path temp = TemporaryPathFor(target, folder);
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
        renameFailed = !ok;
    }
    if (!ok) {
        fs::remove(temp, error);
    }
    return ok;
}

} // namespace

bool WriteFileSafely(const std::string& nativeTarget,
                     const std::function<bool(const std::string& tempPath)>& write,
                     const std::string& temporaryFolder) {
    const fs::path target(nativeTarget);
    bool renameFailed = false;
    if (!temporaryFolder.empty() && fs::path(temporaryFolder) != target.parent_path()) {
        if (WriteThrough(target, temporaryFolder, write, renameFailed)) {
            return true;
        }
        if (!renameFailed) {
            return false; // the write itself failed; beside the target it would fail the same way
        }
        // Most likely another file system (a folder linked in from another disk): the rename
        // cannot cross, so the file is written beside the target after all.
    }
    return WriteThrough(target, target.parent_path(), write, renameFailed);
}

bool WriteBytesSafely(const std::string& nativeTarget, const std::vector<std::uint8_t>& bytes,
                      const std::string& temporaryFolder) {
    return WriteFileSafely(
        nativeTarget,
        [&bytes](const std::string& tempPath) {
            std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            out.close();
            return static_cast<bool>(out);
        },
        temporaryFolder);
}

} // namespace quillon
