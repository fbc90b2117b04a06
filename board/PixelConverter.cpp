#include "board/PixelConverter.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VIDRUNE_PIXEL_SSE2 1
#include <emmintrin.h>
#endif

namespace vidrune {

namespace {

using RowFunction = void (*)(const uint8_t* source, uint8_t* destination, std::size_t width);

// Copies pixels from destination index `from` on one at a time; 2-byte pixels go through
// memcpy because the caller's buffers need not be aligned for uint16_t.
template <std::size_t Bytes, std::size_t Step>
void CopyEveryNth(const uint8_t* source, uint8_t* destination, std::size_t from,
                  std::size_t width) {
    for (std::size_t i = from; i < width; ++i)
        std::memcpy(destination + i * Bytes, source + i * Step * Bytes, Bytes);
}

template <std::size_t Bytes>
void CopyRow(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::memcpy(destination, source, width * Bytes);
}

// The vector loops below read whole 16-byte blocks. A block of n destination pixels is taken
// only while i + n < width, so its last byte still lies within the source pixels that the
// row addresses: nothing past the region's last pixel is ever read.

#if defined(VIDRUNE_PIXEL_SSE2)

__m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Low 16 bits of every 32-bit lane, sign-extended so that the signed pack below returns them
// unchanged (values of 32768 and more included).
__m128i LowHalfOfPairs(__m128i v) {
    return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
}

#endif

void EverySecond8(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::size_t i = 0;
#if defined(VIDRUNE_PIXEL_SSE2)
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    for (; i + 32 < width; i += 32) {
        const uint8_t* s = source + 2 * i;
        const __m128i a = _mm_and_si128(Load(s), lowBytes);
        const __m128i b = _mm_and_si128(Load(s + 16), lowBytes);
        const __m128i c = _mm_and_si128(Load(s + 32), lowBytes);
        const __m128i d = _mm_and_si128(Load(s + 48), lowBytes);
        Store(destination + i, _mm_packus_epi16(a, b));
        Store(destination + i + 16, _mm_packus_epi16(c, d));
    }
    for (; i + 16 < width; i += 16) {
        const uint8_t* s = source + 2 * i;
        const __m128i a = _mm_and_si128(Load(s), lowBytes);
        const __m128i b = _mm_and_si128(Load(s + 16), lowBytes);
        Store(destination + i, _mm_packus_epi16(a, b));
    }
#endif
    CopyEveryNth<1, 2>(source, destination, i, width);
}

void EverySecond16(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::size_t i = 0;
#if defined(VIDRUNE_PIXEL_SSE2)
    for (; i + 16 < width; i += 16) {
        const uint8_t* s = source + 4 * i;
        const __m128i a = LowHalfOfPairs(Load(s));
        const __m128i b = LowHalfOfPairs(Load(s + 16));
        const __m128i c = LowHalfOfPairs(Load(s + 32));
        const __m128i d = LowHalfOfPairs(Load(s + 48));
        Store(destination + 2 * i, _mm_packs_epi32(a, b));
        Store(destination + 2 * i + 16, _mm_packs_epi32(c, d));
    }
    for (; i + 8 < width; i += 8) {
        const uint8_t* s = source + 4 * i;
        Store(destination + 2 * i,
              _mm_packs_epi32(LowHalfOfPairs(Load(s)), LowHalfOfPairs(Load(s + 16))));
    }
#endif
    CopyEveryNth<2, 2>(source, destination, i, width);
}

void EveryFourth8(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::size_t i = 0;
#if defined(VIDRUNE_PIXEL_SSE2)
    // Masked to 0..255, the values pass both packs unchanged.
    const __m128i lowBytes = _mm_set1_epi32(0xFF);
    for (; i + 16 < width; i += 16) {
        const uint8_t* s = source + 4 * i;
        const __m128i a = _mm_and_si128(Load(s), lowBytes);
        const __m128i b = _mm_and_si128(Load(s + 16), lowBytes);
        const __m128i c = _mm_and_si128(Load(s + 32), lowBytes);
        const __m128i d = _mm_and_si128(Load(s + 48), lowBytes);
        Store(destination + i, _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
    }
#endif
    CopyEveryNth<1, 4>(source, destination, i, width);
}

void EveryFourth16(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::size_t i = 0;
#if defined(VIDRUNE_PIXEL_SSE2)
    constexpr int kEvenLanes = _MM_SHUFFLE(2, 0, 2, 0);
    for (; i + 8 < width; i += 8) {
        const uint8_t* s = source + 8 * i;
        // Lanes 0 and 2 of each block hold pixels 0 and 4 in their low halves.
        const __m128i ab = _mm_unpacklo_epi64(_mm_shuffle_epi32(Load(s), kEvenLanes),
                                              _mm_shuffle_epi32(Load(s + 16), kEvenLanes));
        const __m128i cd = _mm_unpacklo_epi64(_mm_shuffle_epi32(Load(s + 32), kEvenLanes),
                                              _mm_shuffle_epi32(Load(s + 48), kEvenLanes));
        Store(destination + 2 * i, _mm_packs_epi32(LowHalfOfPairs(ab), LowHalfOfPairs(cd)));
    }
#endif
    CopyEveryNth<2, 4>(source, destination, i, width);
}

RowFunction PickRowFunction(uint32_t bytesPerPixel, uint32_t xs) {
    const bool wide = bytesPerPixel == 2;
    if (bytesPerPixel != 1 && !wide)
        return nullptr;
    switch (xs) {
    case 1:
        return wide ? CopyRow<2> : CopyRow<1>;
    case 2:
        return wide ? EverySecond16 : EverySecond8;
    case 4:
        return wide ? EveryFourth16 : EveryFourth8;
    default:
        return nullptr;
    }
}

// Destination rectangle [rowBegin, rowEnd) x [columnBegin, columnEnd) of a quarter turn, one
// pixel at a time; used for the edges that do not fill a whole tile.
template <std::size_t Bytes>
void RotateRectangle(const uint8_t* source, uint8_t* destination, std::size_t width,
                     std::size_t height, std::size_t rowBegin, std::size_t rowEnd,
                     std::size_t columnBegin, std::size_t columnEnd) {
    // Column-major order reads each source row contiguously.
    for (std::size_t c = columnBegin; c < columnEnd; ++c) {
        const uint8_t* sourceRow = source + (width - 1 - c) * height * Bytes;
        for (std::size_t r = rowBegin; r < rowEnd; ++r)
            std::memcpy(destination + (r * width + c) * Bytes, sourceRow + r * Bytes, Bytes);
    }
}

void RotateRectangleAnySize(const uint8_t* source, uint8_t* destination, std::size_t width,
                            std::size_t height, std::size_t bytesPerPixel) {
    for (std::size_t c = 0; c < width; ++c) {
        const uint8_t* sourceRow = source + (width - 1 - c) * height * bytesPerPixel;
        for (std::size_t r = 0; r < height; ++r)
            std::memcpy(destination + (r * width + c) * bytesPerPixel,
                        sourceRow + r * bytesPerPixel, bytesPerPixel);
    }
}

#if defined(VIDRUNE_PIXEL_SSE2)

// Turns one 16 x 16 tile of bytes: destination rows r0.., columns c0.. .
void RotateTile8(const uint8_t* source, uint8_t* destination, std::size_t width, std::size_t height,
                 std::size_t r0, std::size_t c0) {
    // v[k]: 16 pixels of the source row that becomes destination column c0 + k.
    __m128i v[16];
    const uint8_t* sourceRow = source + (width - 1 - c0) * height + r0;
    for (int k = 0; k < 16; ++k)
        v[k] = Load(sourceRow - k * height);

    __m128i a[16];
    for (int k = 0; k < 16; k += 2) {
        a[k] = _mm_unpacklo_epi8(v[k], v[k + 1]);
        a[k + 1] = _mm_unpackhi_epi8(v[k], v[k + 1]);
    }
    // b[4m + q]: columns 4q..4q+3, four bytes each from rows 4m..4m+3.
    __m128i b[16];
    for (int m = 0; m < 4; ++m) {
        b[4 * m] = _mm_unpacklo_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 1] = _mm_unpackhi_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 2] = _mm_unpacklo_epi16(a[4 * m + 1], a[4 * m + 3]);
        b[4 * m + 3] = _mm_unpackhi_epi16(a[4 * m + 1], a[4 * m + 3]);
    }
    // c[8g + p]: columns 2p and 2p+1, eight bytes each from rows 8g..8g+7.
    __m128i c[16];
    for (int g = 0; g < 2; ++g) {
        for (int q = 0; q < 4; ++q) {
            c[8 * g + 2 * q] = _mm_unpacklo_epi32(b[8 * g + q], b[8 * g + 4 + q]);
            c[8 * g + 2 * q + 1] = _mm_unpackhi_epi32(b[8 * g + q], b[8 * g + 4 + q]);
        }
    }
    uint8_t* destinationRow = destination + r0 * width + c0;
    for (int p = 0; p < 8; ++p) {
        Store(destinationRow + (2 * p) * width, _mm_unpacklo_epi64(c[p], c[8 + p]));
        Store(destinationRow + (2 * p + 1) * width, _mm_unpackhi_epi64(c[p], c[8 + p]));
    }
}

// Turns one 8 x 8 tile of 16-bit pixels.
void RotateTile16(const uint8_t* source, uint8_t* destination, std::size_t width,
                  std::size_t height, std::size_t r0, std::size_t c0) {
    __m128i v[8];
    const uint8_t* sourceRow = source + ((width - 1 - c0) * height + r0) * 2;
    for (int k = 0; k < 8; ++k)
        v[k] = Load(sourceRow - k * height * 2);

    __m128i a[8];
    for (int k = 0; k < 8; k += 2) {
        a[k] = _mm_unpacklo_epi16(v[k], v[k + 1]);
        a[k + 1] = _mm_unpackhi_epi16(v[k], v[k + 1]);
    }
    // b[4g + q]: columns 2q and 2q+1, four pixels each from rows 4g..4g+3.
    __m128i b[8];
    for (int g = 0; g < 2; ++g) {
        b[4 * g] = _mm_unpacklo_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 1] = _mm_unpackhi_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 2] = _mm_unpacklo_epi32(a[4 * g + 1], a[4 * g + 3]);
        b[4 * g + 3] = _mm_unpackhi_epi32(a[4 * g + 1], a[4 * g + 3]);
    }
    uint8_t* destinationRow = destination + (r0 * width + c0) * 2;
    for (int q = 0; q < 4; ++q) {
        Store(destinationRow + (2 * q) * width * 2, _mm_unpacklo_epi64(b[q], b[4 + q]));
        Store(destinationRow + (2 * q + 1) * width * 2, _mm_unpackhi_epi64(b[q], b[4 + q]));
    }
}

using TileFunction = void (*)(const uint8_t*, uint8_t*, std::size_t, std::size_t, std::size_t,
                              std::size_t);

// Whole tiles in blocks of kBlock x kBlock destination pixels, so that the source lines a
// block reads and the destination lines it writes stay in the first-level cache.
template <std::size_t Tile, std::size_t Block, TileFunction Turn>
void RotateTiles(const uint8_t* source, uint8_t* destination, std::size_t width, std::size_t height,
                 std::size_t rows, std::size_t columns) {
    for (std::size_t rb = 0; rb < rows; rb += Block) {
        const std::size_t rowEnd = rb + Block < rows ? rb + Block : rows;
        for (std::size_t cb = 0; cb < columns; cb += Block) {
            const std::size_t columnEnd = cb + Block < columns ? cb + Block : columns;
            for (std::size_t r0 = rb; r0 < rowEnd; r0 += Tile)
                for (std::size_t c0 = cb; c0 < columnEnd; c0 += Tile)
                    Turn(source, destination, width, height, r0, c0);
        }
    }
}

#endif

template <std::size_t Bytes>
void RotatePixels(const uint8_t* source, uint8_t* destination, std::size_t width,
                  std::size_t height) {
    std::size_t rows = 0;    // destination rows covered by whole tiles
    std::size_t columns = 0; // destination columns covered by whole tiles
#if defined(VIDRUNE_PIXEL_SSE2)
    constexpr std::size_t kTile = Bytes == 1 ? 16 : 8;
    constexpr std::size_t kBlock = 64;
    rows = height - height % kTile;
    columns = width - width % kTile;
    if constexpr (Bytes == 1)
        RotateTiles<kTile, kBlock, RotateTile8>(source, destination, width, height, rows, columns);
    else
        RotateTiles<kTile, kBlock, RotateTile16>(source, destination, width, height, rows, columns);
#endif
    RotateRectangle<Bytes>(source, destination, width, height, 0, rows, columns, width);
    RotateRectangle<Bytes>(source, destination, width, height, rows, height, 0, width);
}

} // namespace

void PixelConverter::ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                                   uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                                   uint32_t xs, uint32_t ys, void* destination) {
    const RowFunction copyRow = PickRowFunction(bytesPerPixel, xs);
    if (copyRow == nullptr || width == 0 || height == 0)
        return;
    const auto* base = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    // Offsets in 64 bits: a large frame's byte offsets exceed 2^31.
    const uint64_t sourceRowBytes = uint64_t{sourceWidth} * bytesPerPixel;
    const uint64_t firstPixel = uint64_t{xs} * x * bytesPerPixel;
    const std::size_t outRowBytes = std::size_t{width} * bytesPerPixel;
    if (xs == 1 && ys == 1 && width == sourceWidth) {
        // Whole rows that follow each other: one block.
        std::memcpy(out, base + y * sourceRowBytes + firstPixel, outRowBytes * height);
        return;
    }
    for (uint32_t r = 0; r < height; ++r) {
        const uint64_t sourceRow = uint64_t{ys} * (uint64_t{y} + r);
        copyRow(base + sourceRow * sourceRowBytes + firstPixel, out + r * outRowBytes, width);
    }
}

void PixelConverter::FlipRows(const void* source, void* destination, int32_t width, int32_t height,
                              uint32_t bytesPerPixel) {
    if (width <= 0 || height <= 0)
        return;
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
    const auto rows = static_cast<std::size_t>(height);
    for (std::size_t r = 0; r < rows; ++r)
        std::memcpy(out + (rows - 1 - r) * rowBytes, in + r * rowBytes, rowBytes);
}

void PixelConverter::RotateClockwise(const void* source, void* destination, int32_t width,
                                     int32_t height, uint32_t bytesPerPixel) {
    if (width <= 0 || height <= 0)
        return;
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (bytesPerPixel == 1)
        RotatePixels<1>(in, out, w, h);
    else if (bytesPerPixel == 2)
        RotatePixels<2>(in, out, w, h);
    else if (bytesPerPixel != 0)
        RotateRectangleAnySize(in, out, w, h, bytesPerPixel);
}

} // namespace vidrune
