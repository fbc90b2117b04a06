#include "Library.h"

#include "Server.h"
#include "Transfer.h"

#include <cstdlib>
#include <string_view>

namespace vidrune::fgsim {

Library& Library::Instance() {
    static Library library;
    return library;
}

Library::~Library() {
    if (leftAtExit_)
        return;
    // No callback may run into a host that is being unloaded.
    for (const auto& object : registry_.All(FG_KIND_TRANSFER))
        static_cast<Transfer&>(*object).Abort();
}

void Library::LeaveTransfersAtExit() {
    // One extra reference per transfer, deliberately never released, keeps the registry's
    // teardown from destroying (and so stopping) them.
    for (const auto& object : registry_.All(FG_KIND_TRANSFER))
        static_cast<void>(new std::shared_ptr<Object>(object));
    leftAtExit_ = true;
}

FgHandle Library::LocalServer() {
    std::lock_guard lock(mutex_);
    if (!registry_.IsLive(localServer_, FG_KIND_SERVER))
        localServer_ = registry_.Add(std::make_shared<Server>(false));
    return localServer_;
}

bool Library::BoardPresent() {
    const char* boards = std::getenv("VIDRUNE_SIM_BOARDS");
    return boards == nullptr || std::string_view(boards) != "0";
}

void Library::SetBufferBudget(FgHandle acquisition, std::optional<uint64_t> limit) {
    std::lock_guard lock(mutex_);
    budgetOwner_ = acquisition;
    bufferLimit_ = limit;
    buffersMade_ = 0;
}

void Library::DropBufferBudget(FgHandle acquisition) {
    std::lock_guard lock(mutex_);
    if (acquisition == budgetOwner_)
        bufferLimit_.reset();
}

bool Library::TakeBuffer() {
    std::lock_guard lock(mutex_);
    if (bufferLimit_ && buffersMade_ >= *bufferLimit_)
        return false;
    ++buffersMade_;
    return true;
}

} // namespace vidrune::fgsim
