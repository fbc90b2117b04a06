#pragma once

#include "Buffer.h"
#include "fgcore.h"

#include <memory>

namespace vidrune::fgsim {

// One place of a transfer list. The list keeps the buffer's memory alive, so a buffer
// freed while still listed is never written after its memory went.
struct TransferEntry {
    FgHandle handle = 0;
    std::shared_ptr<Buffer> buffer;
    FgCallbackProc procedure = nullptr;
    void* context = nullptr;
};

} // namespace vidrune::fgsim
