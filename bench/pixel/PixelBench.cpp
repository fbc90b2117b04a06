// Pixel conversions against memcpy of the same output bytes and against OpenCV and libyuv,
// single thread, on the same 2048 x 2048 frames. The "vs_memcpy" counter is the speed
// relative to memcpy of the bytes written: 1.0 is memcpy's speed, 0.5 takes twice as long.
#include "board/PixelConverter.h"

#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#if defined(VIDRUNE_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#if defined(VIDRUNE_HAVE_LIBYUV)
#include <libyuv/planar_functions.h>
#include <libyuv/rotate.h>
#include <libyuv/scale.h>
#endif

namespace {

using vidrune::PixelConverter;
using vidrune::SimdDispatch;
using vidrune::SimdLevel;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 2048;

// One frame per pixel size, shared by every benchmark; noise so that nothing compresses.
const std::vector<uint8_t>& Frame(int bytesPerPixel) {
    static std::map<int, std::vector<uint8_t>> frames;
    auto& frame = frames[bytesPerPixel];
    if (frame.empty()) {
        frame.resize(std::size_t{kSide} * kSide * bytesPerPixel);
        uint64_t state = 0x9E3779B97F4A7C15ull * bytesPerPixel;
        for (auto& byte : frame) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            byte = static_cast<uint8_t>(state >> 24);
        }
    }
    return frame;
}

// Seconds of one memcpy of `bytes` from the frame, measured right before each benchmark so
// that both see the same machine load.
double MemcpySeconds(std::size_t bytes) {
    const auto& frame = Frame(bytes > std::size_t{kSide} * kSide ? 2 : 1);
    std::vector<uint8_t> target(bytes);
    std::memcpy(target.data(), frame.data(), bytes);
    int runs = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration{};
    while (runs < 5 || elapsed < std::chrono::milliseconds(20)) {
        std::memcpy(target.data(), frame.data(), bytes);
        benchmark::ClobberMemory();
        ++runs;
        elapsed = Clock::now() - start;
    }
    return std::chrono::duration<double>(elapsed).count() / runs;
}

// Runs `step` in the benchmark loop and reports bytes written per second and the speed
// relative to memcpy of those bytes.
void Measure(benchmark::State& state, std::size_t outputBytes, const std::function<void()>& step) {
    const double memcpySeconds = MemcpySeconds(outputBytes);
    const auto start = Clock::now();
    for (auto _ : state) {
        step();
        benchmark::ClobberMemory();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * outputBytes));
    state.counters["vs_memcpy"] = memcpySeconds * static_cast<double>(state.iterations()) / seconds;
}

// Writes through a buffer three times the size of the last-level cache (32 MB here), so that
// the next call finds neither its source nor its destination in any cache, as for a frame
// the board has just delivered into a host's buffer.
void EvictCaches() {
    static std::vector<uint8_t> sweep(std::size_t{96} << 20);
    for (std::size_t i = 0; i < sweep.size(); i += 64)
        ++sweep[i];
    benchmark::ClobberMemory();
}

double TimedSeconds(bool cold, const std::function<void()>& step) {
    if (cold)
        EvictCaches();
    const auto start = Clock::now();
    step();
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// As Measure, but memcpy of the output bytes runs in the same loop, alternating with `step`,
// so that each finds the caches as the other left them (or, cold, empty): the ratio then
// compares like with like, where Measure's memcpy runs on its own with its bytes cached.
void MeasureAlternating(benchmark::State& state, std::size_t outputBytes, bool cold,
                        const std::function<void()>& step) {
    const auto& frame = Frame(outputBytes > std::size_t{kSide} * kSide ? 2 : 1);
    std::vector<uint8_t> target(outputBytes);
    double copySeconds = 0;
    double stepSeconds = 0;
    for (auto _ : state) {
        copySeconds +=
            TimedSeconds(cold, [&] { std::memcpy(target.data(), frame.data(), outputBytes); });
        const double seconds = TimedSeconds(cold, step);
        stepSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * outputBytes));
    state.counters["vs_memcpy"] = copySeconds / stepSeconds;
}

// The vector levels this CPU runs, each measured on its own.
std::vector<vidrune::SimdLevel> Levels() {
    std::vector<vidrune::SimdLevel> levels;
    for (auto level : {vidrune::SimdLevel::kSse2, vidrune::SimdLevel::kAvx2})
        if (vidrune::SimdDispatch::Supported(level))
            levels.push_back(level);
    return levels;
}

bool SameBytes(const std::vector<uint8_t>& a, const void* b, std::size_t bytes) {
    return a.size() >= bytes && std::memcmp(a.data(), b, bytes) == 0;
}

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(body))
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
}

std::string Bits(int bytesPerPixel) {
    return bytesPerPixel == 1 ? "8bit" : "16bit";
}

void RegisterMemcpy(int bytesPerPixel) {
    const std::size_t bytes = std::size_t{kSide} * kSide * bytesPerPixel;
    Register("Memcpy/2048x2048/" + Bits(bytesPerPixel), [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(bytes);
        Measure(state, bytes, [&] { std::memcpy(out.data(), frame.data(), bytes); });
    });
}

void RegisterCopy(int bytesPerPixel) {
    const std::string bits = Bits(bytesPerPixel);
    // Whole frame: the rows follow each other, one block.
    Register("ExtractXS1/2048x2048/" + bits + "/Vidrune", [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(frame.size());
        Measure(state, out.size(), [&] {
            PixelConverter::ExtractRegion(frame.data(), kSide, bytesPerPixel, 0, 0, kSide, kSide, 1,
                                          1, out.data());
        });
    });
    // An inner region: one block copy per row.
    constexpr uint32_t kRegion = 2000;
    Register("ExtractXS1/region2000x2000/" + bits + "/Vidrune", [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(std::size_t{kRegion} * kRegion * bytesPerPixel);
        Measure(state, out.size(), [&] {
            PixelConverter::ExtractRegion(frame.data(), kSide, bytesPerPixel, 24, 24, kRegion,
                                          kRegion, 1, 1, out.data());
        });
    });
}

// The least a sub-sampled read can cost in memory traffic: every cache line of each source
// row read is loaded and the output bytes are stored, with one OR per 32 bytes loaded and
// no shuffles. A kernel as fast as this is bound by its memory traffic, not its arithmetic.
// Rows r * factor + offset are read: offset 0 as ours (the region's first row), factor / 2
// as libyuv's unfiltered scaling.
__attribute__((target("avx2"))) void TrafficFloor(const uint8_t* source, uint8_t* destination,
                                                  std::size_t sourceRowBytes, int factor,
                                                  int offset, std::size_t outRowBytes,
                                                  std::size_t rows) {
    for (std::size_t r = 0; r < rows; ++r) {
        const uint8_t* in = source + (r * factor + offset) * sourceRowBytes;
        uint8_t* out = destination + r * outRowBytes;
        for (std::size_t o = 0; o < outRowBytes; o += 32, in += 32 * factor) {
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
            for (int k = 1; k < factor; ++k)
                v = _mm256_or_si256(
                    v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32 * k)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
        }
    }
}

void RegisterSubsample(int bytesPerPixel, int factor) {
    const std::string name = "ExtractXS" + std::to_string(factor) + "YS" + std::to_string(factor) +
                             "/2048x2048/" + Bits(bytesPerPixel);
    const int side = kSide / factor;
    const std::size_t outputBytes = std::size_t(side) * side * bytesPerPixel;
    auto ours = [=](std::vector<uint8_t>& out) {
        PixelConverter::ExtractRegion(Frame(bytesPerPixel).data(), kSide, bytesPerPixel, 0, 0, side,
                                      side, factor, factor, out.data());
    };
    for (SimdLevel level : Levels())
        Register(name + "/Vidrune_" + SimdDispatch::Name(level), [=](benchmark::State& state) {
            std::vector<uint8_t> out(outputBytes);
            Measure(state, outputBytes, [&] {
                PixelConverter::ExtractRegion(Frame(bytesPerPixel).data(), kSide, bytesPerPixel, 0,
                                              0, side, side, factor, factor, out.data(), level);
            });
        });
    for (const int offset : {0, factor / 2})
        if (SimdDispatch::Supported(SimdLevel::kAvx2))
            Register(name +
                         (offset == 0 ? "/traffic_floor_our_rows" : "/traffic_floor_libyuv_rows"),
                     [=](benchmark::State& state) {
                         std::vector<uint8_t> out(outputBytes);
                         Measure(state, outputBytes, [&] {
                             TrafficFloor(Frame(bytesPerPixel).data(), out.data(),
                                          std::size_t{kSide} * bytesPerPixel, factor, offset,
                                          std::size_t(side) * bytesPerPixel, side);
                         });
                     });
#if defined(VIDRUNE_HAVE_OPENCV)
    Register(name + "/cv::resize_NEAREST", [=](benchmark::State& state) {
        const int type = bytesPerPixel == 1 ? CV_8UC1 : CV_16UC1;
        const cv::Mat source(kSide, kSide, type, const_cast<uint8_t*>(Frame(bytesPerPixel).data()));
        cv::Mat out(side, side, type);
        auto run = [&] { cv::resize(source, out, cv::Size(side, side), 0, 0, cv::INTER_NEAREST); };
        std::vector<uint8_t> expected(outputBytes);
        ours(expected);
        run();
        if (!SameBytes(expected, out.data, outputBytes)) {
            state.SkipWithError("cv::resize took other pixels");
            return;
        }
        Measure(state, outputBytes, run);
    });
#endif
#if defined(VIDRUNE_HAVE_LIBYUV)
    Register(name + "/libyuv::ScalePlane_None", [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(outputBytes);
        Measure(state, outputBytes, [&] {
            if (bytesPerPixel == 1)
                libyuv::ScalePlane(frame.data(), kSide, kSide, kSide, out.data(), side, side, side,
                                   libyuv::kFilterNone);
            else
                libyuv::ScalePlane_16(reinterpret_cast<const uint16_t*>(frame.data()), kSide, kSide,
                                      kSide, reinterpret_cast<uint16_t*>(out.data()), side, side,
                                      side, libyuv::kFilterNone);
        });
    });
#endif
}

// The unturned image has `rows` rows of kSide pixels; turned it has kSide rows of `rows`.
void RegisterRotate(int bytesPerPixel, int rows) {
    const std::string name = "Rotate90/" + std::to_string(kSide) + "x" + std::to_string(rows) +
                             "/" + Bits(bytesPerPixel);
    const std::size_t bytes = std::size_t{kSide} * rows * bytesPerPixel;
    auto ours = [=](std::vector<uint8_t>& out) {
        PixelConverter::RotateClockwise(Frame(bytesPerPixel).data(), out.data(), rows, kSide,
                                        bytesPerPixel);
    };
    for (SimdLevel level : Levels())
        Register(name + "/Vidrune_" + SimdDispatch::Name(level), [=](benchmark::State& state) {
            std::vector<uint8_t> out(bytes);
            Measure(state, bytes, [&] {
                PixelConverter::RotateClockwise(Frame(bytesPerPixel).data(), kSide, out.data(),
                                                rows, kSide, bytesPerPixel, level);
            });
        });
    for (SimdLevel level : Levels())
        for (const bool cold : {false, true})
            benchmark::RegisterBenchmark(
                (name + "/Vidrune_" + SimdDispatch::Name(level) + (cold ? "/cold" : "/alternating"))
                    .c_str(),
                [=](benchmark::State& state) {
                    std::vector<uint8_t> out(bytes);
                    MeasureAlternating(state, bytes, cold, [&] {
                        PixelConverter::RotateClockwise(Frame(bytesPerPixel).data(), kSide,
                                                        out.data(), rows, kSide, bytesPerPixel,
                                                        level);
                    });
                })
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond);
#if defined(VIDRUNE_HAVE_LIBYUV)
    Register(name + "/libyuv::RotatePlane", [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(bytes);
        auto run = [&] {
            if (bytesPerPixel == 1)
                libyuv::RotatePlane(frame.data(), kSide, out.data(), rows, kSide, rows,
                                    libyuv::kRotate90);
            else
                libyuv::RotatePlane_16(reinterpret_cast<const uint16_t*>(frame.data()), kSide,
                                       reinterpret_cast<uint16_t*>(out.data()), rows, kSide, rows,
                                       libyuv::kRotate90);
        };
        std::vector<uint8_t> expected(bytes);
        ours(expected);
        run();
        if (expected != out) {
            state.SkipWithError("libyuv turned differently");
            return;
        }
        Measure(state, bytes, run);
    });
#endif
#if defined(VIDRUNE_HAVE_OPENCV)
    Register(name + "/cv::rotate", [=](benchmark::State& state) {
        const int type = bytesPerPixel == 1 ? CV_8UC1 : CV_16UC1;
        const cv::Mat source(rows, kSide, type, const_cast<uint8_t*>(Frame(bytesPerPixel).data()));
        cv::Mat out(kSide, rows, type);
        auto run = [&] { cv::rotate(source, out, cv::ROTATE_90_CLOCKWISE); };
        std::vector<uint8_t> expected(bytes);
        ours(expected);
        run();
        if (!SameBytes(expected, out.data, bytes)) {
            state.SkipWithError("cv::rotate turned differently");
            return;
        }
        Measure(state, bytes, run);
    });
#endif
}

void RegisterFlip(int bytesPerPixel) {
    const std::string name = "FlipRows/2048x2048/" + Bits(bytesPerPixel);
    const std::size_t bytes = std::size_t{kSide} * kSide * bytesPerPixel;
    auto ours = [=](std::vector<uint8_t>& out) {
        PixelConverter::FlipRows(Frame(bytesPerPixel).data(), out.data(), kSide, kSide,
                                 bytesPerPixel);
    };
    Register(name + "/Vidrune", [=](benchmark::State& state) {
        std::vector<uint8_t> out(bytes);
        Measure(state, bytes, [&] { ours(out); });
    });
#if defined(VIDRUNE_HAVE_LIBYUV)
    Register(name + "/libyuv::CopyPlane_negative_height", [=](benchmark::State& state) {
        const auto& frame = Frame(bytesPerPixel);
        std::vector<uint8_t> out(bytes);
        auto run = [&] {
            if (bytesPerPixel == 1)
                libyuv::CopyPlane(frame.data(), kSide, out.data(), kSide, kSide, -kSide);
            else
                libyuv::CopyPlane_16(reinterpret_cast<const uint16_t*>(frame.data()), kSide,
                                     reinterpret_cast<uint16_t*>(out.data()), kSide, kSide, -kSide);
        };
        std::vector<uint8_t> expected(bytes);
        ours(expected);
        run();
        if (expected != out) {
            state.SkipWithError("libyuv flipped differently");
            return;
        }
        Measure(state, bytes, run);
    });
#endif
#if defined(VIDRUNE_HAVE_OPENCV)
    Register(name + "/cv::flip", [=](benchmark::State& state) {
        const int type = bytesPerPixel == 1 ? CV_8UC1 : CV_16UC1;
        const cv::Mat source(kSide, kSide, type, const_cast<uint8_t*>(Frame(bytesPerPixel).data()));
        cv::Mat out(kSide, kSide, type);
        auto run = [&] { cv::flip(source, out, 0); };
        std::vector<uint8_t> expected(bytes);
        ours(expected);
        run();
        if (!SameBytes(expected, out.data, bytes)) {
            state.SkipWithError("cv::flip flipped differently");
            return;
        }
        Measure(state, bytes, run);
    });
#endif
}

} // namespace

int main(int argc, char** argv) {
#if defined(VIDRUNE_HAVE_OPENCV)
    cv::setNumThreads(1);
#endif
    for (int bytesPerPixel : {1, 2}) {
        RegisterMemcpy(bytesPerPixel);
        RegisterCopy(bytesPerPixel);
        for (int factor : {2, 4})
            RegisterSubsample(bytesPerPixel, factor);
        for (int rows : {1536, 2048})
            RegisterRotate(bytesPerPixel, rows);
        RegisterFlip(bytesPerPixel);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
