#include "FuzzHost.h"

#include "support/Requests.h"
#include "support/SimBoardFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vidrune::test {

namespace {

// Plenty for any camera list a host could show; ends a walk that never ends.
constexpr int kMaxNames = 1000;
constexpr uint32_t kMaxReadSide = 256;
constexpr int32_t kFrameWaitMs = 100;

} // namespace

double Numeric(const char* name) {
    double value = 0;
    return AcqDeviceQuery(name, &value) == 1 ? value : 0.0;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

FuzzHost::FuzzHost() {
    // The display stays in memory and its settings stay out of the user's home.
    setenv("VIDRUNE_DISPLAY", "headless", 1);
    setenv("XDG_DATA_HOME", dir_.Path().c_str(), 1);
}

std::string FuzzHost::Write(const std::string& name, const std::string& bytes) {
    if (auto [at, added] = written_.try_emplace(name, bytes); added || at->second != bytes) {
        at->second = bytes;
        dir_.Write(name, bytes);
    }
    return dir_.File(name);
}

bool FuzzHost::Initialize(const std::string& config) {
    if (InitializeDevice(config.c_str()) != 1)
        return false;
    if (GetNumInputDevices() == 0 || GetFirstInputDeviceName() == nullptr)
        Fail("InitializeDevice gave 1 without a camera (error " +
             std::to_string(AcqGetLastError()) + ")");
    return true;
}

void FuzzHost::Enumerate() {
    int names = 0;
    for (const char* camera = GetFirstInputDeviceName(); camera != nullptr && names < kMaxNames;
         camera = GetNextInputDeviceName(), ++names) {
        if (SetCurrentInputDevice(GetInputDeviceId(camera)) != 1)
            continue;
        GetInputDeviceType();
        for (const char* mode = GetFirstInputModeName(); mode != nullptr && names < kMaxNames;
             mode = GetNextInputModeName(), ++names)
            GetInputModeId(mode);
        // The walks over modes and cameras are separate; the camera walk goes on.
    }
}

bool FuzzHost::Open() {
    const char* camera = GetFirstInputDeviceName();
    if (camera == nullptr || SetCurrentInputDevice(GetInputDeviceId(camera)) != 1)
        return false;
    const char* mode = GetFirstInputModeName();
    VidruneDevice* device = GetDeviceHandle();
    if (mode != nullptr)
        device->ops->SetCurrentInputMode(device, GetInputModeId(mode));
    return OpenDevice() == 0 && AcqGetLastError() == 0;
}

void FuzzHost::ReadInto(uint32_t kind) {
    const auto width =
        std::min(static_cast<uint32_t>(std::max(Numeric("WIDTH"), 0.0)), kMaxReadSide);
    const auto height =
        std::min(static_cast<uint32_t>(std::max(Numeric("HEIGHT"), 0.0)), kMaxReadSide);
    const auto bytes =
        std::clamp(static_cast<uint32_t>(std::max(Numeric("DATA SIZE"), 0.0)), 1u, 2u);
    std::vector<uint8_t> pixels(size_t{width} * height * bytes + 1);
    ReadRequest request = RegionRead(kind, 0, 0, 0, width, height, pixels.data(), kFrameWaitMs);
    ReadDevice(&request);
}

void FuzzHost::GrabOne() {
    // Without the wait flag: a camera slower than the fuzzer's patience is not a hang.
    AcquireRequest request = Acquisition(VIDRUNE_ACQUIRE_NORMAL, 1);
    if (AcquireStart(&request) == 1) {
        ReadInto(VIDRUNE_READ_BY_INDEX);
        ReadInto(VIDRUNE_READ_LATEST);
    }
    AcquireStop();
}

std::string FuzzHost::GrabsThePattern(const FrameGeometry& frame, uint32_t width, uint32_t height) {
    AcquireRequest request = Acquisition(VIDRUNE_ACQUIRE_NORMAL, 1);
    if (AcquireStart(&request) != 1)
        return "the start failed (error " + std::to_string(AcqGetLastError()) + ")";
    // A guard byte after the frame, which the read must leave alone.
    std::vector<uint8_t> pixels(size_t{width} * height * frame.BytesPerPixel() + 1, 0xEE);
    ReadRequest read =
        RegionRead(VIDRUNE_READ_BY_INDEX, 0, 0, 0, width, height, pixels.data(), 1000);
    const bool came = ReadDevice(&read) == 1;
    const uint32_t error = AcqGetLastError();
    AcquireStop();
    if (!came)
        return "the read failed (error " + std::to_string(error) + ")";
    // The frame's number is not known here; every pattern repeats within 255 frames.
    for (uint32_t n = 0; n < 255; ++n)
        if (CompareRegion(pixels, frame, 0, 0, width, height, n).empty())
            return {};
    return "no frame of the pattern; against frame 0: " +
           CompareRegion(pixels, frame, 0, 0, width, height, 0);
}

void FuzzHost::CloseAndFree() {
    AcquireStop();
    CloseDevice();
    FreeDeviceResources();
}

} // namespace vidrune::test
