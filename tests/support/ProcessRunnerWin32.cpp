#include "support/ProcessRunner.h"

#include "platform/Paths.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace quillon {

namespace {

// One argument as the C runtime's command-line parser will give it back: quoted, with the
// backslashes before a quote (or before the closing quote) doubled.
std::string Quoted(const std::string& argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
            backslashes = 0;
        } else {
            quoted.append(backslashes, '\\');
            backslashes = 0;
        }
        if (c != '\\') {
            quoted += c;
        }
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// The environment block for the child: ours, changed, sorted by name ignoring case as Windows
// keeps it, each "NAME=value" ending in a NUL and the block in another.
std::string EnvironmentBlock(const std::map<std::string, std::string>& environment,
                             const std::vector<std::string>& unset) {
    std::vector<std::string> entries;
    if (char* inherited = GetEnvironmentStringsA()) {
        for (const char* entry = inherited; *entry != '\0'; entry += strlen(entry) + 1) {
            entries.emplace_back(entry);
        }
        FreeEnvironmentStringsA(inherited);
    }
    // Names compare ignoring case; entries such as "=C:=C:\x" keep their leading "=".
    auto nameOf = [](const std::string& entry) {
        return ToUpperAscii(entry.substr(0, entry.find('=', 1)));
    };
    auto remove = [&](const std::string& name) {
        std::erase_if(entries,
                      [&](const std::string& e) { return nameOf(e) == ToUpperAscii(name); });
    };
    for (const std::string& name : unset) {
        remove(name);
    }
    for (const auto& [name, value] : environment) {
        remove(name);
        entries.push_back(name + "=" + value);
    }
    std::sort(entries.begin(), entries.end(),
              [&](const std::string& a, const std::string& b) { return nameOf(a) < nameOf(b); });
    std::string block;
    for (const std::string& entry : entries) {
        block += entry;
        block += '\0';
    }
    return block + '\0';
}

std::string WithNewlines(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD creation) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                       creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         const std::map<std::string, std::string>& environment,
                         const std::vector<std::string>& unset) {
    ProcessResult result;
    TempFolder capture;
    std::string commandLine = Quoted(program);
    for (const std::string& argument : arguments) {
        commandLine += " " + Quoted(argument);
    }
    std::string block = EnvironmentBlock(environment, unset);
    HANDLE input = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = Inheritable(capture / "out", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = Inheritable(capture / "err", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    const bool started = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE &&
                         error != INVALID_HANDLE_VALUE &&
                         CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, block.data(), workingDirectory.c_str(),
                                        &startup, &process);
    for (HANDLE handle : {input, output, error}) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        // Exit codes of a crash are exception codes, with the top bits set.
        if (GetExitCodeProcess(process.hProcess, &code) && code < 0xC0000000u) {
            result.ExitCode = static_cast<int>(code);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    result.StandardOutput = WithNewlines(ReadTextFile(capture / "out"));
    result.StandardError = WithNewlines(ReadTextFile(capture / "err"));
    return result;
}

} // namespace quillon
