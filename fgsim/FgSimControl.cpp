#include "FgSimControl.h"

#include "Library.h"
#include "Transfer.h"

namespace vidrune::fgsim {

void FailNextCall(const char* operation, FgStatus status) {
    if (operation != nullptr)
        Library::Instance().Faults().FailNext(operation, status);
}

void StallNextCall(const char* operation, uint32_t milliseconds) {
    if (operation != nullptr)
        Library::Instance().Faults().StallNext(operation, milliseconds);
}

size_t ClearFailures() {
    return Library::Instance().Faults().Clear();
}

size_t LiveObjectCount(FgObjectKind kind) {
    return Library::Instance().Registry().Count(kind);
}

bool ReadTransferCounts(FgHandle transfer, TransferCounts* counts) {
    auto found = Library::Instance().Registry().Find<Transfer>(transfer, FG_KIND_TRANSFER);
    if (!found || counts == nullptr)
        return false;
    const DeliveryCounters& counters = found->Counters();
    counts->delivered = counters.delivered.load();
    counts->late = counters.late.load();
    counts->running = counters.running.load();
    return true;
}

uint32_t BoardClockNow() {
    return Library::Instance().Clock().Now();
}

} // namespace vidrune::fgsim
