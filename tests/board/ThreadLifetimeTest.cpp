// Board threads held up in the library outlive the device's waits for them: the device can
// still be freed and destroyed, and the threads touch nothing of it afterwards.
#include "board/CVidrune.h"
#include "fgsim/FgSimControl.h"
#include "platform/Clock.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <gtest/gtest.h>

#include <memory>

namespace vidrune::test {

using vidrune::fgsim::StallNextCall;
using vidrune::platform::Clock;

namespace {

// Longer than the stop's and the thread end's waits together.
constexpr uint32_t kStallMs = 6000;

class ThreadLifetimeTest : public ::testing::Test {
protected:
    std::unique_ptr<CVidrune> OpenDevice() {
        auto device = std::make_unique<CVidrune>("STRAVIK2 MONO");
        EXPECT_TRUE(SimDevice::Open(*device, config_));
        return device;
    }

    static int GrabTwo(CVidrune& device) {
        return SimDevice::Start(device, VIDRUNE_ACQUIRE_NORMAL, 2, true);
    }

private:
    SimBoardFiles files_;
    std::string config_ = files_.WriteSingle(SimCamera{}, SimMode{});
};

} // namespace

TEST_F(ThreadLifetimeTest, ADeviceDestroyedUnderAHeldUpGrabThread) {
    auto device = OpenDevice();
    ASSERT_EQ(SimDevice::Start(*device, VIDRUNE_ACQUIRE_NORMAL, 1000), 1);
    // Stopping makes the grab thread abort the transfer, and that call hangs: a close that
    // cannot stop the acquisition says so.
    StallNextCall("FgXferAbort", kStallMs);
    EXPECT_EQ(device->CloseDevice(), 5u);
    device.reset();
    // The thread wakes up after the device is gone.
    Clock::Sleep(kStallMs + 500);

    // The library and a new device are unharmed.
    EXPECT_EQ(GrabTwo(*OpenDevice()), 1);
}

TEST_F(ThreadLifetimeTest, ADeviceFreedAndReusedUnderAHeldUpLiveThread) {
    auto device = OpenDevice();
    // The live thread's first library call hangs; the start does not wait for it for long.
    StallNextCall("FgXferAbort", kStallMs);
    SimDevice::Start(*device, VIDRUNE_ACQUIRE_CONTINUOUS);
    EXPECT_EQ(device->FreeDeviceResources(), 0);
    // Initialised, opened and grabbing again while the old thread still sleeps, and after.
    device = OpenDevice();
    EXPECT_EQ(GrabTwo(*device), 1);
    Clock::Sleep(kStallMs + 500);
    EXPECT_EQ(GrabTwo(*device), 1);
}

} // namespace vidrune::test
