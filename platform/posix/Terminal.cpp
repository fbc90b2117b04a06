// POSIX implementation of platform/Terminal.h; only POSIX code here.
#include "platform/Terminal.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vidrune::platform {

bool Terminal::StandardErrorIsTerminal() {
    if (const char* term = std::getenv("TERM"); term == nullptr || std::string(term) == "dumb")
        return false;
    // Where the process's standard error leads; where that cannot be told, no terminal.
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/proc/self/fd/2", error).string();
    return !error && (target.starts_with("/dev/pts/") || target.starts_with("/dev/tty"));
}

} // namespace vidrune::platform
