// Through the system's shell (sh, or cmd on Windows) with both outputs in files.
#include "support/ProcessRunner.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace vidrune::test {

namespace {

#if defined(_WIN32)
constexpr const char* kNoInput = "NUL";

// One argument as the C runtime's parser reads it back: quoted, with backslashes doubled
// only where they precede a quote.
std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}
#else
constexpr const char* kNoInput = "/dev/null";

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
#endif

// Read in text mode, which takes back the CR LF the C runtime ends lines with on Windows.
std::string TextOf(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

ProcessResult ProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
    TempDir scratch;
    std::string command = Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " >" + Quote(scratch.File("stdout")) + " 2>" + Quote(scratch.File("stderr")) + " <" +
               kNoInput;
#if defined(_WIN32)
    // cmd /c takes off the first and the last quote of a command line with more than two.
    const int status = std::system(("\"" + command + "\"").c_str());
#else
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return {status, TextOf(scratch.File("stdout")), TextOf(scratch.File("stderr"))};
}

} // namespace vidrune::test
