#include "tools/TerminalProbe.h"

#include "platform/Terminal.h"

namespace vidrune::tool {

bool TerminalProbe::ErrorIsTerminal() {
    return platform::Terminal::StandardErrorIsTerminal();
}

} // namespace vidrune::tool
