// A host, and the display's window, when memory runs out.
#include "BoardHost.h"
#include "board/CVidrune.h"
#include "display/CDispWin.h"
#include "support/AllocationFailure.h"
#include "support/Environment.h"
#include "support/SimDevice.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vidrune::test {

using MemoryTest = BoardHost;

// Smaller than any block the size of an image, larger than any fixed table.
constexpr size_t kFrameSized = 256 * 1024;

// A host short of memory: wherever a frame-sized block cannot be had, the call that needed it
// fails with its code, or the display goes without its image, and the host's process goes on.
// Each such block in turn is the one that fails, until a whole cycle needs none; after each,
// the same device opens and grabs the right pixels.
TEST_F(MemoryTest, CallsShortOfMemoryFailWithTheirCodeAndTheDeviceGoesOn) {
    // No stored placement: on the two screens the window is as large as the image.
    Environment::SetSettingsFolder(files.Dir().Path());
    const SimCamera camera{.depth = 12, .maxWidth = 1024, .maxHeight = 768};
    const std::string config = files.WriteSingle(camera, SimBoardFiles::ModeOf(camera));
    const std::string shown = files.Dir().File("shown.tif");
    // The host's own memory, had before any block can fail.
    std::vector<uint16_t> host(1024 * 768);
    const auto read = [&](uint32_t kind) {
        ReadRequest request = RegionRead(kind, 1, 0, 0, 512, 768, host.data());
        return plugin.ReadDevice(&request);
    };
    bool struck = true;
    for (int nth = 1; struck; ++nth) {
        SCOPED_TRACE(nth);
        std::remove(shown.c_str());
        int saved = 0;
        {
            const AllocationFailure failure(nth, kFrameSized);
            if (!failure.Active())
                GTEST_SKIP() << "the plug-in's memory cannot be made to run out here";
            ASSERT_TRUE(Initialize(config)) << plugin.AcqGetLastError();
            if (plugin.OpenDevice() != 0) {
                EXPECT_EQ(plugin.AcqGetLastError(), 9u); // only the ring's own memory fails it
            } else if (Set("WIDTH", 512) != 1) {
                EXPECT_EQ(plugin.AcqGetLastError(), 9u);
                EXPECT_EQ(plugin.CloseDevice(), 0);
            } else {
                EXPECT_EQ(Acquire(2, true), 1) << plugin.AcqGetLastError();
                EXPECT_EQ(read(VIDRUNE_READ_BY_INDEX), 1) << plugin.AcqGetLastError();
                EXPECT_EQ(StartContinuous(), 1) << plugin.AcqGetLastError();
                EXPECT_EQ(read(VIDRUNE_READ_LATEST), 1) << plugin.AcqGetLastError();
                // Refused while the display has no image or no memory to encode it.
                saved = plugin.AcqDeviceSet("SAVE DISPLAY IMAGE WITH OVERLAY",
                                            const_cast<char*>(shown.c_str()));
                EXPECT_EQ(plugin.AcquireStop(), 1);
                EXPECT_EQ(plugin.CloseDevice(), 0);
            }
            EXPECT_EQ(plugin.FreeDeviceResources(), 0);
            struck = failure.Struck();
        }
        if (saved == 1) {
            EXPECT_TRUE(files.Dir().Read("shown.tif").starts_with(std::string_view("II*\0", 4)));
        }
        ASSERT_TRUE(Open(config)) << plugin.AcqGetLastError();
        GrabsTheRightPixels({.depth = 12}, 1024, 768);
        EXPECT_EQ(plugin.CloseDevice(), 0);
        EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    }
}

// A file picked by mistake, larger than the memory left, reads as no configuration at all: the
// initialisation fails with its code instead of ending the host's process.
TEST_F(MemoryTest, AConfigurationLargerThanTheMemoryLeftReadsAsMissing) {
    files.WriteSingle(SimCamera{}, SimMode{});
    const std::string config = files.WriteConfig(";" + std::string(kFrameSized, '-') + "\n" +
                                                 files.Dir().Read("vidrune.ini"));
    {
        const AllocationFailure failure(1, kFrameSized);
        if (!failure.Active())
            GTEST_SKIP() << "the plug-in's memory cannot be made to run out here";
        EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 0);
        EXPECT_NE(plugin.AcqGetLastError(), 0u);
        EXPECT_TRUE(failure.Struck());
    }
    ASSERT_TRUE(Open(config)) << plugin.AcqGetLastError();
    GrabsTheRightPixels();
}

// The window's print takes a copy of the image on the window's thread: without memory for it
// the print takes nothing, and nothing is thrown into the window's event loop.
TEST(DisplayMemoryTest, APrintWithoutMemoryForItsCopyTakesNothing) {
    SimBoardFiles files;
    const SimCamera camera{.maxWidth = 640, .maxHeight = 480};
    CVidrune device{"STRAVIK2 MONO"};
    ASSERT_TRUE(SimDevice::Open(device, files.WriteSingle(camera, SimBoardFiles::ModeOf(camera))));
    auto* window = dynamic_cast<CDispWin*>(device.Display());
    ASSERT_NE(window, nullptr);
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    {
        const AllocationFailure failure(1, 640 * 480);
        if (!failure.Active())
            GTEST_SKIP() << "memory cannot be made to run out here";
        EXPECT_FALSE(window->WindowEvents().OnSnapshot(false, pixels, width, height));
    }
    EXPECT_TRUE(window->WindowEvents().OnSnapshot(false, pixels, width, height));
    EXPECT_EQ(pixels.size(), size_t{640} * 480);
    EXPECT_EQ(device.CloseDevice(), 0u);
}

} // namespace vidrune::test
