// Helpers for tests that need files: a temporary folder that is removed afterwards, a guard that
// makes it the current directory, and small file writers.
#pragma once

#include <filesystem>
#include <string>

namespace quillon {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return Root; }
    // A native path below the folder.
    std::string operator/(const std::string& relative) const { return (Root / relative).string(); }

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

// Sets an environment variable for its lifetime (unset when `value` is null), then restores it.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const char* value);
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    std::string Name;
    std::string Old;
    bool HadOld = false;
};

} // namespace quillon
