#pragma once

#include "CameraSettings.h"
#include "DeliveryCounters.h"
#include "FrameSource.h"
#include "Pacer.h"
#include "TransferEntry.h"
#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace vidrune::fgsim {

// One run of a transfer on a thread of its own. Camera frame n is due at start + n / rate
// and stamped with that moment on the board clock, however late the thread gets round to
// it; dropped frames pass without taking a list entry, so the next stamp shows the gap.
class FrameDelivery {
public:
    struct Plan {
        const void* owner = nullptr; // the transfer, to recognise calls from callbacks
        std::vector<TransferEntry> entries;
        size_t firstEntry = 0;
        uint64_t count = 0; // frames to land; 0 until stopped
        CameraSettings camera;
        CropWindow crop;
        double rate = 30.0;
        std::chrono::steady_clock::time_point start;
        uint32_t startStamp = 0;
    };

    FrameDelivery(Plan plan, DeliveryCounters& counters);
    ~FrameDelivery();
    FrameDelivery(const FrameDelivery&) = delete;
    FrameDelivery& operator=(const FrameDelivery&) = delete;

    // False when the system refused the run its thread: nothing will be delivered.
    bool Started() const { return thread_->Started(); }
    // True once the last counted frame has landed: at most its callback still runs.
    bool Finished() const { return finished_.load(); }
    // Stops the run and returns when no callback runs or will run.
    void Stop();
    // The entry the next frame would land in.
    size_t Position() const { return position_.load(); }

    // True on the delivery thread of that transfer (inside its callbacks).
    static bool OnDeliveryThreadOf(const void* owner);

private:
    void Run();
    void DeliverFrame(uint64_t frame, uint64_t offsetUs, uint64_t& landed);
    std::chrono::microseconds Offset(uint64_t frame) const;

    Plan plan_;
    DeliveryCounters& counters_;
    std::unique_ptr<FrameSource> source_;
    Pacer pacer_;
    std::atomic<size_t> position_;
    std::atomic<bool> finished_{false};
    std::unique_ptr<platform::Thread> thread_;
};

} // namespace vidrune::fgsim
