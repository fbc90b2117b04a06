#include "platform/Diagnostics.h"

#include "platform/DiagnosticsOutput.h"

#include <mutex>
#include <string>

namespace vidrune::platform {

namespace {

struct Sinks {
    std::mutex lock;
    Diagnostics::DebugSink debug;
    Diagnostics::MessageSink message;
};

Sinks& TheSinks() {
    static Sinks sinks;
    return sinks;
}

} // namespace

void Diagnostics::DebugText(std::string_view text) {
    DebugSink sink;
    {
        std::lock_guard lock(TheSinks().lock);
        sink = TheSinks().debug;
    }
    if (sink)
        sink(text);
    else
        DiagnosticsOutput::Debug(text);
}

void Diagnostics::ShowMessage(std::string_view text, std::string_view caption) {
    MessageSink sink;
    {
        std::lock_guard lock(TheSinks().lock);
        sink = TheSinks().message;
    }
    if (sink)
        sink(text, caption);
    else
        DiagnosticsOutput::Message(text, caption);
}

Diagnostics::DebugSink Diagnostics::SetDebugSink(DebugSink sink) {
    std::lock_guard lock(TheSinks().lock);
    std::swap(TheSinks().debug, sink);
    return sink;
}

Diagnostics::MessageSink Diagnostics::SetMessageSink(MessageSink sink) {
    std::lock_guard lock(TheSinks().lock);
    std::swap(TheSinks().message, sink);
    return sink;
}

} // namespace vidrune::platform
