#pragma once

#include "vidrune.h"

#include <cstdint>

namespace vidrune::test {

// The request records a host fills in, built in one call.
inline AcquireRequest Acquisition(uint32_t kind, int32_t frames = 0, bool wait = false) {
    AcquireRequest request{};
    request.kind = kind;
    request.frameCount = frames;
    request.waitFlag = wait ? 1 : 0;
    return request;
}

// A read of a region; without data, the read hands out a pointer into the board's buffer.
inline ReadRequest RegionRead(uint32_t kind, int32_t index, uint32_t x, uint32_t y, uint32_t width,
                              uint32_t height, void* data = nullptr, int32_t timeoutMs = 2000) {
    ReadRequest request{};
    request.kind = kind;
    request.index = index;
    request.timeoutMs = timeoutMs;
    request.x = x;
    request.y = y;
    request.width = width;
    request.height = height;
    request.copyFlag = data != nullptr ? 1 : 0;
    request.data = data;
    return request;
}

inline GraphicsCommand Graphics(uint32_t type, int32_t a, int32_t b, int32_t c = 0, int32_t d = 0,
                                uint32_t colour = 255) {
    GraphicsCommand command{};
    command.type = type;
    command.a = a;
    command.b = b;
    command.c = c;
    command.d = d;
    command.colour = colour;
    return command;
}

} // namespace vidrune::test
