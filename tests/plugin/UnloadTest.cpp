// A host that unloads the plug-in while the device still runs its threads: the unload
// must return, and the process must end normally afterwards.
#include "support/PluginLibrary.h"
#include "support/Requests.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace vidrune::test {

// In a process of its own: on Windows the running threads keep the DLL loaded past the
// host's unload, so a second load would find the same device. The display adds its own
// thread to the grab and live threads a continuous acquisition runs. (An unload after the
// host's clean-up, with the display, ends every run of the grab tool's live command.) A hang
// ends at the test runner's time-out.
TEST(UnloadTest, UnloadingWithTheLiveDisplayRunningReturns) {
    SimBoardFiles files;
    auto plugin = std::make_unique<PluginLibrary>();
    // The device open on the simulated board, its live display drawing into memory.
    const std::string config =
        files.WriteSingle(SimCamera{}, SimMode{}, "", "[EXTDISPLAY]\nMPX=0\nDISPNAME=Live\n");
    ASSERT_EQ(plugin->InitializeDevice(config.c_str()), 1);
    ASSERT_EQ(plugin->SetCurrentInputDevice(plugin->GetInputDeviceId("Cam")), 1);
    plugin->OpenDevice();
    AcquireRequest live = Acquisition(VIDRUNE_ACQUIRE_CONTINUOUS);
    ASSERT_EQ(plugin->AcquireStart(&live), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    plugin.reset(); // no AcquireStop, no CloseDevice, no FreeDeviceResources
}

} // namespace vidrune::test
