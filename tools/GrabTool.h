#pragma once

#include <ostream>

namespace vidrune::tool {

// The command line of vidrune-grab: parses the arguments, runs the chosen command and turns
// every failure into a message and an exit status (2 for bad input, 1 for a failed
// acquisition, 0 for success).
class GrabTool {
public:
    GrabTool(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    int Run(int argc, char** argv);

private:
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace vidrune::tool
