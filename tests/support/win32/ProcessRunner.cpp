// Win32 implementation of support/ProcessRunner.h: CreateProcess with both outputs in files,
// as the C runtime splits the command line.
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

} // namespace

ProcessResult ProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
    ProcessResult result;
    TempDir scratch;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const auto open = [&](const std::string& name, DWORD access, DWORD disposition) {
        return ::CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = open(scratch.File("stdout"), GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = open(scratch.File("stderr"), GENERIC_WRITE, CREATE_ALWAYS);
    std::string command = Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code))
            result.status = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        ::CloseHandle(handle);
    result.out = TextOf(scratch.Read("stdout"));
    result.err = TextOf(scratch.Read("stderr"));
    return result;
}

} // namespace vidrune::test
