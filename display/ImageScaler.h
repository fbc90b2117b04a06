#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vidrune {

// Scales 8-bit planes by selection, with running accumulators: a source row is taken
// whenever the row sum crosses a multiple of the source height, a source column likewise,
// and the column sum carries over from row to row. Keeps its column plans between calls,
// so that a draw at an unchanged size allocates nothing; one instance per thread.
//
// Destinations receive min(dw, sw) x min(dh, sh) bytes, one contiguous run.
class ImageScaler {
public:
    // Pure selection: every taken source pixel is appended to dst.
    void Decimate(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst);
    // The same for 2-byte pixels (dst receives twice as many bytes).
    void Decimate16(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst);

    // Every destination pixel is the OR of all source pixels that fall into it, so thin
    // overlay lines survive the reduction. Pixels after a row's last column crossing and
    // rows after the last row crossing are dropped.
    void ReduceOverlay(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst);

    // Rebuilds the reduced overlay for a client of clientWidth x clientHeight; drawing is
    // paused (renderEnabled cleared) meanwhile and the flag restored afterwards. Returns
    // false, doing nothing, when there is no overlay.
    bool RefreshReducedOverlay(std::atomic<int32_t>& renderEnabled, const uint8_t* overlay,
                               int imageWidth, int imageHeight, int clientWidth, int clientHeight,
                               uint8_t* reducedOverlay);

    // Nearest-neighbour stretch that deletes or replicates whole rows and columns and
    // never blends: destination (x, y) shows source (x * sw / dw, y * sh / dh).
    void Stretch(const uint8_t* src, int sw, int sh, size_t srcStride, uint8_t* dst, int dw, int dh,
                 size_t dstStride);

private:
    template <size_t Bytes>
    void DecimatePixels(int dw, int dh, int sw, int sh, const uint8_t* src, uint8_t* dst);
    // Source columns taken by the decimation of one row (the same for every row).
    const std::vector<int32_t>& TakenColumns(int dw, int sw);
    // End (exclusive) of the source columns ORed into each reduced column.
    const std::vector<int32_t>& ColumnGroupEnds(int dw, int sw);

    std::vector<int32_t> taken_;
    int takenDw_ = -1;
    int takenSw_ = -1;
    std::vector<int32_t> groupEnds_;
    int groupDw_ = -1;
    int groupSw_ = -1;
    std::vector<uint8_t> rowAccumulator_;
    std::vector<int32_t> stretchColumns_;
};

} // namespace vidrune
