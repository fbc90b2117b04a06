#pragma once

#include "display/ContrastMap.h"
#include "display/ContrastSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vidrune {

// Maps frames of more than 8 bits to 8 bits with the gain, offset and invert flag of a
// ContrastSettings, deriving gain and offset from the histogram while the automatic-level
// countdown runs. Runs on the update thread; the settings may change at any time and
// take effect from the next frame.
class ImageConverter {
public:
    static constexpr size_t kHistogramSize = 65536;

    explicit ImageConverter(ContrastSettings& settings);

    // One output byte for input v: ((v - offset) * 256) / gain in wrapping 32-bit
    // arithmetic truncated toward zero, low 8 bits; gain 0 takes the high byte; invert
    // complements.
    static uint8_t ConvertPixel(uint16_t value, int32_t gain, int32_t offset, int32_t invert);

    // Converts pixelCount little-endian 16-bit words in place: byte i receives pixel i.
    // While the countdown is positive it first counts down and runs AutoLevel; returns
    // true then, so that the caller can show the new gain and offset.
    bool ConvertTo8Bit(uint8_t* buffer, size_t pixelCount, int bitsPerPixel, bool autoLevelFlag);

    // The first half of ConvertTo8Bit: the countdown and AutoLevel on the frame, and the map
    // for the current settings, which Map() then applies (to the whole frame, or to the pixels
    // shown). Returns true when it levelled.
    bool Prepare(const uint8_t* buffer, size_t pixelCount, int bitsPerPixel, bool autoLevelFlag);
    const ContrastMap& Map() const { return map_; }

    // Updates gain and offset from the histogram of the frame (16-bit words); with the
    // flag clear, resets them to the full depth (gain 2^bits, offset 0, no invert).
    void AutoLevel(const uint8_t* buffer, size_t pixelCount, int bitsPerPixel, bool autoLevelFlag);

    // The first value from the top with at least 2 counts and at least 10 counts among
    // the nine values below it (value 0 excluded); 0 when there is none.
    static int32_t FindHigh(const uint32_t* histogram);
    // The first value from 1 upwards with at least 2 counts and at least 10 counts
    // among the nine values above it; 65,535 when there is none.
    static int32_t FindLow(const uint32_t* histogram);

private:
    void CountHistogram(const uint8_t* buffer, size_t pixelCount);

    ContrastSettings& settings_;
    std::unique_ptr<uint32_t[]> histogram_;
    std::unique_ptr<uint32_t[]> subHistograms_;
    ContrastMap map_;
};

} // namespace vidrune
