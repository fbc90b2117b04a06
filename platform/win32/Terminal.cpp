// Win32 implementation of platform/Terminal.h; only Win32 code here.
#include "platform/Terminal.h"

#include <io.h>

#include <cstdio>

namespace vidrune::platform {

bool Terminal::StandardErrorIsTerminal() {
    // A console (or the NUL device, which the C runtime counts as a character device too:
    // a progress bar there is harmless).
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace vidrune::platform
