// Win32 implementation of platform/Profile.h: the system's own profile functions, whose rules
// the POSIX reader follows.
#include "platform/Profile.h"

#include "platform/win32/WindowsHeaders.h"

#include <algorithm>

namespace vidrune::platform {

namespace {

// Longer values are cut like any other: no setting comes near it.
constexpr size_t kMaxBuffer = 65536;

// The profile functions look a bare file name up in the Windows folder; the plug-in means
// the current folder, as every other file function does. Empty when the path is longer than
// the profile functions take (some versions overrun their own buffers on such a path).
std::string FullPath(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    const DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return {};
    full.resize(length);
    return full;
}

} // namespace

struct Profile::Batch::Files {};

Profile::Batch::Batch() = default;
Profile::Batch::~Batch() = default;

std::string Profile::GetString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& defaultValue,
                               size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    const std::string file = FullPath(path);
    if (file.empty())
        return defaultValue.substr(0, bufferSize - 1);
    std::string value(std::min(bufferSize, kMaxBuffer), '\0');
    const DWORD length =
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), value.data(),
                                   static_cast<DWORD>(value.size()), file.c_str());
    value.resize(std::min<size_t>(length, value.size() - 1));
    return value;
}

int Profile::GetInt(const std::string& path, const std::string& section, const std::string& key,
                    int defaultValue) {
    const std::string file = FullPath(path);
    if (file.empty())
        return defaultValue;
    return static_cast<int>(
        ::GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str()));
}

bool Profile::WriteString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value) {
    const std::string file = FullPath(path);
    return !file.empty() && ::WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                                         value.c_str(), file.c_str()) != FALSE;
}

} // namespace vidrune::platform
