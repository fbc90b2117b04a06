// A host that unloads the plug-in while the device still runs its threads: the unload
// must return, and the process must end normally afterwards.
#include "support/PluginLibrary.h"
#include "support/Requests.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

using vidrune::test::PluginLibrary;
using vidrune::test::SimBoardFiles;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

// In a process of its own: on Windows the running threads keep the DLL loaded past the
// host's unload, so a second load would find the same device. The display adds its own
// thread to the grab and live threads a continuous acquisition runs. (An unload after the
// host's clean-up, with the display, ends every run of the grab tool's live command.)
TEST(UnloadTest, UnloadingWithTheLiveDisplayRunningReturns) {
    SimBoardFiles files;
    auto plugin = std::make_unique<PluginLibrary>();
    // The device open on the simulated board, its live display drawing into memory.
    const std::string config =
        files.WriteSingle(SimCamera{}, SimMode{}, "", "[EXTDISPLAY]\nMPX=0\nDISPNAME=Live\n");
    ASSERT_EQ(plugin->InitializeDevice(config.c_str()), 1);
    ASSERT_EQ(plugin->SetCurrentInputDevice(plugin->GetInputDeviceId("Cam")), 1);
    plugin->OpenDevice();
    ASSERT_EQ(plugin->AcqGetLastError(), 0u);
    AcquireRequest live = vidrune::test::Acquisition(VIDRUNE_ACQUIRE_CONTINUOUS);
    ASSERT_EQ(plugin->AcquireStart(&live), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    // No AcquireStop, no CloseDevice, no FreeDeviceResources. A watchdog ends the process
    // with a message when the unload hangs, rather than leaving it to the test runner's
    // time-out.
    std::promise<void> unloaded;
    std::thread watchdog([done = unloaded.get_future()] {
        if (done.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            std::fputs("watchdog: the unload still hangs after 30 s\n", stderr);
            std::_Exit(3);
        }
    });
    plugin.reset();
    unloaded.set_value();
    watchdog.join();
}
