// Win32 implementation of support/ProcessRunner.h: CreateProcess with the output on a pipe
// and standard error in a file, as the C runtime splits the command line.
#include "support/ProcessRunner.h"

#include "platform/win32/WindowsHeaders.h"
#include "support/TempDir.h"

namespace vidrune::test {

namespace {

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

// Output as a reader in text mode sees it: the C runtime ends lines with CR LF here.
std::string TextOf(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != '\r' || i + 1 == bytes.size() || bytes[i + 1] != '\n')
            text += bytes[i];
    return text;
}

HANDLE Inheritable(HANDLE handle) {
    ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

} // namespace

ProcessResult ProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
    ProcessResult result;
    TempDir scratch;
    const std::string errorFile = scratch.File("stderr");
    HANDLE readOut = nullptr;
    HANDLE writeOut = nullptr;
    if (!::CreatePipe(&readOut, &writeOut, nullptr, 0))
        return result;
    HANDLE error = ::CreateFileA(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE input = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(input);
    startup.hStdOutput = Inheritable(writeOut);
    startup.hStdError = Inheritable(error);
    std::string command = Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                          0, nullptr, nullptr, &startup, &process);
    // The child holds its own copies; the pipe ends when the child's copy goes.
    ::CloseHandle(writeOut);
    ::CloseHandle(error);
    ::CloseHandle(input);
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(readOut, chunk, sizeof chunk, &got, nullptr) && got > 0)
            result.out.append(chunk, got);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code))
            result.status = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(readOut);
    result.out = TextOf(result.out);
    result.err = TextOf(scratch.Read("stderr"));
    return result;
}

} // namespace vidrune::test
