#pragma once

#include <string>
#include <vector>

namespace vidrune::test {

// What a program run as a user runs it left behind.
struct ProcessResult {
    int status = -1; // exit status; -1 when it did not exit normally or did not start
    std::string out;
    std::string err;
};

// Runs a program with arguments, each passed as it is, with no input, and collects its
// standard output and standard error as text (lines ending in \n) and its exit status.
class ProcessRunner {
public:
    static ProcessResult Run(const std::string& program, const std::vector<std::string>& args);
};

} // namespace vidrune::test
