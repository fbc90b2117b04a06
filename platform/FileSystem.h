#pragma once

#include <string>
#include <string_view>

namespace vidrune::platform {

class FileSystem {
public:
    enum class Kind { None, File, Directory, Other };

    static Kind KindOf(const std::string& path);
    static bool Exists(const std::string& path) { return KindOf(path) != Kind::None; }
    // Full path of the running executable; empty when it cannot be found.
    static std::string ExecutablePath();
    // Full path of the loaded module (executable or shared library) holding the address.
    static std::string ModulePathOf(const void* address);
    // True when the directory exists afterwards.
    static bool MakeDirectory(const std::string& path);
    // Creates the directory and any missing parents, the new ones private to the user (as
    // the XDG base-directory rules ask for the data folder). True when it exists afterwards.
    static bool MakeDirectories(const std::string& path);
    // The user's local (non-roaming) application-data folder; it may not exist yet.
    static std::string LocalAppDataFolder();

    // Path names by the running OS's rules: on Windows both '\' and '/' separate, and
    // "C:\x", "C:/x", "\\server\share" and "\x" count as rooted.
    static bool IsRooted(const std::string& path);
    // The folder part of a path without its last separator ("/" for "/x"); empty when the
    // path has no folder part.
    static std::string FolderOf(const std::string& path);
    // The name appended to the folder with one separator between them.
    static std::string Join(const std::string& folder, const std::string& name);
    // Puts a file holding exactly these bytes at the path, written beside it first, so that
    // it appears whole: a new file, or one in place of an existing file that keeps its mode
    // (POSIX) or attributes (Windows) and a link pointing at it. A write stopped half-way
    // (a full disk) leaves an old file as it was and no new one. A device or FIFO at the
    // path is written to as it is. True when every byte was written.
    static bool WriteWhole(const std::string& path, std::string_view bytes);
    // The path as the current working folder reads it, made independent of that folder;
    // unchanged when it is rooted already or the working folder cannot be had.
    static std::string Absolute(const std::string& path);
};

} // namespace vidrune::platform
