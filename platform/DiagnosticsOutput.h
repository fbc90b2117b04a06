#pragma once

#include <string_view>

namespace vidrune::platform {

// Where Diagnostics sends its texts when nobody replaced its sinks: the OS's own outlets.
class DiagnosticsOutput {
public:
    // The debugger output; on Linux stderr, and only when VIDRUNE_DEBUG is set.
    static void Debug(std::string_view text);
    // A message box that waits for the user; on Linux one line "caption: text" on stderr.
    static void Message(std::string_view text, std::string_view caption);
};

} // namespace vidrune::platform
