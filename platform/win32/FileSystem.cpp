// Win32 implementation of platform/FileSystem.h; only Win32 code here.
#include "platform/FileSystem.h"

#include "platform/DynamicLibrary.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>
#include <cstdlib>

namespace vidrune::platform {

namespace {

// Long enough for any path the A functions accept.
constexpr DWORD kPathCapacity = 32768;

std::string ModuleFileName(HMODULE module) {
    std::string path(kPathCapacity, '\0');
    const DWORD length = ::GetModuleFileNameA(module, path.data(), kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return {};
    path.resize(length);
    return path;
}

using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// Writes the bytes to the file the handle opened, and makes them reach the disk.
bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &put, nullptr) || put == 0)
            return false;
        bytes.remove_prefix(put);
    }
    return true;
}

// Opens the file as the disposition says and writes the bytes through to the disk.
bool WriteFileAt(const std::string& path, DWORD disposition, std::string_view bytes) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && WriteAll(file.Get(), bytes) &&
           (::GetFileType(file.Get()) != FILE_TYPE_DISK || ::FlushFileBuffers(file.Get()));
}

} // namespace

FileSystem::Kind FileSystem::KindOf(const std::string& path) {
    if (path.empty())
        return Kind::None;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Kind::None;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Kind::Directory;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return Kind::Other;
    return Kind::File;
}

bool FileSystem::WriteWhole(const std::string& path, std::string_view bytes) {
    const Kind kind = KindOf(path);
    if (kind == Kind::Directory)
        return false;
    if (kind == Kind::Other)
        return WriteFileAt(path, OPEN_EXISTING, bytes);
    // The new content goes into a file of its own beside the target, which then takes the
    // target's place whole (with an old file's attributes): nobody sees it half-written.
    const std::string folder = FolderOf(Absolute(path));
    char temporary[MAX_PATH + 16] = {};
    if (folder.empty() || ::GetTempFileNameA(folder.c_str(), "vdr", 0, temporary) == 0)
        return false;
    const bool moved =
        WriteFileAt(temporary, TRUNCATE_EXISTING, bytes) &&
        (kind == Kind::File ? ::ReplaceFileA(path.c_str(), temporary, nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                            : ::MoveFileExA(temporary, path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    if (!moved)
        ::DeleteFileA(temporary);
    return moved;
}

std::string FileSystem::Absolute(const std::string& path) {
    if (path.empty())
        return path;
    // Also fills in the drive's own current folder for "C:name".
    std::string full(kPathCapacity, '\0');
    const DWORD length = ::GetFullPathNameA(path.c_str(), kPathCapacity, full.data(), nullptr);
    if (length == 0 || length >= kPathCapacity)
        return path;
    full.resize(length);
    return full;
}

std::string FileSystem::ExecutablePath() {
    return ModuleFileName(nullptr);
}

std::string FileSystem::ModulePathOf(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &module))
        return {};
    return ModuleFileName(module);
}

bool FileSystem::MakeDirectory(const std::string& path) {
    ::CreateDirectoryA(path.c_str(), nullptr);
    return KindOf(path) == Kind::Directory;
}

std::string FileSystem::LocalAppDataFolder() {
    // Tests point each run at a folder of its own instead of the user's.
    if (const char* folder = std::getenv("VIDRUNE_LOCAL_APPDATA"); folder != nullptr && *folder)
        return folder;
    // Looked up at run time: shell32 is loaded only when the settings are wanted.
    DynamicLibrary shell32("shell32.dll");
    auto getFolderPath = reinterpret_cast<GetFolderPath>(shell32.Symbol("SHGetFolderPathA"));
    if (getFolderPath == nullptr)
        return {};
    char folder[MAX_PATH] = {};
    if (getFolderPath(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return {};
    return folder;
}

} // namespace vidrune::platform
