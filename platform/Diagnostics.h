#pragma once

#include <functional>
#include <string_view>

namespace vidrune::platform {

// The debugger text and message boxes of the plug-in. Both go to replaceable sinks so
// that hosts and tests can capture them; neither ever blocks the calling thread.
class Diagnostics {
public:
    using DebugSink = std::function<void(std::string_view text)>;
    using MessageSink = std::function<void(std::string_view text, std::string_view caption)>;

    // By default to stderr when VIDRUNE_DEBUG is set, otherwise nowhere.
    static void DebugText(std::string_view text);
    // By default one line "caption: text" on stderr.
    static void ShowMessage(std::string_view text, std::string_view caption);

    // An empty function restores the default sink. Both return the previous sink.
    static DebugSink SetDebugSink(DebugSink sink);
    static MessageSink SetMessageSink(MessageSink sink);
};

} // namespace vidrune::platform
