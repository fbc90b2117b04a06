#pragma once

#include "support/TempDir.h"

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vidrune::test {

// What a program run as a user runs it left behind.
struct ProcessResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with arguments through the shell, each argument quoted, and collects its
// standard output, standard error and exit status.
class ProcessRunner {
public:
    static ProcessResult Run(const std::string& program, const std::vector<std::string>& args) {
        TempDir scratch;
        std::string command = Quote(program);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        command += " 2>" + Quote(scratch.File("stderr")) + " </dev/null";
        ProcessResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char chunk[4096];
        size_t got = 0;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
            result.out.append(chunk, got);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = scratch.Read("stderr");
        return result;
    }

private:
    static std::string Quote(const std::string& text) {
        std::string quoted = "'";
        for (const char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
};

} // namespace vidrune::test
