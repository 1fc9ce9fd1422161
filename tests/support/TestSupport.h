// Helpers for tests that need files, folders, environment variables and the file system's rules,
// so the same tests run on Linux and Windows: a temporary folder that is removed afterwards, a
// guard that makes it the current directory, small file writers, and path helpers.
#pragma once

#include "platform/Paths.h" // NativeSeparator

#include <filesystem>
#include <string>
#include <string_view>

namespace quillon {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return Root; }
    // A native path below the folder; "/" in `relative` becomes the system's separator.
    std::string operator/(const std::string& relative) const;

private:
    std::filesystem::path Root;
};

// Makes a folder the current directory for its lifetime.
class CurrentDirectoryGuard {
public:
    explicit CurrentDirectoryGuard(const std::filesystem::path& folder);
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::filesystem::path Previous;
};

// Writes `content` to a native path, creating its folders.
void WriteTextFile(const std::string& nativePath, const std::string& content);
std::string ReadTextFile(const std::string& nativePath);

// Sets an environment variable for its lifetime (unset when `value` is null; on Windows also when
// it is empty), then restores it.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const char* value);
    EnvironmentGuard(const char* name, const std::string& value)
        : EnvironmentGuard(name, value.c_str()) {}
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    std::string Name;
    std::string Old;
    bool HadOld = false;
};

#ifdef _WIN32
// Windows finds a name whatever its letter case, so a path is used as written.
inline constexpr bool NamesIgnoreCase = true;
#else
inline constexpr bool NamesIgnoreCase = false;
#endif

// A "/"-joined path with the system's separators.
std::string NativePath(std::string_view slashPath);

// What a lookup that ignores letter case gives for a path written one way and stored on disk
// another: the stored spelling where names are case-sensitive (the program searches for it), the
// written one where the file system itself ignores case. `written` is joined with "\" as the
// program writes paths, `stored` with "/"; the result is native.
std::string FoundSpelling(std::string_view written, std::string_view stored);

} // namespace quillon
