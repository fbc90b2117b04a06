#include "platform/Diagnostics.h"

#include <cstdio>
#include <cstdlib>
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

void DefaultDebug(std::string_view text) {
    if (std::getenv("VIDRUNE_DEBUG") == nullptr)
        return;
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void DefaultMessage(std::string_view text, std::string_view caption) {
    std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
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
        DefaultDebug(text);
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
        DefaultMessage(text, caption);
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
