// POSIX implementation of platform/FileSystem.h; only POSIX code here.
#include "platform/FileSystem.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vidrune::platform {

FileSystem::Kind FileSystem::KindOf(const std::string& path) {
    if (path.empty())
        return Kind::None;
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return Kind::None;
    if (std::filesystem::is_regular_file(status))
        return Kind::File;
    if (std::filesystem::is_directory(status))
        return Kind::Directory;
    return Kind::Other;
}

std::string FileSystem::Absolute(const std::string& path) {
    if (path.empty() || IsRooted(path))
        return path;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (error)
        return path;
    // Lexically only: the host's own names for the folders stay, links are not resolved.
    std::string absolute = (folder / path).lexically_normal().string();
    if (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back(); // "." names the folder itself
    return absolute;
}

std::string FileSystem::ExecutablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string FileSystem::ModulePathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::error_code error;
    auto path = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : path.string();
}

bool FileSystem::MakeDirectory(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directory(path, error);
    return KindOf(path) == Kind::Directory;
}

std::string FileSystem::LocalAppDataFolder() {
    // A relative value is no data folder (XDG base directories): it would move with the
    // host's working folder.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return data;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/share";
    return {};
}

} // namespace vidrune::platform
