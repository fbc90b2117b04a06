// POSIX implementation of platform/FileSystem.h; only POSIX code here.
#include "platform/FileSystem.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
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

// A file of its own beside the target, made as the process makes new files (0666 less the
// umask), or -1. Its name is the target's with a suffix nobody else uses.
int CreateBeside(const std::string& target, std::string& temporary) {
    static std::atomic<uint32_t> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + "." + std::to_string(::getpid()) + "-" +
                    std::to_string(serial.fetch_add(1)) + ".part";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The new content goes into a file beside the target, which then takes the target's place
// whole: nobody sees the file half-written, and a write stopped half-way (a full disk)
// leaves an old file as it was. A replacement gets the old file's mode and, where allowed,
// its owner; a link keeps pointing at it.
bool WriteBesideAndMove(const std::string& path, std::string_view bytes, const struct stat* old) {
    std::string target = path;
    if (old != nullptr) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (!real)
            return false;
        target = real.get();
    }
    std::string temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0)
        return false;
    bool written = true;
    if (old != nullptr) {
        (void)!::fchown(fd, old->st_uid, old->st_gid); // only the owner's own ids or root can
        written = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    written = written && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), target.c_str()) != 0) {
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
        return errno == ENOENT && WriteBesideAndMove(path, bytes, nullptr);
    if (S_ISREG(info.st_mode))
        return WriteBesideAndMove(path, bytes, &info);
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
