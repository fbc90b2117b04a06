#include "FrameDelivery.h"

#include "DmaWrite.h"
#include "platform/Event.h"

#include <cmath>

namespace vidrune::fgsim {

namespace {

thread_local const void* tDeliveringFor = nullptr;

} // namespace

FrameDelivery::FrameDelivery(Plan plan, DeliveryCounters& counters)
    : plan_(std::move(plan)), counters_(counters), source_(plan_.camera.MakeSource()),
      position_(plan_.firstEntry) {
    counters_.delivered.store(0);
    counters_.late.store(0);
    counters_.running.store(true);
    thread_ = std::make_unique<platform::Thread>([this] { Run(); });
    if (!thread_->Started())
        counters_.running.store(false);
}

FrameDelivery::~FrameDelivery() {
    Stop();
}

void FrameDelivery::Stop() {
    pacer_.Stop();
    if (thread_)
        thread_->Join(platform::kInfinite);
    counters_.running.store(false);
}

bool FrameDelivery::OnDeliveryThreadOf(const void* owner) {
    return owner != nullptr && tDeliveringFor == owner;
}

std::chrono::microseconds FrameDelivery::Offset(uint64_t frame) const {
    return std::chrono::microseconds(
        static_cast<int64_t>(std::llround(static_cast<double>(frame) * 1e6 / plan_.rate)));
}

void FrameDelivery::Run() {
    tDeliveringFor = plan_.owner;
    const auto stallAfter = plan_.camera.StallAfter();
    uint64_t landed = 0;
    for (uint64_t frame = 0; plan_.count == 0 || landed < plan_.count; ++frame) {
        if (stallAfter && frame >= *stallAfter) {
            // The camera went quiet: nothing more arrives until the run is stopped.
            pacer_.WaitUntilStopped();
            break;
        }
        const auto offset = Offset(frame);
        if (!pacer_.WaitUntil(plan_.start + offset))
            break;
        if (plan_.camera.IsDropped(frame))
            continue;
        DeliverFrame(frame, static_cast<uint64_t>(offset.count()), landed);
    }
    finished_.store(true);
    counters_.running.store(false);
    tDeliveringFor = nullptr;
}

void FrameDelivery::DeliverFrame(uint64_t frame, uint64_t offsetUs, uint64_t& landed) {
    const size_t index = position_.load();
    const TransferEntry& entry = plan_.entries[index];
    const FrameTarget target = entry.buffer->Target();
    {
        const DmaWrite dma;
        if (plan_.camera.IsBlank(frame))
            FrameSource::RenderBlank(plan_.crop, target);
        else
            source_->Render(frame, plan_.crop, target);
    }
    entry.buffer->Stamp(static_cast<uint32_t>(plan_.startStamp + offsetUs));
    position_.store((index + 1) % plan_.entries.size());
    ++landed;
    counters_.delivered.fetch_add(1);
    // Late: the frame was complete only after the next one was due.
    if (std::chrono::steady_clock::now() > plan_.start + Offset(frame + 1))
        counters_.late.fetch_add(1);
    if (plan_.count != 0 && landed == plan_.count)
        finished_.store(true);
    if (entry.procedure)
        entry.procedure(entry.context, FG_EVENT_END_OF_TRANSFER, entry.handle);
}

} // namespace vidrune::fgsim
