// A profile write must never cost the window's settings file, which holds the placements of
// every camera and mode.
#include "platform/Profile.h"
#include "support/TempDir.h"
#include "support/posix/FileSizeLimit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>

using vidrune::platform::Profile;
using vidrune::test::TempDir;

// Stopped half-way by the file size limit (as a full disk would), the write fails and the
// old file, lines after the changed one included, is still there, and no part of the new one
// beside it. A write that goes through keeps the file's permissions, and a link to it stays a
// link to the changed file.
TEST(ProfileWriteTest, AWriteThatCannotFinishLeavesTheFileAsItWasOneThatCanKeepsModeAndLinks) {
    TempDir dir;
    std::string before = "[Mode1]\nXoffset=5\n[Mode2]\n";
    while (before.size() < 4000)
        before += "Key" + std::to_string(before.size()) + "=kept\n";
    const std::string target = dir.Write("LiveDisplay.ini", before);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    {
        const vidrune::test::FileSizeLimit full(before.size() + 10);
        ASSERT_TRUE(full.Set());
        EXPECT_FALSE(Profile::WriteString(link, "Mode1", "Xoffset", std::string(100, '7')));
    }
    EXPECT_TRUE(dir.Read("LiveDisplay.ini") == before) << "the file changed";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    ASSERT_TRUE(Profile::WriteString(link, "Mode1", "Xoffset", "6"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(static_cast<int>(std::filesystem::status(target).permissions()), 0640);
    EXPECT_TRUE(dir.Read("LiveDisplay.ini") == before.replace(before.find("=5"), 2, "=6"));
}

// A path that names no regular file is neither replaced nor waited on: a FIFO would keep the
// writer waiting for a reader that never comes (the test's time limit ends such a wait).
TEST(ProfileWriteTest, APathOfNoRegularFileIsLeftAlone) {
    TempDir dir;
    const std::string fifo = dir.File("pipe.ini");
    const std::string folder = dir.File("folder.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    for (const std::string& path : {fifo, folder})
        EXPECT_FALSE(Profile::WriteString(path, "S", "K", "V")) << path;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}
