#include "platform/FileSystem.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

using vidrune::platform::FileSystem;

// Paths every system reads alike, then Windows drives, shares and backslashes.
TEST(FileSystemTest, RootsFoldersAndJoins) {
    const bool windows = std::filesystem::path::preferred_separator == '\\';
    const struct {
        std::string path;
        bool rooted;
        std::string folder;
        bool windowsOnly = false;
    } cases[] = {
        {"/cfg/vidrune.ini", true, "/cfg"},
        {"/vidrune.ini", true, "/"},
        {"vidrune.ini", false, ""},
        {"cams.v2/mono8.cam", false, "cams.v2"},
        // Windows path syntax: '\\', drive letters and UNC names.
        {"C:\\cfg\\vidrune.ini", true, "C:\\cfg", true},
        {"C:/cfg/vidrune.ini", true, "C:/cfg", true},
        {"c:\\vidrune.ini", true, "c:\\", true},
        {"\\\\server\\share\\cfg\\vidrune.ini", true, "\\\\server\\share\\cfg", true},
        {"\\cfg\\vidrune.ini", true, "\\cfg", true},
        {"C:vidrune.ini", false, "C:", true}, // relative to the drive's current folder
        {"sim\\mono8.cam", false, "sim", true},
    };
    for (const auto& c : cases) {
        if (c.windowsOnly && !windows)
            continue;
        EXPECT_EQ(FileSystem::IsRooted(c.path), c.rooted) << c.path;
        EXPECT_EQ(FileSystem::FolderOf(c.path), c.folder) << c.path;
    }
    EXPECT_EQ(FileSystem::Join("cfg", "a.cam"), windows ? "cfg\\a.cam" : "cfg/a.cam");
    EXPECT_EQ(FileSystem::Join("cfg/", "a.cam"), "cfg/a.cam");
    EXPECT_EQ(FileSystem::Join("", "a.cam"), "a.cam");
    // Relative names are read from the working folder; rooted ones stay as they are.
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(std::filesystem::path(FileSystem::Absolute("sim/mono8.cam")),
              here / "sim" / "mono8.cam");
    EXPECT_EQ(std::filesystem::path(FileSystem::Absolute(".")), here);
    const std::string rooted = (here / "cfg").string();
    EXPECT_EQ(FileSystem::Absolute(rooted), rooted);
    if (windows) {
        EXPECT_EQ(FileSystem::Join("C:\\cfg\\", "a.cam"), "C:\\cfg\\a.cam");
        EXPECT_EQ(FileSystem::Join("\\\\server\\share", "a.cam"), "\\\\server\\share\\a.cam");
    }
}

// A whole new file each time: a shorter content leaves nothing of a longer one behind,
// and nothing else lands in the folder. A device is written to as it is, never replaced.
TEST(FileSystemTest, WriteWholePutsExactlyTheBytesAtThePath) {
    const vidrune::test::TempDir dir;
    const std::string path = dir.File("picture.tif");
    ASSERT_TRUE(FileSystem::WriteWhole(path, "a longer first content"));
    ASSERT_TRUE(FileSystem::WriteWhole(path, "short"));
    EXPECT_EQ(dir.Read("picture.tif"), "short");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_FALSE(FileSystem::WriteWhole(dir.File("no/folder/x.tif"), "x"));
    EXPECT_FALSE(FileSystem::WriteWhole(dir.Path(), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path()));
#ifndef _WIN32
    EXPECT_TRUE(FileSystem::WriteWhole("/dev/null", "x"));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
#endif
}

#ifndef _WIN32
// The data folder: XDG_DATA_HOME when it is a full path (as the display's settings tests set
// it), else the home's .local/share.
TEST(FileSystemTest, TheDataFolderIsAFullPath) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    for (const char* value : {"data", static_cast<const char*>(nullptr)}) {
        value != nullptr ? setenv("XDG_DATA_HOME", value, 1) : unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(FileSystem::LocalAppDataFolder(), std::string(home) + "/.local/share")
            << (value ? value : "unset");
    }
}
#endif
