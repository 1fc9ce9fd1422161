// Whether anyone can answer a question: apart, because the Windows headers' macros (MB_OK,
// IDYES...) would clash with the message-box names elsewhere.
#include "cli/Commands.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillon::cli {

bool InputIsTerminal() {
#ifdef _WIN32
    // Only a console counts: _isatty also says yes for the NUL device, which a script's closed
    // input often is.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
    return isatty(0) != 0;
#endif
}

} // namespace quillon::cli
