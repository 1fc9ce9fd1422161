// Paths at the file-system boundary. The program joins paths with "\" as Windows does; only
// here are they turned into native ones. On a case-sensitive file system a path that does not
// exist as written is resolved component by component ignoring letter case, as Windows and Wine
// would find it.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// "\"-joined program path to the native form ("\" becomes "/" on POSIX; unchanged on Windows).
std::string ToNativePath(std::string_view programPath);

// Native path of an existing file or folder. When the path does not exist as written, each
// component is looked up ignoring ASCII letter case; components that cannot be found stay as
// written, so the result also serves as the target of a file that is about to be created.
std::string ResolvePath(std::string_view programPath);

// Creates the folder and every missing parent, reusing existing folders that differ only in
// letter case. True when the folder exists afterwards.
bool CreateFolderChain(std::string_view programPath);

// The separator of native paths.
#ifdef _WIN32
inline constexpr char NativeSeparator = '\\';
#else
inline constexpr char NativeSeparator = '/';
#endif

// Path shown to the user in messages: native separators, as the user's system writes them.
std::string DisplayPath(std::string_view programPath);

// The same from the file system's root, as the player finds it in a file manager; a folder
// setting's final separator dropped. DisplayPath's when the absolute path cannot be made.
std::string AbsoluteDisplayPath(const std::string& programPath);

// ASCII upper-casing, the folding used for case-insensitive names and ordering.
std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

} // namespace quillon
