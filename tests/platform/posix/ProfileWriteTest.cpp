// A profile write that cannot be carried out whole must leave the file as it was: the
// window's settings file holds the placements of every camera and mode.
#include "platform/Profile.h"
#include "support/TempDir.h"
#include "support/posix/FileSizeLimit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

using vidrune::platform::Profile;
using vidrune::test::TempDir;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

} // namespace

// Stopped half-way by the file size limit (as a full disk would), the write fails and the
// old file, lines after the changed one included, is still there.
TEST(ProfileWriteTest, AWriteThatCannotFinishLeavesTheFileAsItWas) {
    TempDir dir;
    std::string before = "[Mode1]\nXoffset=5\n[Mode2]\n";
    while (before.size() < 4000)
        before += "Key" + std::to_string(before.size()) + "=kept\n";
    const std::string path = dir.Write("LiveDisplay.ini", before);

    bool written = true;
    {
        const vidrune::test::FileSizeLimit full(before.size() + 10);
        ASSERT_TRUE(full.Set());
        written = Profile::WriteString(path, "Mode1", "Xoffset", std::string(100, '7'));
    }
    EXPECT_FALSE(written);
    const std::string after = dir.Read("LiveDisplay.ini");
    EXPECT_EQ(after.size(), before.size());
    EXPECT_TRUE(after == before) << "the file changed";
}

// A path that names no regular file is neither waited on nor replaced: a FIFO would keep
// the writer waiting for a reader that never comes.
TEST(ProfileWriteTest, APathOfNoRegularFileIsLeftAlone) {
    TempDir dir;
    const std::string fifo = dir.File("pipe.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> returned{false};
    std::atomic<bool> rescued{false};
    // Lets a writer that waits for a reader go after 2 s, so that the test fails rather
    // than hangs.
    std::thread rescue([&] {
        for (int i = 0; i < 200 && !returned; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned) {
            rescued = true;
            const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            close(reader);
        }
    });
    const bool written = Profile::WriteString(fifo, "S", "K", "V");
    returned = true;
    rescue.join();
    EXPECT_FALSE(rescued) << "the write waited for a reader";
    EXPECT_FALSE(written);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

    const std::string folder = dir.File("folder.ini");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(Profile::WriteString(folder, "S", "K", "V"));
    EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
}

// The file keeps its permissions, and a link to it stays a link to the changed file.
TEST(ProfileWriteTest, AWriteKeepsTheFilesModeAndLinks) {
    TempDir dir;
    const std::string target = dir.Write("target.ini", "[S]\nK=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    ASSERT_TRUE(Profile::WriteString(link, "S", "K", "2"));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(dir.Read("target.ini"), "[S]\nK=2\n");
    EXPECT_EQ(ModeOf(target) & 07777, 0640u);
}
