#pragma once

#include "board/SimdLevel.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vidrune {

// The 8-bit output of every 16-bit input under one gain, offset and invert setting, and the
// ways of applying it to a frame. Every way gives the bytes of the table: the vector path
// divides in floating point only where that division is provably exact and looks the other
// pixels up in the table.
class ContrastMap {
public:
    // Rebuilds the table when the setting differs from the one it holds.
    void Set(int32_t gain, int32_t offset, int32_t invert);

    // out[i] = the output for little-endian 16-bit word i of in, for count pixels. out may be
    // in itself (the frame converted in place) but must not start after it.
    void Convert(const uint8_t* in, uint8_t* out, size_t count, SimdLevel level) const;

    const uint8_t* Table() const { return table_.get(); }

    // The inputs the floating-point path may take: |(v - offset) * 256| < 2^24, so that the
    // quotient, rounded once, never crosses the integer it truncates to. Empty (low > high)
    // when the setting has no exact division (gain 0, or too large to be a float).
    struct DivisionRange {
        int32_t low = 1;
        int32_t high = 0;
    };
    static DivisionRange ExactDivisionRange(int32_t gain, int32_t offset);

private:
    void ConvertByTable(const uint8_t* in, uint8_t* out, size_t count) const;

    std::unique_ptr<uint8_t[]> table_;
    bool valid_ = false;
    int32_t gain_ = 0;
    int32_t offset_ = 0;
    int32_t invert_ = 0;
    DivisionRange division_;
};

} // namespace vidrune
