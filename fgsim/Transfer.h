#pragma once

#include "Acquisition.h"
#include "BoardClock.h"
#include "DeliveryCounters.h"
#include "FrameDelivery.h"
#include "Object.h"
#include "TransferEntry.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vidrune::fgsim {

// A transfer from the acquisition into a list of buffers. Frames land in the list from
// the selected entry on, wrapping at its end; entries with a callback have it called
// after each frame. The list can change only while the transfer does not run. Calls on
// a transfer from inside one of its own callbacks are refused with FG_ERR_BUSY, since
// they would have to wait for that very callback.
class Transfer : public Object {
public:
    Transfer(std::shared_ptr<Acquisition> acquisition, const BoardClock& clock,
             TransferEntry first);
    ~Transfer() override;

    FgObjectKind Kind() const override { return FG_KIND_TRANSFER; }

    FgStatus Append(TransferEntry entry);
    FgStatus Select(FgHandle buffer);
    FgStatus RegisterCallback(uint32_t eventType, FgCallbackProc procedure, void* context);
    FgStatus Connect();
    FgStatus SetPrm(uint32_t parameter, uint32_t value);
    FgStatus Start(uint32_t count);
    // Returns when no callback runs or will run; nothing to do when not running.
    FgStatus Abort();
    FgStatus Disconnect();

    const DeliveryCounters& Counters() const { return counters_; }
    bool IsRunning() const { return counters_.running.load(); }

private:
    // Under the lock: forgets a run that has ended on its own, or fails when one runs.
    bool EndFinishedRun();
    void StopRun();

    const std::shared_ptr<Acquisition> acquisition_;
    const BoardClock& clock_;
    std::mutex mutex_;
    std::vector<TransferEntry> entries_;
    size_t selected_ = 0;
    bool connected_ = false;
    std::map<uint32_t, uint32_t> parameters_;
    DeliveryCounters counters_;
    std::unique_ptr<FrameDelivery> run_; // last: goes first, before what the run uses
};

} // namespace vidrune::fgsim
