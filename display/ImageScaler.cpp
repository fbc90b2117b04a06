#include "display/ImageScaler.h"

#include <algorithm>
#include <cstring>

namespace vidrune {

namespace {

// The column accumulator returns to its starting value after every row (a row adds
// sw x dw and takes off one sw per crossing), or, when dw > sw, crosses at every pixel;
// either way every row takes the same columns, so one simulated row is the plan for all.
template <typename OnCrossing>
void WalkColumns(int dw, int sw, OnCrossing onCrossing) {
    int64_t ax = 0;
    for (int32_t x = 0; x < sw; ++x) {
        ax += dw;
        if (ax >= sw) {
            ax -= sw;
            onCrossing(x);
        }
    }
}

// Overlays are mostly empty: a row without marks adds nothing to the accumulator.
bool RowIsBlank(const uint8_t* row, size_t length) {
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, row + i, sizeof word);
        any |= word;
    }
    for (; i < length; ++i)
        any |= row[i];
    return any == 0;
}

} // namespace

const std::vector<int32_t>& ImageScaler::TakenColumns(int dw, int sw) {
    if (dw != takenDw_ || sw != takenSw_) {
        taken_.clear();
        WalkColumns(dw, sw, [this](int32_t x) { taken_.push_back(x); });
        takenDw_ = dw;
        takenSw_ = sw;
    }
    return taken_;
}

const std::vector<int32_t>& ImageScaler::ColumnGroupEnds(int dw, int sw) {
    if (dw != groupDw_ || sw != groupSw_) {
        groupEnds_.clear();
        WalkColumns(dw, sw, [this](int32_t x) { groupEnds_.push_back(x + 1); });
        groupDw_ = dw;
        groupSw_ = sw;
    }
    return groupEnds_;
}

void ImageScaler::Decimate(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst) {
    DecimatePixels<1>(dw, dh, sw, sh, src, dst);
}

void ImageScaler::Decimate16(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst) {
    DecimatePixels<2>(dw, dh, sw, sh, src, dst);
}

template <size_t Bytes>
void ImageScaler::DecimatePixels(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst) {
    if (sh < 1 || sw < 1)
        return;
    const std::vector<int32_t>& columns = TakenColumns(dw, sw);
    const int32_t* taken = columns.data();
    const size_t count = columns.size();
    int64_t ay = 0;
    for (int32_t y = 0; y < sh; ++y) {
        ay += dh;
        if (ay < sh)
            continue;
        ay -= sh;
        const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(sw) * Bytes;
        for (size_t k = 0; k < count; ++k)
            std::memcpy(dst + k * Bytes, row + static_cast<size_t>(taken[k]) * Bytes, Bytes);
        dst += count * Bytes;
    }
}

void ImageScaler::ReduceOverlay(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst) {
    if (sh < 1 || sw < 1)
        return;
    const std::vector<int32_t>& groups = ColumnGroupEnds(dw, sw);
    const size_t k = groups.size();
    rowAccumulator_.assign(k, 0);
    uint8_t* accumulator = rowAccumulator_.data();
    int64_t ay = 0;
    size_t rowCounter = 0;
    for (int32_t y = 0; y < sh; ++y) {
        const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(sw);
        if (!RowIsBlank(row, static_cast<size_t>(sw))) {
            int32_t x = 0;
            for (size_t g = 0; g < k; ++g) {
                uint8_t c = 0;
                for (const int32_t end = groups[g]; x < end; ++x)
                    c |= row[x];
                accumulator[g] |= c;
            }
        }
        ay += dh;
        if (ay >= sh) {
            ay -= sh;
            std::memcpy(dst + k * rowCounter, accumulator, k);
            std::memset(accumulator, 0, k);
            ++rowCounter;
        }
    }
}

bool ImageScaler::RefreshReducedOverlay(std::atomic<int32_t>& renderEnabled, const uint8_t* overlay,
                                        int imageWidth, int imageHeight, int clientWidth,
                                        int clientHeight, uint8_t* reducedOverlay) {
    if (overlay == nullptr || reducedOverlay == nullptr)
        return false;
    const int32_t previous = renderEnabled.exchange(0);
    ReduceOverlay(clientWidth, clientHeight, imageWidth, imageHeight, overlay, reducedOverlay);
    renderEnabled = previous;
    return true;
}

void ImageScaler::Stretch(const uint8_t* src, int sw, int sh, size_t srcStride, uint8_t* dst,
                          int dw, int dh, size_t dstStride) {
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1)
        return;
    stretchColumns_.resize(static_cast<size_t>(dw));
    for (int32_t x = 0; x < dw; ++x)
        stretchColumns_[x] = static_cast<int32_t>(int64_t{x} * sw / dw);
    for (int32_t y = 0; y < dh; ++y) {
        const uint8_t* row = src + static_cast<size_t>(int64_t{y} * sh / dh) * srcStride;
        uint8_t* out = dst + static_cast<size_t>(y) * dstStride;
        for (int32_t x = 0; x < dw; ++x)
            out[x] = row[stretchColumns_[x]];
    }
}

} // namespace vidrune
