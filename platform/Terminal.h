#pragma once

namespace vidrune::platform {

// The process's console streams.
class Terminal {
public:
    // Whether standard error goes to a terminal that redraws a line on a carriage return;
    // false for files, pipes and dumb terminals, and where it cannot be told.
    static bool StandardErrorIsTerminal();
};

} // namespace vidrune::platform
