#include "Transfer.h"

namespace vidrune::fgsim {

Transfer::Transfer(std::shared_ptr<Acquisition> acquisition, const BoardClock& clock,
                   TransferEntry first)
    : acquisition_(std::move(acquisition)),
      clock_(clock), parameters_{{FG_XFER_PRM_C, 0}, {FG_XFER_PRM_D, 0}} {
    entries_.push_back(std::move(first));
}

Transfer::~Transfer() {
    std::lock_guard lock(mutex_);
    StopRun();
}

FgStatus Transfer::Append(TransferEntry entry) {
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    if (!EndFinishedRun())
        return FG_ERR_BUSY;
    entries_.push_back(std::move(entry));
    return FG_OK;
}

FgStatus Transfer::Select(FgHandle buffer) {
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    if (!EndFinishedRun())
        return FG_ERR_BUSY;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].handle == buffer) {
            selected_ = i;
            return FG_OK;
        }
    }
    return FG_ERR_NOT_FOUND;
}

FgStatus Transfer::RegisterCallback(uint32_t eventType, FgCallbackProc procedure, void* context) {
    if (eventType != FG_EVENT_END_OF_TRANSFER)
        return FG_ERR_PARAMETER;
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    if (!EndFinishedRun())
        return FG_ERR_BUSY;
    entries_[selected_].procedure = procedure;
    entries_[selected_].context = context;
    return FG_OK;
}

FgStatus Transfer::Connect() {
    std::lock_guard lock(mutex_);
    connected_ = true;
    return FG_OK;
}

FgStatus Transfer::SetPrm(uint32_t parameter, uint32_t value) {
    std::lock_guard lock(mutex_);
    auto found = parameters_.find(parameter);
    if (found == parameters_.end())
        return FG_ERR_PARAMETER;
    found->second = value;
    return FG_OK;
}

FgStatus Transfer::Start(uint32_t count) {
    if (count == 0)
        return FG_ERR_PARAMETER;
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    // A transfer that runs already, or was never connected, cannot start.
    if (!connected_ || !EndFinishedRun())
        return FG_ERR_BUSY;
    FrameDelivery::Plan plan;
    plan.owner = this;
    plan.entries = entries_;
    plan.firstEntry = selected_;
    plan.count = count == FG_XFER_ENDLESS ? 0 : count;
    plan.camera = acquisition_->Camera();
    plan.crop = acquisition_->Vic().Crop();
    plan.rate = acquisition_->FrameRate();
    plan.start = std::chrono::steady_clock::now();
    plan.startStamp = clock_.At(plan.start);
    auto run = std::make_unique<FrameDelivery>(std::move(plan), counters_);
    if (!run->Started())
        return FG_ERR_NO_MEMORY;
    run_ = std::move(run);
    return FG_OK;
}

FgStatus Transfer::Abort() {
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    StopRun();
    return FG_OK;
}

FgStatus Transfer::Disconnect() {
    if (FrameDelivery::OnDeliveryThreadOf(this))
        return FG_ERR_BUSY;
    std::lock_guard lock(mutex_);
    StopRun();
    connected_ = false;
    return FG_OK;
}

bool Transfer::EndFinishedRun() {
    if (!run_)
        return true;
    if (!run_->Finished())
        return false;
    // At most the last callback is still running; wait for it.
    StopRun();
    return true;
}

void Transfer::StopRun() {
    if (!run_)
        return;
    run_->Stop();
    // The next frame lands where this run would have put its next one.
    selected_ = run_->Position();
    run_.reset();
}

} // namespace vidrune::fgsim
