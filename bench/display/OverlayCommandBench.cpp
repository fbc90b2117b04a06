// One overlay command on a 2048 x 2048 display, in memory, at a zoom of 100 % and above
// (nothing to reduce) and below it (the reduced overlay is rebuilt for the client size).
#include "display/CDispWin.h"
#include "display/HeadlessView.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr uint32_t kSize = 2048;

void BM_OverlayCommand(benchmark::State& state) {
    // One monitor large enough for the whole image at 100 %.
    auto view = std::make_unique<vidrune::HeadlessView>(
        std::vector<vidrune::MonitorInfo>{{vidrune::Rect{0, 0, 4096, 4096}, true}});
    vidrune::HeadlessView* screen = view.get();
    vidrune::CDispWin display(std::move(view));
    display.Open(vidrune::DisplayFrameDesc{nullptr, kSize, kSize, 0, nullptr});
    screen->SetWindowState(0);
    display.ApplyZoom(static_cast<int32_t>(state.range(0)));
    GraphicsCommand command{};
    command.type = 1;
    command.colour = 255;
    int32_t step = 0;
    for (auto _ : state) {
        command.a = step % static_cast<int32_t>(kSize);
        command.b = (step / 7) % static_cast<int32_t>(kSize);
        ++step;
        display.DrawGraphic(command);
    }
    display.Close();
}

} // namespace

BENCHMARK(BM_OverlayCommand)->Arg(100)->Arg(50)->Unit(benchmark::kMicrosecond);
