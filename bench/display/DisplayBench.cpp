// The display's per-frame work on 2048 x 2048 16-bit frames, next to what common
// libraries take for the same job. Every line reports pixels per second and,
// in a closing table, its speed relative to copying the same input bytes (1.0 = as fast).
#include "display/ContrastMap.h"
#include "display/ContrastSettings.h"
#include "display/ImageComposer.h"
#include "display/ImageConverter.h"
#include "display/ImageScaler.h"
#include "display/Palette.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef VIDRUNE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef VIDRUNE_HAVE_LIBYUV
#include <libyuv/planar_functions.h>
#endif

namespace {

using namespace vidrune;

constexpr int kWidth = 2048;
constexpr int kHeight = 2048;
constexpr size_t kPixels = size_t{kWidth} * kHeight;

// A 12-bit scene: a gradient with sensor noise, little-endian words.
const std::vector<uint8_t>& Frame16() {
    static const std::vector<uint8_t> frame = [] {
        std::vector<uint8_t> bytes(kPixels * 2);
        std::mt19937 random(42);
        std::normal_distribution<float> noise(0.0f, 12.0f);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const float v = 200.0f + 3600.0f * static_cast<float>(x + y) / (kWidth + kHeight);
                const auto value =
                    static_cast<uint16_t>(std::clamp(v + noise(random), 0.0f, 4095.0f));
                const size_t i = static_cast<size_t>(y) * kWidth + x;
                bytes[2 * i] = static_cast<uint8_t>(value);
                bytes[2 * i + 1] = static_cast<uint8_t>(value >> 8);
            }
        }
        return bytes;
    }();
    return frame;
}

const std::vector<uint8_t>& Image8() {
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bytes(kPixels);
        const std::vector<uint8_t>& frame = Frame16();
        for (size_t i = 0; i < kPixels; ++i)
            bytes[i] = frame[2 * i + 1] << 4 | frame[2 * i] >> 4;
        return bytes;
    }();
    return image;
}

// Overlay marks: a grid of thin lines and a few filled boxes.
const std::vector<uint8_t>& Overlay() {
    static const std::vector<uint8_t> overlay = [] {
        std::vector<uint8_t> bytes(kPixels, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (x % 128 == 0 || y % 128 == 0 || (x / 300 == 2 && y / 300 == 3))
                    bytes[static_cast<size_t>(y) * kWidth + x] = 255;
        return bytes;
    }();
    return overlay;
}

// Each benchmark names how many pixels it handles and how many input bytes it reads;
// the summary relates its time to the memcpy of as many bytes.
void Report(benchmark::State& state, size_t pixels, size_t inputBytes) {
    state.counters["px/s"] = benchmark::Counter(static_cast<double>(pixels),
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["in_bytes"] = static_cast<double>(inputBytes);
}

void BM_Memcpy16(benchmark::State& state) {
    std::vector<uint8_t> to(kPixels * 2);
    for (auto _ : state) {
        std::memcpy(to.data(), Frame16().data(), to.size());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

void BM_Memcpy8(benchmark::State& state) {
    std::vector<uint8_t> to(kPixels);
    for (auto _ : state) {
        std::memcpy(to.data(), Image8().data(), to.size());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}

// In place, so each run starts from a fresh copy of the frame (not timed).
void BM_ConvertTo8Bit(benchmark::State& state) {
    ContrastSettings settings;
    settings.autoLevelCountdown = 0;
    settings.gain = 3000;
    settings.offset = 300;
    ImageConverter converter(settings);
    std::vector<uint8_t> buffer(Frame16());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buffer.data(), Frame16().data(), buffer.size());
        state.ResumeTiming();
        converter.ConvertTo8Bit(buffer.data(), kPixels, 12, true);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

// The conversion alone at each level the CPU runs (argument: 0 scalar table, 1 SSE2-level
// table, 2 AVX2: the 16-bit-lane division, which the map proves for this setting), in place
// as the display does it.
void BM_ContrastMap(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdDispatch::Supported(level)) {
        state.SkipWithError("this CPU lacks the level");
        return;
    }
    state.SetLabel(SimdDispatch::Name(level));
    ContrastMap map;
    map.Set(3000, 300, 0);
    std::vector<uint8_t> buffer(Frame16());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buffer.data(), Frame16().data(), buffer.size());
        state.ResumeTiming();
        map.Convert(buffer.data(), buffer.data(), kPixels, level);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

void BM_AutoLevelHistogram(benchmark::State& state) {
    ContrastSettings settings;
    ImageConverter converter(settings);
    for (auto _ : state) {
        settings.RestartAutoLevels(1);
        converter.AutoLevel(Frame16().data(), kPixels, 12, true);
        benchmark::DoNotOptimize(settings.gain.load());
    }
    Report(state, kPixels, kPixels * 2);
}

void BM_Compose(benchmark::State& state) {
    const Palette palette;
    std::vector<uint8_t> bitmap(kPixels);
    for (auto _ : state) {
        ImageComposer::Compose(Image8().data(), Overlay().data(), kPixels, palette.GrayToPalette(),
                               bitmap.data());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}

void BM_PlainTableLookup(benchmark::State& state) {
    const Palette palette;
    const Palette::GrayTable& table = palette.GrayToPalette();
    std::vector<uint8_t> bitmap(kPixels);
    for (auto _ : state) {
        const uint8_t* image = Image8().data();
        uint8_t* out = bitmap.data();
        for (size_t i = 0; i < kPixels; ++i)
            out[i] = table[image[i]];
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}

// The update thread's work for one frame at 100 % and above: convert, then compose.
void BM_ConvertAndCompose(benchmark::State& state) {
    ContrastSettings settings;
    settings.autoLevelCountdown = 0;
    settings.gain = 3000;
    settings.offset = 300;
    ImageConverter converter(settings);
    const Palette palette;
    std::vector<uint8_t> buffer(Frame16());
    std::vector<uint8_t> bitmap(kPixels);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buffer.data(), Frame16().data(), buffer.size());
        state.ResumeTiming();
        converter.ConvertTo8Bit(buffer.data(), kPixels, 12, true);
        ImageComposer::Compose(buffer.data(), Overlay().data(), kPixels, palette.GrayToPalette(),
                               bitmap.data());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

// The same in one pass (conversion, palette and overlay), as the display now does it.
void BM_ConvertAndComposeFused(benchmark::State& state) {
    ContrastMap map;
    map.Set(3000, 300, 0);
    const Palette palette;
    std::vector<uint8_t> buffer(Frame16());
    std::vector<uint8_t> bitmap(kPixels);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buffer.data(), Frame16().data(), buffer.size());
        state.ResumeTiming();
        map.ConvertAndCompose(buffer.data(), buffer.data(), Overlay().data(),
                              palette.GrayToPalette().data(), bitmap.data(), kPixels,
                              SimdDispatch::Active());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

// Below 100 %: decimate the image, compose with the reduced overlay.
void BM_Decimate(benchmark::State& state) {
    const int dw = static_cast<int>(state.range(0));
    const int dh = dw;
    ImageScaler scaler;
    std::vector<uint8_t> reduced(kPixels);
    for (auto _ : state) {
        scaler.Decimate(dw, dh, kWidth, kHeight, Image8().data(), reduced.data());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}

void BM_ReduceOverlay(benchmark::State& state) {
    const int dw = static_cast<int>(state.range(0));
    const int dh = dw;
    ImageScaler scaler;
    std::vector<uint8_t> reduced(kPixels);
    for (auto _ : state) {
        scaler.ReduceOverlay(dw, dh, kWidth, kHeight, Overlay().data(), reduced.data());
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}

#ifdef VIDRUNE_HAVE_LIBYUV
void BM_LibyuvConvert16To8Plane(benchmark::State& state) {
    std::vector<uint8_t> out(kPixels);
    const auto* src = reinterpret_cast<const uint16_t*>(Frame16().data());
    for (auto _ : state) {
        libyuv::Convert16To8Plane(src, kWidth, out.data(), kWidth, 4096, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}
#endif

#ifdef VIDRUNE_HAVE_OPENCV
cv::Mat Frame16Mat() {
    return cv::Mat(kHeight, kWidth, CV_16U, const_cast<uint8_t*>(Frame16().data()));
}

void BM_OpenCvConvertTo(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat src = Frame16Mat();
    cv::Mat out(kHeight, kWidth, CV_8U);
    for (auto _ : state) {
        src.convertTo(out, CV_8U, 256.0 / 3000.0, -300.0 * 256.0 / 3000.0);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

void BM_OpenCvCalcHist(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat src = Frame16Mat();
    cv::Mat hist;
    const int channels[] = {0};
    const int bins[] = {65536};
    const float range[] = {0.0f, 65536.0f};
    const float* ranges[] = {range};
    for (auto _ : state) {
        cv::calcHist(&src, 1, channels, cv::Mat(), hist, 1, bins, ranges);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels * 2);
}

void BM_OpenCvResizeNearest(benchmark::State& state) {
    cv::setNumThreads(1);
    const int dw = static_cast<int>(state.range(0));
    const cv::Mat src(kHeight, kWidth, CV_8U, const_cast<uint8_t*>(Image8().data()));
    cv::Mat out(dw, dw, CV_8U);
    for (auto _ : state) {
        cv::resize(src, out, cv::Size(dw, dw), 0, 0, cv::INTER_NEAREST);
        benchmark::ClobberMemory();
    }
    Report(state, kPixels, kPixels);
}
#endif

} // namespace

BENCHMARK(BM_Memcpy16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContrastMap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
#ifdef VIDRUNE_HAVE_LIBYUV
BENCHMARK(BM_LibyuvConvert16To8Plane)->Unit(benchmark::kMillisecond);
#endif
#ifdef VIDRUNE_HAVE_OPENCV
BENCHMARK(BM_OpenCvConvertTo)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_AutoLevelHistogram)->Unit(benchmark::kMillisecond);
#ifdef VIDRUNE_HAVE_OPENCV
BENCHMARK(BM_OpenCvCalcHist)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Memcpy8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compose)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTableLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertAndCompose)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertAndComposeFused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decimate)->Arg(1024)->Arg(700)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceOverlay)->Arg(1024)->Arg(700)->Unit(benchmark::kMillisecond);
#ifdef VIDRUNE_HAVE_OPENCV
BENCHMARK(BM_OpenCvResizeNearest)->Arg(1024)->Arg(700)->Unit(benchmark::kMillisecond);
#endif

namespace {

// Prints the usual lines and, at the end, a table with pixels per second and the speed
// relative to memcpy of the same input bytes (CPU time: the machine may be shared).
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0)
                continue;
            const auto bytes = run.counters.find("in_bytes");
            const auto rate = run.counters.find("px/s");
            if (bytes == run.counters.end() || rate == run.counters.end())
                continue;
            rows_.push_back(Row{run.benchmark_name(), run.GetAdjustedCPUTime(), rate->second.value,
                                static_cast<size_t>(bytes->second.value)});
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n| benchmark | CPU ms | Mpixel/s | vs memcpy of same bytes |\n");
        std::printf("|---|---:|---:|---:|\n");
        for (const Row& row : rows_) {
            double memcpyMs = 0;
            for (const Row& other : rows_)
                if (other.name.rfind("BM_Memcpy", 0) == 0 && other.inputBytes == row.inputBytes)
                    memcpyMs = other.cpuMs;
            std::printf("| %s | %.3f | %.0f | %.3f |\n", row.name.c_str(), row.cpuMs,
                        row.pixelsPerSecond / 1e6, memcpyMs > 0 ? memcpyMs / row.cpuMs : 0.0);
        }
    }

private:
    struct Row {
        std::string name;
        double cpuMs;
        double pixelsPerSecond;
        size_t inputBytes;
    };
    std::vector<Row> rows_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
