// A host that unloads the plug-in while the device still runs its threads: the unload
// must return, and the process must end normally afterwards.
#include "support/PluginLibrary.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

using vidrune::test::PluginLibrary;
using vidrune::test::SimBoardFiles;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

namespace {

// Ends the process with a message when a step hangs, rather than leaving it to the test
// runner's time-out.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : shared_(std::make_shared<Shared>()) {
        std::thread([shared = shared_, limit] {
            std::unique_lock lock(shared->mutex);
            if (!shared->done.wait_for(lock, limit, [&] { return shared->cancelled; })) {
                std::fprintf(stderr, "watchdog: still hanging after %llds\n",
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        }).detach();
    }
    ~Watchdog() {
        std::lock_guard lock(shared_->mutex);
        shared_->cancelled = true;
        shared_->done.notify_all();
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool cancelled = false;
    };
    std::shared_ptr<Shared> shared_;
};

class UnloadTest : public ::testing::Test {
protected:
    // The device open on the simulated board, its live display drawing into memory.
    void Open(bool withDisplay) {
        const std::string display = withDisplay ? "[EXTDISPLAY]\nMPX=0\nDISPNAME=Live\n" : "";
        files.WriteCamera(SimCamera{});
        const std::string config =
            files.WriteConfig(SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                              SimBoardFiles::ModeSection("CAMERA1_MODE1", SimMode{}) + display);
        ASSERT_EQ(plugin->InitializeDevice(config.c_str()), 1);
        ASSERT_EQ(plugin->SetCurrentInputDevice(plugin->GetInputDeviceId("Cam")), 1);
        ASSERT_EQ(plugin->SetCurrentInputMode(plugin->GetInputModeId("Full")), 1);
        plugin->OpenDevice();
        ASSERT_EQ(plugin->AcqGetLastError(), 0u);
    }

    void UnloadWhileLive(bool withDisplay) {
        Open(withDisplay);
        AcquireRequest live{};
        live.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
        ASSERT_EQ(plugin->AcquireStart(&live), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));

        Watchdog watchdog(std::chrono::seconds(30));
        plugin.reset(); // no AcquireStop, no CloseDevice, no FreeDeviceResources
    }

    SimBoardFiles files;
    std::unique_ptr<PluginLibrary> plugin = std::make_unique<PluginLibrary>();
};

} // namespace

// Each case runs in a process of its own: on Windows the running threads keep the DLL
// loaded past the host's unload, so a second load would find the same device.
TEST_F(UnloadTest, UnloadingDuringAContinuousAcquisitionReturns) {
    UnloadWhileLive(false);
}

TEST_F(UnloadTest, UnloadingWithTheLiveDisplayRunningReturns) {
    UnloadWhileLive(true);
}

TEST_F(UnloadTest, UnloadingAfterTheHostsCleanUpReturns) {
    Open(true);
    ASSERT_EQ(plugin->CloseDevice(), 0);
    plugin->FreeDeviceResources();
    Watchdog watchdog(std::chrono::seconds(30));
    plugin.reset();
}
