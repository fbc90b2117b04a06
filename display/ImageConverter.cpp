#include "display/ImageConverter.h"

#include <algorithm>
#include <cstring>

namespace vidrune {

namespace {

constexpr int kSubHistograms = 4;
constexpr int32_t kMaxValue = 65535;
constexpr int kNeighbours = 9;
constexpr uint64_t kMinNeighbourCount = 10;
constexpr uint32_t kMinCount = 2;
constexpr int32_t kMinRange = 256;
constexpr int32_t kOffsetMargin = 100;

inline uint16_t Word(const uint8_t* buffer, size_t index) {
    return static_cast<uint16_t>(buffer[2 * index] | (buffer[2 * index + 1] << 8));
}

} // namespace

ImageConverter::ImageConverter(ContrastSettings& settings) : settings_(settings) {}

uint8_t ImageConverter::ConvertPixel(uint16_t value, int32_t gain, int32_t offset, int32_t invert) {
    uint8_t out;
    if (gain == 0) {
        out = static_cast<uint8_t>(value >> 8);
    } else {
        // 32-bit two's complement throughout, as the contrast formula always wrapped.
        const uint32_t scaled = (static_cast<uint32_t>(value) - static_cast<uint32_t>(offset)) << 8;
        const auto numerator = static_cast<int32_t>(scaled);
        // INT32_MIN / -1 would trap; its wrapped quotient is the negation.
        const int32_t quotient = gain == -1 ? static_cast<int32_t>(0u - scaled) : numerator / gain;
        out = static_cast<uint8_t>(quotient);
    }
    return invert != 0 ? static_cast<uint8_t>(~out) : out;
}

bool ImageConverter::ConvertTo8Bit(uint8_t* buffer, size_t pixelCount, int bitsPerPixel,
                                   bool autoLevelFlag) {
    const bool levelled = Prepare(buffer, pixelCount, bitsPerPixel, autoLevelFlag);
    map_.Convert(buffer, buffer, pixelCount, SimdDispatch::Active());
    return levelled;
}

bool ImageConverter::Prepare(const uint8_t* buffer, size_t pixelCount, int bitsPerPixel,
                             bool autoLevelFlag) {
    bool levelled = false;
    if (settings_.autoLevelCountdown.load() > 0) {
        settings_.autoLevelCountdown.fetch_sub(1);
        AutoLevel(buffer, pixelCount, bitsPerPixel, autoLevelFlag);
        levelled = true;
    }
    map_.Set(settings_.gain.load(), settings_.offset.load(), settings_.invert.load());
    return levelled;
}

void ImageConverter::CountHistogram(const uint8_t* buffer, size_t pixelCount) {
    if (!histogram_) {
        histogram_ = std::make_unique<uint32_t[]>(kHistogramSize);
        subHistograms_ = std::make_unique<uint32_t[]>(kSubHistograms * kHistogramSize);
    }
    // Neighbouring pixels often have equal values; counting them into separate tables
    // keeps the increments from waiting on each other.
    uint32_t* sub = subHistograms_.get();
    std::fill_n(sub, kSubHistograms * kHistogramSize, 0u);
    uint32_t* h0 = sub;
    uint32_t* h1 = sub + kHistogramSize;
    uint32_t* h2 = sub + 2 * kHistogramSize;
    uint32_t* h3 = sub + 3 * kHistogramSize;
    size_t i = 0;
    for (; i + 4 <= pixelCount; i += 4) {
        ++h0[Word(buffer, i)];
        ++h1[Word(buffer, i + 1)];
        ++h2[Word(buffer, i + 2)];
        ++h3[Word(buffer, i + 3)];
    }
    for (; i < pixelCount; ++i)
        ++h0[Word(buffer, i)];
    for (size_t v = 0; v < kHistogramSize; ++v)
        histogram_[v] = h0[v] + h1[v] + h2[v] + h3[v];
}

int32_t ImageConverter::FindHigh(const uint32_t* histogram) {
    for (int32_t v = kMaxValue; v >= 1; --v) {
        if (histogram[v] < kMinCount)
            continue;
        uint64_t neighbours = 0;
        for (int32_t k = 1; k <= kNeighbours && v - k >= 1; ++k)
            neighbours += histogram[v - k];
        if (neighbours >= kMinNeighbourCount)
            return v;
    }
    return 0;
}

int32_t ImageConverter::FindLow(const uint32_t* histogram) {
    for (int32_t v = 1; v <= kMaxValue; ++v) {
        if (histogram[v] < kMinCount)
            continue;
        uint64_t neighbours = 0;
        for (int32_t k = 1; k <= kNeighbours && v + k <= kMaxValue; ++k)
            neighbours += histogram[v + k];
        if (neighbours >= kMinNeighbourCount)
            return v;
    }
    return kMaxValue;
}

void ImageConverter::AutoLevel(const uint8_t* buffer, size_t pixelCount, int bitsPerPixel,
                               bool autoLevelFlag) {
    if (!autoLevelFlag) {
        settings_.invert = 0;
        settings_.offset = 0;
        settings_.gain = bitsPerPixel >= 31 ? INT32_MAX : int32_t{1} << bitsPerPixel;
        return;
    }
    const int32_t frames = settings_.autoLevelFrameCount.fetch_add(1) + 1;
    CountHistogram(buffer, pixelCount);
    const int32_t high = FindHigh(histogram_.get());
    const int32_t low = FindLow(histogram_.get());
    const int32_t span = high - low;
    const int32_t range = std::max(span + span / 2, kMinRange);
    const int32_t offset =
        settings_.invert.load() != 0 ? high + kOffsetMargin : low - kOffsetMargin;
    const int32_t rangeSum = settings_.rangeSum.fetch_add(range) + range;
    const int32_t offsetSum = settings_.offsetSum.fetch_add(offset) + offset;
    settings_.gain = rangeSum / frames;
    settings_.offset = offsetSum / frames;
}

} // namespace vidrune
