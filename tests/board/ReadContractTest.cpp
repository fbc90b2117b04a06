// What a read answers when the frame asked for is not the one a slot holds, and reads that
// follow geometry changes and triggers.
#include "BoardHost.h"
#include "FrameCheck.h"
#include "platform/Clock.h"

namespace vidrune::test {

using vidrune::platform::Clock;

using ReadContractTest = BoardHost;

TEST_F(ReadContractTest, AFrameNotYetInIsWaitedForAndReadOnce) {
    ASSERT_TRUE(Open(SlowConfig()));
    // Six frames through four buffers: frame 5 lands where frame 1 was.
    ASSERT_EQ(Acquire(6, false), 1);
    std::vector<uint8_t> frame;
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 5, 0, 0, 64, 48, frame, 5000), 1)
        << plugin.AcqGetLastError();
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 5), "");
    // Frame 1 was overwritten by then and frame 5 is taken already: answered at once, not
    // after the (long) time-out, and not from an earlier lap.
    for (int32_t index : {1, 5}) {
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, index, 0, 0, 8, 8, frame, 60000), 0) << index;
        EXPECT_EQ(plugin.AcqGetLastError(), 17u) << index;
    }
}

TEST_F(ReadContractTest, ContinuousAcquisitionsGoOnAfterAGeometryChange) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    ASSERT_EQ(StartContinuous(), 1);
    for (auto [name, value] : {std::pair{"WIDTH", 48.0}, {"DATA SKIP", 2.0}, {"HEIGHT", 32.0}}) {
        ASSERT_EQ(Set(name, value), 1) << name;
        std::vector<uint8_t> frame;
        uint32_t first = 0;
        uint32_t newest = 0;
        // The newest frame keeps moving at the new geometry (crop centred on the sensor).
        const FrameGeometry geometry{.cropLeft = 8, .cropTop = Numeric("HEIGHT") == 32 ? 8u : 0u};
        for (int i = 0; i < 40 && newest <= first + 1; ++i) {
            Clock::Sleep(25);
            if (Read(VIDRUNE_READ_LATEST, 0, 0, 0, 48, 32, frame) != 1)
                continue;
            // Pixel (0, 0) of camera frame n is 1 + (left + 3 top + 5n) mod 255.
            const uint32_t base = geometry.cropLeft + 3 * geometry.cropTop;
            const uint32_t n = ((frame[0] + 255 - 1 - base % 255) % 255) / 5;
            EXPECT_EQ(CompareRegion(frame, geometry, 0, 0, 48, 32, n), "") << name;
            first = i == 0 || first == 0 ? n : first;
            newest = n;
        }
        EXPECT_GT(newest, first + 1) << name << ": the live view stopped";
    }
    EXPECT_EQ(plugin.AcquireStop(), 1);
}

TEST_F(ReadContractTest, TriggeredFramesComeWhenTriggeredWithoutAGapError) {
    // Five times slower than the frame rate.
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{.extra = "TriggerRate=40\n"}, SimMode{})));
    ASSERT_EQ(Set("TRIGGER MODE", 2), 1);
    ASSERT_EQ(Acquire(3, true), 1) << plugin.AcqGetLastError();
    std::vector<uint8_t> frame;
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, i, 0, 0, 8, 8, frame), 1) << i;
        EXPECT_EQ(plugin.AcqGetLastError(), 0u) << i;
    }
}

} // namespace vidrune::test
