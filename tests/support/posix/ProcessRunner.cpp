// POSIX implementation of support/ProcessRunner.h: through the shell, each argument quoted.
#include "support/ProcessRunner.h"

#include "support/TempDir.h"

#include <sys/wait.h>

#include <cstdio>

namespace vidrune::test {

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

ProcessResult ProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
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

} // namespace vidrune::test
