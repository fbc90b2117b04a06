// The live display's whole update cycle on the simulated board: read the newest 2048 x 2048
// 12-bit frame through the device, convert it to 8 bits and compose it with the overlay.
// Argument 0: conversion and composition one after the other, as the display did; 1: in one
// pass, as it does now; 2: one pass over the pixels a half-size window shows.
#include "board/CVidrune.h"
#include "display/ContrastSettings.h"
#include "display/ImageComposer.h"
#include "display/ImageConverter.h"
#include "display/ImageScaler.h"
#include "display/Palette.h"
#include "platform/Clock.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

constexpr int kSize = 2048;

// A camera folder of its own for the run.
std::filesystem::path WriteBoardFiles() {
    std::random_device random;
    auto folder =
        std::filesystem::temp_directory_path() / ("vidrune-bench-" + std::to_string(random()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "big.cam") << "[Camera]\nPixelDepth=12\nFrameRate=30\n";
    std::ofstream(folder / "big.cvi") << "[Vic]\nMaxWidth=2048\nMaxHeight=2048\nPixelDepth=12\n";
    std::ofstream(folder / "big.ini")
        << "[EXTDISPLAY]\nMPX=1\n[CAMERA1]\nNAME=Big\nPIXELSIZE=0.0055\n"
           "[CAMERA1_MODE1]\nNAME=Full\nCONTROLFILE=big.cam\nFRAMERATE=30\nHPERIOD=1\n"
           "VPERIOD=1\nPIXELCLOCK=1\nWIDTH=2048\nHEIGHT=2048\n";
    return folder;
}

void BM_UpdateCycle(benchmark::State& state) {
    const std::filesystem::path folder = WriteBoardFiles();
    vidrune::CVidrune device("STRAVIK2 MONO");
    if (!device.InitializeDevice((folder / "big.ini").c_str()) ||
        !device.SetCurrentInputDevice(device.GetInputDeviceId("Big")) || device.OpenDevice() != 0) {
        state.SkipWithError("the simulated board did not open");
        return;
    }
    AcquireRequest start{};
    start.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
    device.AcquireStart(&start);
    vidrune::platform::Clock::Sleep(200);

    std::vector<uint8_t> image(size_t{kSize} * kSize * 2);
    std::vector<uint8_t> reduced(image.size());
    std::vector<uint8_t> gray(size_t{kSize} * kSize);
    std::vector<uint8_t> overlay(size_t{kSize} * kSize, 0);
    std::vector<uint8_t> bitmap(size_t{kSize} * kSize);
    vidrune::ContrastSettings contrast;
    contrast.autoLevelCountdown = 0;
    contrast.gain = 4096; // the full 12-bit depth, as the display opens
    vidrune::ImageConverter converter(contrast);
    vidrune::ImageScaler scaler;
    vidrune::Palette palette;
    const uint8_t* table = palette.GrayToPalette().data();
    const vidrune::SimdLevel level = vidrune::SimdDispatch::Active();
    ReadRequest read{};
    read.kind = VIDRUNE_READ_LATEST;
    read.liveDisplay = 1;
    read.width = kSize;
    read.height = kSize;
    read.copyFlag = 1;
    read.data = image.data();
    const int64_t way = state.range(0);
    constexpr size_t kHalf = kSize / 2;
    for (auto _ : state) {
        if (!device.ReadDevice(&read))
            state.SkipWithError("the read failed");
        if (way == 0) {
            converter.ConvertTo8Bit(image.data(), size_t{kSize} * kSize, 12, false);
            vidrune::ImageComposer::ComposeRows(image.data(), overlay.data(), kSize, kSize,
                                                palette.GrayToPalette(), bitmap.data(), kSize);
        } else if (way == 1) {
            converter.Prepare(image.data(), size_t{kSize} * kSize, 12, false);
            converter.Map().ConvertAndCompose(image.data(), image.data(), overlay.data(), table,
                                              bitmap.data(), size_t{kSize} * kSize, level);
        } else {
            converter.Prepare(image.data(), size_t{kSize} * kSize, 12, false);
            scaler.Decimate16(kHalf, kHalf, kSize, kSize, image.data(), reduced.data());
            converter.Map().ConvertAndCompose(reduced.data(), gray.data(), overlay.data(), table,
                                              bitmap.data(), kHalf * kHalf, level);
        }
        benchmark::DoNotOptimize(bitmap.data());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kSize * kSize / 1e6, benchmark::Counter::kIsRate);
    device.AcquireStop();
    device.FreeDeviceResources();
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(BM_UpdateCycle)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
