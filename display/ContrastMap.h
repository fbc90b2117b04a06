#pragma once

#include "board/SimdDispatch.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vidrune {

// The 8-bit output of every 16-bit input under one gain, offset and invert setting, and the
// ways of applying it to a frame. Every way gives the bytes of the table: the vector path
// divides in 16-bit lanes where that division matched the table for every input of its
// range, else in floating point where that division is provably exact, and looks the other
// pixels up in the table.
class ContrastMap {
public:
    // Rebuilds the table when the setting differs from the one it holds.
    void Set(int32_t gain, int32_t offset, int32_t invert);

    // out[i] = the output for little-endian 16-bit word i of in, for count pixels. out may be
    // in itself (the frame converted in place) but must not start after it.
    void Convert(const uint8_t* in, uint8_t* out, size_t count, SimdLevel level) const;

    // The same conversion into gray (which may be in itself), and in the same pass the bitmap
    // that is drawn: bitmap[i] = palette[gray[i]] | overlay[i], palette holding 256 entries.
    void ConvertAndCompose(const uint8_t* in, uint8_t* gray, const uint8_t* overlay,
                           const uint8_t* palette, uint8_t* bitmap, size_t count,
                           SimdLevel level) const;

    const uint8_t* Table() const { return table_.get(); }

    // Where ConvertAndCompose puts the bitmap; a null bitmap converts only.
    struct Composition {
        const uint8_t* overlay = nullptr;
        const uint8_t* palette = nullptr;
        uint8_t* bitmap = nullptr;
    };

    // The inputs the floating-point path may take: |(v - offset) * 256| < 2^24, so that the
    // quotient, rounded once, never crosses the integer it truncates to. Empty (low > high)
    // when the setting has no exact division (gain 0, or too large to be a float).
    struct DivisionRange {
        int32_t low = 1;
        int32_t high = 0;
    };
    static DivisionRange ExactDivisionRange(int32_t gain, int32_t offset);

    // The division in 16-bit lanes (a multiply-high by a reciprocal and one correction) for the
    // inputs below 2^bits, the widest range from 0 where its bounds hold; bits 0 when the
    // setting has none (gain outside 1..32767, or no such range of at least 8 bits).
    struct ShortDivision {
        int bits = 0;
        int32_t offset = 0;
        int32_t gain = 0;
        int shift = 0;
        uint16_t multiplier = 0;
        int32_t invert = 0;
    };
    static ShortDivision FindShortDivision(int32_t gain, int32_t offset, int32_t invert);
    // The bits of the 16-bit-lane division the AVX2 level uses for the current setting: only
    // a candidate that gave the table's byte for every input of its range; 0 for none.
    int ShortDivisionBits() const { return shortDivision_.bits; }

private:
    ShortDivision ProvenShortDivision(const ShortDivision& candidate) const;
    void Apply(const uint8_t* in, uint8_t* out, size_t count, SimdLevel level,
               const Composition& composition) const;
    void ConvertByTable(const uint8_t* in, uint8_t* out, size_t count,
                        const Composition& composition) const;

    std::unique_ptr<uint8_t[]> table_;
    bool valid_ = false;
    int32_t gain_ = 0;
    int32_t offset_ = 0;
    int32_t invert_ = 0;
    DivisionRange division_;
    ShortDivision shortDivision_;
};

} // namespace vidrune
