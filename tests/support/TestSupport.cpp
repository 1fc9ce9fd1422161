#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillon {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
#ifdef _WIN32
    // Creating the folder fails when the name exists, so the folder found is ours alone.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && Root.empty(); ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("quillon-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            Root = candidate;
        }
    }
    if (Root.empty()) {
        std::abort();
    }
#else
    std::string pattern = (fs::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    Root = pattern;
#endif
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(Root, error);
}

std::string TempFolder::operator/(const std::string& relative) const {
    return (Root / NativePath(relative)).string();
}

CurrentDirectoryGuard::CurrentDirectoryGuard(const fs::path& folder)
    : Previous(fs::current_path()) {
    fs::current_path(folder);
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() {
    std::error_code error;
    fs::current_path(Previous, error);
}

void WriteTextFile(const std::string& nativePath, const std::string& content) {
    const fs::path path(nativePath);
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadTextFile(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

void SetVariable(const std::string& name, const char* value) {
#ifdef _WIN32
    // An empty value removes the variable.
    _putenv_s(name.c_str(), value != nullptr ? value : "");
#else
    if (value != nullptr) {
        setenv(name.c_str(), value, 1);
    } else {
        unsetenv(name.c_str());
    }
#endif
}

} // namespace

EnvironmentGuard::EnvironmentGuard(const char* name, const char* value) : Name(name) {
    if (const char* old = std::getenv(name)) {
        Old = old;
        HadOld = true;
    }
    SetVariable(Name, value);
}

EnvironmentGuard::~EnvironmentGuard() {
    SetVariable(Name, HadOld ? Old.c_str() : nullptr);
}

std::string NativePath(std::string_view slashPath) {
    std::string native(slashPath);
    for (char& c : native) {
        if (c == '/') {
            c = NativeSeparator;
        }
    }
    return native;
}

std::string FoundSpelling(std::string_view written, std::string_view stored) {
    if (!NamesIgnoreCase) {
        return NativePath(stored);
    }
    std::string native(written);
    for (char& c : native) {
        if (c == '\\' || c == '/') {
            c = NativeSeparator;
        }
    }
    return native;
}

} // namespace quillon
