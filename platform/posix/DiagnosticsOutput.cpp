// POSIX implementation of platform/DiagnosticsOutput.h; only POSIX code here.
#include "platform/DiagnosticsOutput.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vidrune::platform {

void DiagnosticsOutput::Debug(std::string_view text) {
    if (std::getenv("VIDRUNE_DEBUG") == nullptr)
        return;
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void DiagnosticsOutput::Message(std::string_view text, std::string_view caption) {
    const std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace vidrune::platform
