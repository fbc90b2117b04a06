// Schedule keeping of the simulated board: an endless transfer into a ring of four
// buffers for two seconds per run. CPU time is the whole process's, so it includes the
// delivery thread; "late" counts frames completed after the next one was due. The "busy"
// runs keep two more threads spinning meanwhile, as many as the machine has cores.
#include "FgSimControl.h"
#include "fgcore.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Setup {
    uint32_t width;
    uint32_t height;
    uint32_t depth;
    double rate;
    int busyThreads = 0;
};

// Threads that keep the cores busy while it lives.
class BusyLoad {
public:
    explicit BusyLoad(int threads) {
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back([this] {
                uint64_t x = 1;
                while (!stop_.load(std::memory_order_relaxed))
                    x = x * 6364136223846793005ull + 1;
                sink_.fetch_add(x, std::memory_order_relaxed);
            });
    }
    ~BusyLoad() {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> sink_{0};
    std::vector<std::thread> threads_;
};

FgStatus CountFrame(void* context, uint32_t, FgHandle) {
    static_cast<std::atomic<uint64_t>*>(context)->fetch_add(1, std::memory_order_relaxed);
    return 0;
}

std::string WriteFiles(const Setup& setup) {
    const auto folder = std::filesystem::temp_directory_path() / "vidrune-fgsim-bench";
    std::filesystem::create_directories(folder);
    const std::string base = (folder / ("cam" + std::to_string(setup.depth))).string();
    std::ofstream(base + ".cam") << "[Camera]\nPixelDepth=" << setup.depth
                                 << "\nFrameRate=" << setup.rate << "\n";
    std::ofstream(base + ".cvi") << "[Vic]\nMaxWidth=" << setup.width
                                 << "\nMaxHeight=" << setup.height << "\nPixelDepth=" << setup.depth
                                 << "\n";
    return base;
}

void BM_ScheduleKeeping(benchmark::State& state, Setup setup) {
    const std::string base = WriteFiles(setup);
    const FgHandle local = FgManGetLocalServer();
    FgHandle board = 0, acquisition = 0, camera = 0, vic = 0, transfer = 0;
    FgManGetServerByName("Stravik-2_1", &board);
    FgAcqGetHandle(board, 0, &acquisition);
    FgCamNew(local, &camera);
    FgVicNew(local, &vic);
    if (FgCamLoad(camera, (base + ".cam").c_str()) != FG_OK ||
        FgVicLoad(vic, (base + ".cvi").c_str()) != FG_OK ||
        FgAcqSetPrms(acquisition, vic, camera, 1) != FG_OK) {
        state.SkipWithError("camera files not loaded");
        return;
    }
    uint32_t format = 0;
    FgVicGetPrm(vic, FG_VIC_PRM_PIXEL_FORMAT, &format);
    std::vector<FgHandle> buffers(4);
    for (FgHandle& buffer : buffers)
        FgBufferNew(local, setup.width, setup.height, format, FG_BUFFER_RING, &buffer);
    FgXferNew(board, acquisition, buffers[0], nullptr, &transfer);
    for (size_t i = 1; i < buffers.size(); ++i)
        FgXferAppend(transfer, acquisition, buffers[i], 0);
    std::atomic<uint64_t> callbacks{0};
    for (FgHandle buffer : buffers) {
        FgXferSelect(transfer, acquisition, buffer, 0);
        FgXferRegisterCallback(transfer, FG_EVENT_END_OF_TRANSFER, &CountFrame, &callbacks);
    }
    FgXferConnect(transfer);

    uint64_t delivered = 0;
    uint64_t late = 0;
    double seconds = 0;
    for (auto _ : state) {
        const BusyLoad load(setup.busyThreads);
        FgXferSelect(transfer, acquisition, buffers[0], 0);
        const auto start = std::chrono::steady_clock::now();
        FgXferStart(transfer, FG_XFER_ENDLESS);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        FgXferAbort(transfer);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        vidrune::fgsim::TransferCounts counts;
        vidrune::fgsim::ReadTransferCounts(transfer, &counts);
        delivered += counts.delivered;
        late += counts.late;
    }
    state.counters["frames"] = static_cast<double>(delivered);
    state.counters["late"] = static_cast<double>(late);
    state.counters["fps"] = static_cast<double>(delivered) / seconds;
    state.counters["callbacks"] = static_cast<double>(callbacks.load());
    state.SetBytesProcessed(static_cast<int64_t>(delivered) * setup.width * setup.height *
                            (format >> 11));

    FgXferFree(transfer);
    for (FgHandle buffer : buffers)
        FgBufferFree(buffer);
    FgCamFree(camera);
    FgVicFree(vic);
    FgAcqRelease(acquisition);
    FgManReleaseServer(board);
}

} // namespace

BENCHMARK_CAPTURE(BM_ScheduleKeeping, mono8_640x480_1000fps, Setup{640, 480, 8, 1000.0})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScheduleKeeping, mono8_640x480_1000fps_busy, Setup{640, 480, 8, 1000.0, 2})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScheduleKeeping, mono12_2048x2048_100fps, Setup{2048, 2048, 12, 100.0})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
