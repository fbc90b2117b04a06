// The OS-independent part of platform/FileSystem.h: path names through std::filesystem,
// whose rules follow the target OS.
#include "platform/FileSystem.h"

#include <filesystem>

namespace vidrune::platform {

bool FileSystem::IsRooted(const std::string& path) {
    return std::filesystem::path(path).has_root_directory();
}

std::string FileSystem::FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

std::string FileSystem::Join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    const char last = folder.back();
    const bool separated =
        last == '/' || last == static_cast<char>(std::filesystem::path::preferred_separator);
    return separated
               ? folder + name
               : folder + static_cast<char>(std::filesystem::path::preferred_separator) + name;
}

bool FileSystem::MakeDirectories(const std::string& path) {
    if (path.empty())
        return false;
    const std::filesystem::path target(path);
    if (KindOf(path) != Kind::Directory && target.has_parent_path() &&
        target.parent_path() != target)
        MakeDirectories(target.parent_path().string());
    std::error_code error;
    if (std::filesystem::create_directory(target, error))
        std::filesystem::permissions(target, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
    return KindOf(path) == Kind::Directory;
}

} // namespace vidrune::platform
