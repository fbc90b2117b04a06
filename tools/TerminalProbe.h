#pragma once

namespace vidrune::tool {

// Whether the tool's standard error goes to a terminal, where a progress bar may redraw
// itself; elsewhere (files, pipes, tests) the tool writes plain lines.
class TerminalProbe {
public:
    static bool ErrorIsTerminal();
};

} // namespace vidrune::tool
