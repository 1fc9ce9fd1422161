#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quillon {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    Root = pattern;
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(Root, error);
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

EnvironmentGuard::EnvironmentGuard(const char* name, const char* value) : Name(name) {
    if (const char* old = std::getenv(name)) {
        Old = old;
        HadOld = true;
    }
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

EnvironmentGuard::~EnvironmentGuard() {
    if (HadOld) {
        setenv(Name.c_str(), Old.c_str(), 1);
    } else {
        unsetenv(Name.c_str());
    }
}

} // namespace quillon
