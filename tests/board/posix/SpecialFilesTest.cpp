// Paths that name no regular file, as a host or its configuration may give them.
#include "board/BoardHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace vidrune::test {

using SpecialFilesTest = BoardHost;

// A FIFO is neither waited on nor read, whether or not a writer holds a whole configuration
// in it: as the configuration nothing initialises, as a camera file the open fails with its
// code, and the host's thread comes back each time.
TEST_F(SpecialFilesTest, AFifoIsNeitherAConfigurationNorACameraFile) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    const std::string fifo = files.Dir().File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(plugin.InitializeDevice(fifo.c_str()), 0);
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string text = files.Dir().Read("vidrune.ini");
    ASSERT_EQ(write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    EXPECT_EQ(plugin.InitializeDevice(fifo.c_str()), 0);
    close(writer);

    ASSERT_TRUE(Initialize(files.WriteSingle(SimCamera{}, SimMode{.controlFile = "pipe"})));
    EXPECT_EQ(plugin.OpenDevice(), 23);
    EXPECT_EQ(plugin.AcqGetLastError(), 23u);
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    GrabsTheRightPixels();
}

} // namespace vidrune::test
