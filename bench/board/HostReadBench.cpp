// End to end on the simulated board with 2048 x 2048 16-bit frames:
// - frames per second a host gets from a counted acquisition, reading each by index into its
//   own memory (copy) or taking the pointer into the board's buffer (zero-copy). A frame
//   overwritten before it was read (error 17) is counted as lost and the reader jumps a lap
//   ahead, as vidrune-grab does;
// - how long an open and close, and a set of the width, keep the host waiting: each builds
//   the ring and the display's frame-sized images anew;
// - how many frames a second the live thread converts for the display during a continuous
//   acquisition: a steady rate whatever the camera's, so that a fast camera does not cost
//   the host's cores a conversion per frame.
#include "board/CVidrune.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kSize = 2048;
constexpr int32_t kBuffers = 8;

std::filesystem::path WriteBoardFiles(int rate) {
    std::random_device random;
    auto folder =
        std::filesystem::temp_directory_path() / ("vidrune-bench-" + std::to_string(random()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "big.cam") << "[Camera]\nPixelDepth=16\nFrameRate=" << rate << "\n";
    std::ofstream(folder / "big.cvi") << "[Vic]\nMaxWidth=2048\nMaxHeight=2048\nPixelDepth=16\n";
    std::ofstream(folder / "big.ini")
        << "[STRAVIK2]\nDATABUFFERS=" << kBuffers
        << "\n[EXTDISPLAY]\nMPX=1\n[CAMERA1]\nNAME=Big\nPIXELSIZE=0.0055\n"
           "[CAMERA1_MODE1]\nNAME=Full\nCONTROLFILE=big.cam\nFRAMERATE="
        << rate << "\nHPERIOD=1\nVPERIOD=1\nPIXELCLOCK=1\nWIDTH=2048\nHEIGHT=2048\n";
    return folder;
}

// The 2048 x 2048 camera at the given rate on a device initialised with it and its camera
// chosen. The device is freed and the files removed with it.
class BigCamera {
public:
    explicit BigCamera(int rate) : folder_(WriteBoardFiles(rate)) {
        chosen_ = device.InitializeDevice((folder_ / "big.ini").c_str()) &&
                  device.SetCurrentInputDevice(device.GetInputDeviceId("Big"));
    }
    ~BigCamera() {
        device.FreeDeviceResources();
        std::filesystem::remove_all(folder_);
    }

    // Whether the device is ready to run, opened if open is set; the benchmark skips if not.
    bool Ready(benchmark::State& state, bool open = true) {
        if (chosen_ && (!open || device.OpenDevice() == 0))
            return true;
        state.SkipWithError("the simulated board did not open");
        return false;
    }

    vidrune::CVidrune device{"STRAVIK2 MONO"};

private:
    std::filesystem::path folder_;
    bool chosen_ = false;
};

// Arguments: the frame rate asked for, and 1 to copy or 0 to take the pointer.
void BM_HostReadsByIndex(benchmark::State& state) {
    const auto rate = static_cast<int>(state.range(0));
    const bool copy = state.range(1) != 0;
    BigCamera camera(rate);
    if (!camera.Ready(state))
        return;
    vidrune::CVidrune& device = camera.device;
    const int32_t frames = 2 * rate; // two seconds of frames
    std::vector<uint8_t> host(size_t{kSize} * kSize * 2);
    uint64_t read = 0;
    uint64_t lost = 0;
    double seconds = 0;
    for (auto _ : state) {
        read = 0;
        lost = 0;
        AcquireRequest start{};
        start.kind = VIDRUNE_ACQUIRE_NORMAL;
        start.frameCount = frames;
        device.AcquireStart(&start);
        auto first = std::chrono::steady_clock::time_point{};
        auto last = first;
        int32_t jump = 0;
        for (int32_t index = 0; index < frames; ++index) {
            ReadRequest request{};
            request.kind = VIDRUNE_READ_BY_INDEX;
            request.index = index;
            request.timeoutMs = 2000;
            request.width = kSize;
            request.height = kSize;
            request.copyFlag = copy ? 1 : 0;
            request.data = copy ? host.data() : nullptr;
            if (device.ReadDevice(&request)) {
                last = std::chrono::steady_clock::now();
                if (read++ == 0)
                    first = last;
                benchmark::DoNotOptimize(request.data);
                jump = 0;
            } else if (device.GetLastError() == 17) {
                ++lost;
                jump = jump == 0 ? kBuffers : 2 * jump;
                index += jump - 1;
            } else {
                ++lost;
            }
        }
        device.AcquireStop();
        seconds = std::chrono::duration<double>(last - first).count();
    }
    state.counters["asked_fps"] = rate;
    // From the first frame read to the last: read - 1 intervals.
    state.counters["read_fps"] = seconds > 0 ? static_cast<double>(read - 1) / seconds : 0;
    state.counters["read"] = static_cast<double>(read);
    state.counters["lost"] = static_cast<double>(lost);
}

// Argument: 0 times an open and a close, 1 a set of "WIDTH" on the open device, between the
// full width and half of it.
void BM_OpenOrResize(benchmark::State& state) {
    const bool resize = state.range(0) != 0;
    BigCamera camera(30);
    if (!camera.Ready(state, resize))
        return;
    vidrune::CVidrune& device = camera.device;
    double width = kSize;
    for (auto _ : state) {
        bool done = true;
        if (resize) {
            width = width == kSize ? kSize / 2 : kSize;
            done = device.AcqDeviceSet("WIDTH", &width, 1) == 1;
        } else {
            done = device.OpenDevice() == 0 && device.CloseDevice() == 0;
        }
        if (!done) {
            state.SkipWithError("the device refused");
            break;
        }
    }
}

// Argument: the frame rate asked for. Each iteration is a continuous acquisition of two
// seconds.
void BM_LiveDisplay(benchmark::State& state) {
    const auto rate = static_cast<int>(state.range(0));
    BigCamera camera(rate);
    if (!camera.Ready(state))
        return;
    vidrune::CVidrune& device = camera.device;
    double seconds = 0;
    for (auto _ : state) {
        const uint32_t before = device.LiveConversions();
        const auto begin = std::chrono::steady_clock::now();
        AcquireRequest start{};
        start.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
        if (!device.AcquireStart(&start)) {
            state.SkipWithError("the continuous acquisition did not start");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        device.AcquireStop();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.counters["converted"] += device.LiveConversions() - before;
    }
    state.counters["asked_fps"] = rate;
    state.counters["converted_per_s"] = seconds > 0 ? state.counters["converted"] / seconds : 0;
}

} // namespace

BENCHMARK(BM_LiveDisplay)
    ->Arg(60)
    ->Arg(400)
    ->ArgName("fps")
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_OpenOrResize)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("resize")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_HostReadsByIndex)
    ->ArgsProduct({{200, 400}, {1, 0}})
    ->ArgNames({"fps", "copy"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
