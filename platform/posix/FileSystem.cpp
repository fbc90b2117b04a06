// POSIX implementation of platform/FileSystem.h; only POSIX code here.
#include "platform/FileSystem.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace vidrune::platform {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put > 0)
            bytes.remove_prefix(static_cast<size_t>(put));
        else if (put == 0 || errno != EINTR)
            return false;
    }
    return true;
}

// A new file: nothing to lose, so it is written in place, and removed when the write fails.
bool WriteNewFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

// An existing file is replaced by a whole new one written beside it. The new one gets the
// old one's mode and, where allowed, its owner; a link keeps pointing at it.
bool ReplaceFile(const std::string& path, std::string_view bytes, const struct stat& old) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real)
        return false;
    std::string temporary = std::string(real.get()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    (void)!::fchown(fd, old.st_uid, old.st_gid); // only the owner's own ids or root succeed
    const bool written =
        ::fchmod(fd, old.st_mode & 07777) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), real.get()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// A device or FIFO has no content to keep: written as it is, as a stream would write it.
bool WriteThrough(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

} // namespace

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

bool FileSystem::WriteWhole(const std::string& path, std::string_view bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT && WriteNewFile(path, bytes);
    if (S_ISREG(info.st_mode))
        return ReplaceFile(path, bytes, info);
    return !S_ISDIR(info.st_mode) && WriteThrough(path, bytes);
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
