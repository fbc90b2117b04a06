#pragma once

#include "support/FrameCheck.h"
#include "support/PluginLibrary.h"
#include "support/Requests.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vidrune::test {

// A host on the simulated board: the plug-in loaded by name, and helpers for the
// calling order every host follows. Public, so that table rows can drive it too.
class BoardHost : public ::testing::Test {
public:
    // Initialises with the configuration and makes the named camera (default: the first)
    // and its first mode current.
    bool Initialize(const std::string& config, const char* camera = nullptr) {
        if (!plugin.InitializeDevice(config.c_str()))
            return false;
        const char* name = camera != nullptr ? camera : plugin.GetFirstInputDeviceName();
        return name != nullptr && plugin.SetCurrentInputDevice(plugin.GetInputDeviceId(name));
    }

    bool Open(const std::string& config, const char* camera = nullptr) {
        return Initialize(config, camera) && plugin.OpenDevice() == 0 &&
               plugin.AcqGetLastError() == 0;
    }

    // The one-camera configuration at a frame rate slow enough that a test sees frames
    // arrive one by one.
    std::string SlowConfig() {
        return files.WriteSingle(SimCamera{.frameRate = 20}, SimMode{.frameRate = "20"});
    }

    VidruneDevice* Device() { return plugin.GetDeviceHandle(); }

    double Numeric(const char* name) {
        double value = -12345;
        EXPECT_EQ(plugin.AcqDeviceQuery(name, &value), 1) << name;
        return value;
    }

    int Set(const char* name, double value) { return plugin.AcqDeviceSet(name, &value); }

    // A call that answered 0 and left `code` as the last error.
    ::testing::AssertionResult Fails(int answer, uint32_t code) {
        const uint32_t error = plugin.AcqGetLastError();
        if (answer == 0 && error == code)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "answered " << answer << ", error " << error;
    }

    int Start(uint32_t kind, int32_t frames, bool wait) {
        AcquireRequest request = Acquisition(kind, frames, wait);
        return plugin.AcquireStart(&request);
    }

    int Acquire(int32_t frames, bool wait) { return Start(VIDRUNE_ACQUIRE_NORMAL, frames, wait); }

    int StartContinuous() { return Start(VIDRUNE_ACQUIRE_CONTINUOUS, 0, false); }

    // Reads a region into memory of the device's pixel size.
    int Read(uint32_t kind, int32_t index, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
             std::vector<uint8_t>& out, int32_t timeoutMs = 2000) {
        const auto bytes = static_cast<uint32_t>(Numeric("DATA SIZE"));
        out.assign(size_t{width} * height * bytes + 16, 0xEE);
        ReadRequest request = RegionRead(kind, index, x, y, width, height, out.data(), timeoutMs);
        return plugin.ReadDevice(&request);
    }

    // Reads the region (x, y, w, h) of a frame: it must be camera frame n as `seen` shows it.
    ::testing::AssertionResult Shows(uint32_t kind, int32_t index, const FrameGeometry& seen,
                                     uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t n,
                                     int32_t timeoutMs = 2000) {
        std::vector<uint8_t> frame;
        if (Read(kind, index, x, y, w, h, frame, timeoutMs) != 1)
            return ::testing::AssertionFailure() << "read failed with " << plugin.AcqGetLastError();
        const std::string difference = CompareRegion(frame, seen, x, y, w, h, n);
        return difference.empty() ? ::testing::AssertionSuccess()
                                  : ::testing::AssertionFailure() << difference;
    }

    // A waiting grab of two frames whose second, read whole, is camera frame n as `seen`
    // shows it (by default, the pattern's frame 1 on the whole sensor).
    void GrabsTheRightPixels(const FrameGeometry& seen = {}, uint32_t width = 64,
                             uint32_t height = 48, uint32_t n = 1) {
        ASSERT_EQ(Acquire(2, true), 1) << plugin.AcqGetLastError();
        EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 1, seen, 0, 0, width, height, n));
    }

    SimBoardFiles files;
    PluginLibrary plugin;
};

} // namespace vidrune::test
