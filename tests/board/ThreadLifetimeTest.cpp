// Board threads held up in the library outlive the device's waits for them: the device can
// still be freed and destroyed, and the threads touch nothing of it afterwards.
#include "board/CVidrune.h"
#include "fgsim/FgSimControl.h"
#include "platform/Clock.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

#include <memory>

using vidrune::CVidrune;
using vidrune::fgsim::StallNextCall;
using vidrune::platform::Clock;
using vidrune::test::SimBoardFiles;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

namespace {

// Longer than the stop's and the thread end's waits together.
constexpr uint32_t kStallMs = 6000;

std::unique_ptr<CVidrune> OpenDevice(const SimBoardFiles& files) {
    auto device = std::make_unique<CVidrune>("STRAVIK2 MONO");
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    EXPECT_EQ(device->InitializeDevice(config.c_str()), 1);
    device->SetCurrentInputDevice(device->GetInputDeviceId("Cam"));
    EXPECT_EQ(device->OpenDevice(), 0u);
    return device;
}

} // namespace

TEST(ThreadLifetimeTest, ADeviceDestroyedUnderAHeldUpGrabThread) {
    SimBoardFiles files;
    auto device = OpenDevice(files);
    AcquireRequest request{};
    request.kind = VIDRUNE_ACQUIRE_NORMAL;
    request.frameCount = 1000;
    ASSERT_EQ(device->AcquireStart(&request), 1);
    // Stopping makes the grab thread abort the transfer, and that call hangs: a close that
    // cannot stop the acquisition says so.
    StallNextCall("FgXferAbort", kStallMs);
    EXPECT_EQ(device->CloseDevice(), 5u);
    device.reset();
    // The thread wakes up after the device is gone.
    Clock::Sleep(kStallMs + 500);

    // The library and a new device are unharmed.
    device = OpenDevice(files);
    request.frameCount = 2;
    request.waitFlag = 1;
    EXPECT_EQ(device->AcquireStart(&request), 1);
}

TEST(ThreadLifetimeTest, ADeviceFreedAndReusedUnderAHeldUpLiveThread) {
    SimBoardFiles files;
    auto device = OpenDevice(files);
    AcquireRequest request{};
    request.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
    // The live thread's first library call hangs; the start does not wait for it for long.
    StallNextCall("FgXferAbort", kStallMs);
    device->AcquireStart(&request);
    EXPECT_EQ(device->FreeDeviceResources(), 0);
    // Initialised, opened and grabbing again while the old thread still sleeps, and after.
    device = OpenDevice(files);
    request.kind = VIDRUNE_ACQUIRE_NORMAL;
    request.frameCount = 2;
    request.waitFlag = 1;
    EXPECT_EQ(device->AcquireStart(&request), 1);
    Clock::Sleep(kStallMs + 500);
    EXPECT_EQ(device->AcquireStart(&request), 1);
}
