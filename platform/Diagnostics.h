#pragma once

#include <functional>
#include <string_view>

namespace vidrune::platform {

// The debugger text and message boxes of the plug-in. Both go to replaceable sinks so
// that hosts and tests can capture them; by default they reach DiagnosticsOutput, whose
// Windows message box waits for the user.
class Diagnostics {
public:
    using DebugSink = std::function<void(std::string_view text)>;
    using MessageSink = std::function<void(std::string_view text, std::string_view caption)>;

    static void DebugText(std::string_view text);
    static void ShowMessage(std::string_view text, std::string_view caption);

    // An empty function restores the default sink. Both return the previous sink.
    static DebugSink SetDebugSink(DebugSink sink);
    static MessageSink SetMessageSink(MessageSink sink);
};

} // namespace vidrune::platform
