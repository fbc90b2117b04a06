#include "board/PixelConverter.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VIDRUNE_PIXEL_SSE2 1
#include <emmintrin.h>
#endif
// AVX2 kernels are compiled for that target function by function and only called when the
// CPU has it, so the library itself still runs on any x86-64.
#if defined(VIDRUNE_PIXEL_SSE2) && defined(__GNUC__)
#define VIDRUNE_PIXEL_AVX2 1
#define VIDRUNE_TARGET_AVX2 __attribute__((target("avx2")))
#include <immintrin.h>
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

// The scalar reference row.
template <std::size_t Bytes, std::size_t Step>
void EveryNth(const uint8_t* source, uint8_t* destination, std::size_t width) {
    CopyEveryNth<Bytes, Step>(source, destination, 0, width);
}

template <std::size_t Bytes>
void CopyRow(const uint8_t* source, uint8_t* destination, std::size_t width) {
    std::memcpy(destination, source, width * Bytes);
}

// The vector loops below read whole 16-byte blocks. A block of n destination pixels is taken
// only while i + n < width, so its last byte still lies within the source pixels that the
// row addresses: nothing past the region's last pixel is ever read. The remaining pixels are
// taken by one last block that ends exactly on the last addressed pixel: it is loaded a little
// early, so that the wanted pixels sit in the high end of their lanes, and it rewrites a few
// pixels of the block before it with the same values.

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

void EverySecond8Sse2(const uint8_t* source, uint8_t* destination, std::size_t width) {
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
    if (width > 16) {
        const uint8_t* s = source + 2 * width - 33;
        Store(destination + width - 16,
              _mm_packus_epi16(_mm_srli_epi16(Load(s), 8), _mm_srli_epi16(Load(s + 16), 8)));
        return;
    }
#endif
    CopyEveryNth<1, 2>(source, destination, i, width);
}

void EverySecond16Sse2(const uint8_t* source, uint8_t* destination, std::size_t width) {
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
    if (width > 8) {
        const uint8_t* s = source + (2 * width - 17) * 2;
        Store(destination + 2 * (width - 8),
              _mm_packs_epi32(_mm_srai_epi32(Load(s), 16), _mm_srai_epi32(Load(s + 16), 16)));
        return;
    }
#endif
    CopyEveryNth<2, 2>(source, destination, i, width);
}

void EveryFourth8Sse2(const uint8_t* source, uint8_t* destination, std::size_t width) {
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
    if (width > 16) {
        const uint8_t* s = source + 4 * width - 67;
        const __m128i a = _mm_srli_epi32(Load(s), 24);
        const __m128i b = _mm_srli_epi32(Load(s + 16), 24);
        const __m128i c = _mm_srli_epi32(Load(s + 32), 24);
        const __m128i d = _mm_srli_epi32(Load(s + 48), 24);
        Store(destination + width - 16,
              _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
        return;
    }
#endif
    CopyEveryNth<1, 4>(source, destination, i, width);
}

void EveryFourth16Sse2(const uint8_t* source, uint8_t* destination, std::size_t width) {
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
    if (width > 8) {
        // Loaded three pixels early: lanes 1 and 3 hold the wanted pixels in their high halves.
        constexpr int kOddLanes = _MM_SHUFFLE(3, 1, 3, 1);
        const uint8_t* s = source + (4 * width - 35) * 2;
        const __m128i ab = _mm_unpacklo_epi64(_mm_shuffle_epi32(Load(s), kOddLanes),
                                              _mm_shuffle_epi32(Load(s + 16), kOddLanes));
        const __m128i cd = _mm_unpacklo_epi64(_mm_shuffle_epi32(Load(s + 32), kOddLanes),
                                              _mm_shuffle_epi32(Load(s + 48), kOddLanes));
        Store(destination + 2 * (width - 8),
              _mm_packs_epi32(_mm_srai_epi32(ab, 16), _mm_srai_epi32(cd, 16)));
        return;
    }
#endif
    CopyEveryNth<2, 4>(source, destination, i, width);
}

#if defined(VIDRUNE_PIXEL_AVX2)

VIDRUNE_TARGET_AVX2 inline __m256i Load256(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VIDRUNE_TARGET_AVX2 inline void Store256(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The AVX2 packs work within 128-bit halves; these put the 64- or 32-bit pieces back in
// pixel order.
constexpr int kQuartersInOrder = _MM_SHUFFLE(3, 1, 2, 0);

VIDRUNE_TARGET_AVX2 inline __m256i EighthsInOrder(__m256i v) {
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// 32 destination bytes from 64 source bytes.
VIDRUNE_TARGET_AVX2 inline void EverySecond8Step(const uint8_t* s, uint8_t* d, __m256i lowBytes) {
    const __m256i a = _mm256_and_si256(Load256(s), lowBytes);
    const __m256i b = _mm256_and_si256(Load256(s + 32), lowBytes);
    Store256(d, _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), kQuartersInOrder));
}

// Each AVX2 row takes whole 32-byte steps under the same rule as the SSE2 rows (nothing past
// the last addressed pixel is read) and hands the rest of the row to the SSE2 row.
//
// The most used one, XS 2 of 8-bit pixels, takes one step at each end of the row and fills
// the middle with steps whose destinations are 32-byte aligned (rewriting a few pixels with
// the same values where they overlap the end steps).

// The first and the last 32 pixels: one step each, the last loaded one byte early as in the
// SSE2 row so that nothing past the last addressed pixel is read.
VIDRUNE_TARGET_AVX2 inline void EverySecond8Ends(const uint8_t* source, uint8_t* destination,
                                                 std::size_t width, __m256i lowBytes) {
    EverySecond8Step(source, destination, lowBytes);
    const uint8_t* s = source + 2 * width - 65;
    const __m256i a = _mm256_srli_epi16(Load256(s), 8);
    const __m256i b = _mm256_srli_epi16(Load256(s + 32), 8);
    Store256(destination + width - 32,
             _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), kQuartersInOrder));
}

// The steps between the ends, all storing to 32-byte aligned destinations (a store across two
// cache lines costs two): `steps` of them from pixel `first` on, upwards or downwards.
VIDRUNE_TARGET_AVX2 inline void EverySecond8Upwards(const uint8_t* source, uint8_t* destination,
                                                    std::size_t first, std::size_t steps,
                                                    __m256i lowBytes) {
    std::size_t k = 0;
    for (; k + 2 <= steps; k += 2) {
        const std::size_t i = first + 32 * k;
        EverySecond8Step(source + 2 * i, destination + i, lowBytes);
        EverySecond8Step(source + 2 * i + 64, destination + i + 32, lowBytes);
    }
    if (k < steps)
        EverySecond8Step(source + 2 * (first + 32 * k), destination + first + 32 * k, lowBytes);
}

VIDRUNE_TARGET_AVX2 inline void EverySecond8Downwards(const uint8_t* source, uint8_t* destination,
                                                      std::size_t first, std::size_t steps,
                                                      __m256i lowBytes) {
    std::size_t k = steps;
    for (; k >= 2; k -= 2) {
        const std::size_t i = first + 32 * (k - 2);
        EverySecond8Step(source + 2 * i + 64, destination + i + 32, lowBytes);
        EverySecond8Step(source + 2 * i, destination + i, lowBytes);
    }
    if (k == 1)
        EverySecond8Step(source + 2 * first, destination + first, lowBytes);
}

// The cache's stream prefetcher runs on past the end of what a loop reads, into the skipped
// row between two rows read, but never past the end of a 4 KB page. The row is read in the
// direction whose overrun the nearer page boundary cuts short: downwards when the row starts
// at a page boundary, as every second row of a page-aligned frame 2048 pixels wide does.
bool ReadsDownwards(const uint8_t* begin, const uint8_t* end) {
    constexpr std::uintptr_t kPage = 4096;
    const std::uintptr_t before = reinterpret_cast<std::uintptr_t>(begin) % kPage;
    const std::uintptr_t after = (kPage - reinterpret_cast<std::uintptr_t>(end) % kPage) % kPage;
    return before < after;
}

VIDRUNE_TARGET_AVX2 void EverySecond8Avx2(const uint8_t* source, uint8_t* destination,
                                          std::size_t width) {
    if (width <= 64) {
        EverySecond8Sse2(source, destination, width);
        return;
    }
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    EverySecond8Ends(source, destination, width, lowBytes);
    const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(destination) % 32;
    const std::size_t first = misalignment == 0 ? 32 : 32 - misalignment;
    // Steps start before the end step's first pixel, so that no pixel is left between them.
    const std::size_t endStep = width - 32;
    const std::size_t steps = first < endStep ? (endStep - 1 - first) / 32 + 1 : 0;
    if (ReadsDownwards(source, source + 2 * width - 1))
        EverySecond8Downwards(source, destination, first, steps, lowBytes);
    else
        EverySecond8Upwards(source, destination, first, steps, lowBytes);
}

VIDRUNE_TARGET_AVX2 void EverySecond16Avx2(const uint8_t* source, uint8_t* destination,
                                           std::size_t width) {
    std::size_t i = 0;
    const __m256i lowWords = _mm256_set1_epi32(0xFFFF);
    for (; i + 16 < width; i += 16) {
        const uint8_t* s = source + 4 * i;
        const __m256i a = _mm256_and_si256(Load256(s), lowWords);
        const __m256i b = _mm256_and_si256(Load256(s + 32), lowWords);
        Store256(destination + 2 * i,
                 _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), kQuartersInOrder));
    }
    EverySecond16Sse2(source + 4 * i, destination + 2 * i, width - i);
}

VIDRUNE_TARGET_AVX2 void EveryFourth8Avx2(const uint8_t* source, uint8_t* destination,
                                          std::size_t width) {
    std::size_t i = 0;
    const __m256i lowBytes = _mm256_set1_epi32(0xFF);
    for (; i + 32 < width; i += 32) {
        const uint8_t* s = source + 4 * i;
        const __m256i a = _mm256_and_si256(Load256(s), lowBytes);
        const __m256i b = _mm256_and_si256(Load256(s + 32), lowBytes);
        const __m256i c = _mm256_and_si256(Load256(s + 64), lowBytes);
        const __m256i d = _mm256_and_si256(Load256(s + 96), lowBytes);
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
        Store256(destination + i, EighthsInOrder(packed));
    }
    EveryFourth8Sse2(source + 4 * i, destination + i, width - i);
}

VIDRUNE_TARGET_AVX2 void EveryFourth16Avx2(const uint8_t* source, uint8_t* destination,
                                           std::size_t width) {
    std::size_t i = 0;
    const __m256i lowWords = _mm256_set1_epi64x(0xFFFF);
    for (; i + 16 < width; i += 16) {
        const uint8_t* s = source + 8 * i;
        const __m256i a = _mm256_and_si256(Load256(s), lowWords);
        const __m256i b = _mm256_and_si256(Load256(s + 32), lowWords);
        const __m256i c = _mm256_and_si256(Load256(s + 64), lowWords);
        const __m256i d = _mm256_and_si256(Load256(s + 96), lowWords);
        // Twice packed, each 32-bit piece holds two wanted pixels.
        const __m256i packed =
            _mm256_packus_epi32(_mm256_packus_epi32(a, b), _mm256_packus_epi32(c, d));
        Store256(destination + 2 * i, EighthsInOrder(packed));
    }
    EveryFourth16Sse2(source + 8 * i, destination + 2 * i, width - i);
}

#endif

struct RowKernels {
    RowFunction everySecond8;
    RowFunction everySecond16;
    RowFunction everyFourth8;
    RowFunction everyFourth16;
};

RowKernels RowKernelsFor(SimdLevel level) {
#if defined(VIDRUNE_PIXEL_AVX2)
    if (level == SimdLevel::kAvx2)
        return {EverySecond8Avx2, EverySecond16Avx2, EveryFourth8Avx2, EveryFourth16Avx2};
#endif
    if (level != SimdLevel::kScalar)
        return {EverySecond8Sse2, EverySecond16Sse2, EveryFourth8Sse2, EveryFourth16Sse2};
    return {EveryNth<1, 2>, EveryNth<2, 2>, EveryNth<1, 4>, EveryNth<2, 4>};
}

RowFunction PickRowFunction(uint32_t bytesPerPixel, uint32_t xs, SimdLevel level) {
    const bool wide = bytesPerPixel == 2;
    if (bytesPerPixel != 1 && !wide)
        return nullptr;
    const RowKernels kernels = RowKernelsFor(level);
    switch (xs) {
    case 1:
        return wide ? CopyRow<2> : CopyRow<1>;
    case 2:
        return wide ? kernels.everySecond16 : kernels.everySecond8;
    case 4:
        return wide ? kernels.everyFourth16 : kernels.everyFourth8;
    default:
        return nullptr;
    }
}

#if defined(VIDRUNE_PIXEL_SSE2)

// The tile loops must be unrolled completely so that their arrays live in registers.
#if defined(__GNUC__)
#define VIDRUNE_UNROLL _Pragma("GCC unroll 16")
#else
#define VIDRUNE_UNROLL
#endif

// A tile function transposes one square tile: input row k (at in + k * inStride) becomes output
// column k, output row j starts at out + j * outStride.
using TileFunction = void (*)(const uint8_t* in, std::ptrdiff_t inStride, uint8_t* out,
                              std::ptrdiff_t outStride);

// 16 x 16 bytes.
void TransposeTile8(const uint8_t* in, std::ptrdiff_t inStride, uint8_t* out,
                    std::ptrdiff_t outStride) {
    __m128i v[16];
    VIDRUNE_UNROLL
    for (int k = 0; k < 16; ++k)
        v[k] = Load(in + k * inStride);
    __m128i a[16];
    VIDRUNE_UNROLL
    for (int k = 0; k < 16; k += 2) {
        a[k] = _mm_unpacklo_epi8(v[k], v[k + 1]);
        a[k + 1] = _mm_unpackhi_epi8(v[k], v[k + 1]);
    }
    // b[4m + q]: columns 4q..4q+3, four bytes each from rows 4m..4m+3.
    __m128i b[16];
    VIDRUNE_UNROLL
    for (int m = 0; m < 4; ++m) {
        b[4 * m] = _mm_unpacklo_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 1] = _mm_unpackhi_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 2] = _mm_unpacklo_epi16(a[4 * m + 1], a[4 * m + 3]);
        b[4 * m + 3] = _mm_unpackhi_epi16(a[4 * m + 1], a[4 * m + 3]);
    }
    // c[8g + p]: columns 2p and 2p+1, eight bytes each from rows 8g..8g+7.
    __m128i c[16];
    VIDRUNE_UNROLL
    for (int g = 0; g < 2; ++g) {
        VIDRUNE_UNROLL
        for (int q = 0; q < 4; ++q) {
            c[8 * g + 2 * q] = _mm_unpacklo_epi32(b[8 * g + q], b[8 * g + 4 + q]);
            c[8 * g + 2 * q + 1] = _mm_unpackhi_epi32(b[8 * g + q], b[8 * g + 4 + q]);
        }
    }
    VIDRUNE_UNROLL
    for (int p = 0; p < 8; ++p) {
        Store(out + (2 * p) * outStride, _mm_unpacklo_epi64(c[p], c[8 + p]));
        Store(out + (2 * p + 1) * outStride, _mm_unpackhi_epi64(c[p], c[8 + p]));
    }
}

// 8 x 8 16-bit pixels.
void TransposeTile16(const uint8_t* in, std::ptrdiff_t inStride, uint8_t* out,
                     std::ptrdiff_t outStride) {
    __m128i v[8];
    VIDRUNE_UNROLL
    for (int k = 0; k < 8; ++k)
        v[k] = Load(in + k * inStride);
    __m128i a[8];
    VIDRUNE_UNROLL
    for (int k = 0; k < 8; k += 2) {
        a[k] = _mm_unpacklo_epi16(v[k], v[k + 1]);
        a[k + 1] = _mm_unpackhi_epi16(v[k], v[k + 1]);
    }
    // b[4g + q]: columns 2q and 2q+1, four pixels each from rows 4g..4g+3.
    __m128i b[8];
    VIDRUNE_UNROLL
    for (int g = 0; g < 2; ++g) {
        b[4 * g] = _mm_unpacklo_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 1] = _mm_unpackhi_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 2] = _mm_unpacklo_epi32(a[4 * g + 1], a[4 * g + 3]);
        b[4 * g + 3] = _mm_unpackhi_epi32(a[4 * g + 1], a[4 * g + 3]);
    }
    VIDRUNE_UNROLL
    for (int q = 0; q < 4; ++q) {
        Store(out + (2 * q) * outStride, _mm_unpacklo_epi64(b[q], b[4 + q]));
        Store(out + (2 * q + 1) * outStride, _mm_unpackhi_epi64(b[q], b[4 + q]));
    }
}

#endif

#if defined(VIDRUNE_PIXEL_AVX2)

// Rows k and k + half of the input, side by side in one register.
VIDRUNE_TARGET_AVX2 inline __m256i LoadRowPair(const uint8_t* in, std::ptrdiff_t inStride, int k,
                                               int half) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load(in + k * inStride)),
                                   Load(in + (k + half) * inStride), 1);
}

// 32 input rows of 16 bytes into 16 output rows of 32 bytes: the 16 x 16 network of
// TransposeTile8 runs on both 128-bit halves at once, the upper half on input rows 16..31,
// so that every store fills half a cache line.
VIDRUNE_TARGET_AVX2 void TransposeTile8Avx2(const uint8_t* in, std::ptrdiff_t inStride,
                                            uint8_t* out, std::ptrdiff_t outStride) {
    __m256i v[16];
    VIDRUNE_UNROLL
    for (int k = 0; k < 16; ++k)
        v[k] = LoadRowPair(in, inStride, k, 16);
    __m256i a[16];
    VIDRUNE_UNROLL
    for (int k = 0; k < 16; k += 2) {
        a[k] = _mm256_unpacklo_epi8(v[k], v[k + 1]);
        a[k + 1] = _mm256_unpackhi_epi8(v[k], v[k + 1]);
    }
    __m256i b[16];
    VIDRUNE_UNROLL
    for (int m = 0; m < 4; ++m) {
        b[4 * m] = _mm256_unpacklo_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 1] = _mm256_unpackhi_epi16(a[4 * m], a[4 * m + 2]);
        b[4 * m + 2] = _mm256_unpacklo_epi16(a[4 * m + 1], a[4 * m + 3]);
        b[4 * m + 3] = _mm256_unpackhi_epi16(a[4 * m + 1], a[4 * m + 3]);
    }
    __m256i c[16];
    VIDRUNE_UNROLL
    for (int g = 0; g < 2; ++g) {
        VIDRUNE_UNROLL
        for (int q = 0; q < 4; ++q) {
            c[8 * g + 2 * q] = _mm256_unpacklo_epi32(b[8 * g + q], b[8 * g + 4 + q]);
            c[8 * g + 2 * q + 1] = _mm256_unpackhi_epi32(b[8 * g + q], b[8 * g + 4 + q]);
        }
    }
    VIDRUNE_UNROLL
    for (int p = 0; p < 8; ++p) {
        Store256(out + (2 * p) * outStride, _mm256_unpacklo_epi64(c[p], c[8 + p]));
        Store256(out + (2 * p + 1) * outStride, _mm256_unpackhi_epi64(c[p], c[8 + p]));
    }
}

// 16 input rows of 8 16-bit pixels into 8 output rows of 16 pixels, likewise.
VIDRUNE_TARGET_AVX2 void TransposeTile16Avx2(const uint8_t* in, std::ptrdiff_t inStride,
                                             uint8_t* out, std::ptrdiff_t outStride) {
    __m256i v[8];
    VIDRUNE_UNROLL
    for (int k = 0; k < 8; ++k)
        v[k] = LoadRowPair(in, inStride, k, 8);
    __m256i a[8];
    VIDRUNE_UNROLL
    for (int k = 0; k < 8; k += 2) {
        a[k] = _mm256_unpacklo_epi16(v[k], v[k + 1]);
        a[k + 1] = _mm256_unpackhi_epi16(v[k], v[k + 1]);
    }
    __m256i b[8];
    VIDRUNE_UNROLL
    for (int g = 0; g < 2; ++g) {
        b[4 * g] = _mm256_unpacklo_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 1] = _mm256_unpackhi_epi32(a[4 * g], a[4 * g + 2]);
        b[4 * g + 2] = _mm256_unpacklo_epi32(a[4 * g + 1], a[4 * g + 3]);
        b[4 * g + 3] = _mm256_unpackhi_epi32(a[4 * g + 1], a[4 * g + 3]);
    }
    VIDRUNE_UNROLL
    for (int q = 0; q < 4; ++q) {
        Store256(out + (2 * q) * outStride, _mm256_unpacklo_epi64(b[q], b[4 + q]));
        Store256(out + (2 * q + 1) * outStride, _mm256_unpackhi_epi64(b[q], b[4 + q]));
    }
}

#endif

// One quarter turn: the source has `width` rows of `height` pixels, `stride` pixels apart.
struct Turn {
    const uint8_t* source;
    uint8_t* destination;
    std::size_t width;
    std::size_t height;
    std::size_t stride;
};

// Destination rectangle [rowBegin, rowEnd) x [columnBegin, columnEnd), one pixel at a time;
// used for the edges that do not fill a whole tile.
template <std::size_t Bytes>
void TurnPixels(const Turn& t, std::size_t rowBegin, std::size_t rowEnd, std::size_t columnBegin,
                std::size_t columnEnd) {
    // Column by column, so that each source row is read front to back.
    for (std::size_t c = columnBegin; c < columnEnd; ++c) {
        const uint8_t* sourceRow = t.source + (t.width - 1 - c) * t.stride * Bytes;
        for (std::size_t r = rowBegin; r < rowEnd; ++r)
            std::memcpy(t.destination + (r * t.width + c) * Bytes, sourceRow + r * Bytes, Bytes);
    }
}

void TurnPixelsOfAnySize(const Turn& t, std::size_t bytesPerPixel) {
    for (std::size_t c = 0; c < t.width; ++c) {
        const uint8_t* sourceRow = t.source + (t.width - 1 - c) * t.stride * bytesPerPixel;
        for (std::size_t r = 0; r < t.height; ++r)
            std::memcpy(t.destination + (r * t.width + c) * bytesPerPixel,
                        sourceRow + r * bytesPerPixel, bytesPerPixel);
    }
}

#if defined(VIDRUNE_PIXEL_SSE2)

// Pixels on a side of a block: each source row of a block is read in one run of 128 pixels,
// long enough for the hardware prefetcher, and the block's buffer (16 or 32 KB) stays in the
// first-level cache.
constexpr std::size_t kBlock = 128;

// Whole tiles over a destination rectangle, read straight from the source. A tile covers
// Rows destination rows and Columns destination columns (Columns source rows).
template <std::size_t Bytes, std::size_t Rows, std::size_t Columns, TileFunction Transpose>
void TurnTiles(const Turn& t, std::size_t rowBegin, std::size_t rowEnd, std::size_t columnBegin,
               std::size_t columnEnd) {
    const auto inStride = -static_cast<std::ptrdiff_t>(t.stride * Bytes);
    const auto outStride = static_cast<std::ptrdiff_t>(t.width * Bytes);
    for (std::size_t r0 = rowBegin; r0 < rowEnd; r0 += Rows)
        for (std::size_t c0 = columnBegin; c0 < columnEnd; c0 += Columns)
            Transpose(t.source + ((t.width - 1 - c0) * t.stride + r0) * Bytes, inStride,
                      t.destination + (r0 * t.width + c0) * Bytes, outStride);
}

// Destination rows a multiple of 2 KB apart fall into two sets of the first-level cache, so
// the partial lines that 8-bit tiles store evict each other before a line is complete and
// every line is fetched twice. Such turns write each band of Rows rows to a small buffer
// first and copy it out in whole lines; for 16-bit pixels and other row lengths that only
// adds a copy.
template <std::size_t Bytes>
bool StagesBands(std::ptrdiff_t outStride) {
    return Bytes == 1 && outStride % 2048 == 0;
}

template <std::size_t Bytes, std::size_t Rows, std::size_t Columns, TileFunction Transpose>
void TurnBlockThroughBand(const uint8_t* local, uint8_t* out, std::ptrdiff_t outStride) {
    constexpr std::ptrdiff_t kBandStride = kBlock * Bytes;
    alignas(64) uint8_t band[Rows * kBandStride];
    for (std::size_t r0 = 0; r0 < kBlock; r0 += Rows) {
        for (std::size_t c0 = 0; c0 < kBlock; c0 += Columns)
            Transpose(local + c0 * kBandStride + r0 * Bytes, kBandStride, band + c0 * Bytes,
                      kBandStride);
        for (std::size_t r = 0; r < Rows; ++r)
            std::memcpy(out + (r0 + r) * outStride, band + r * kBandStride, kBandStride);
    }
}

// Whole blocks. A block's source lines are first copied into a small contiguous
// buffer: read in place from a frame whose row length is a power of two, the block's rows fall
// into the same few cache sets and evict each other before they are used up.
template <std::size_t Bytes, std::size_t Rows, std::size_t Columns, TileFunction Transpose>
void TurnBlocks(const Turn& t, std::size_t rows, std::size_t columns) {
    constexpr std::ptrdiff_t kLocalStride = kBlock * Bytes;
    alignas(32) uint8_t local[kBlock * kLocalStride];
    const auto outStride = static_cast<std::ptrdiff_t>(t.width * Bytes);
    for (std::size_t rb = 0; rb < rows; rb += kBlock) {
        for (std::size_t cb = 0; cb < columns; cb += kBlock) {
            // Local row k: the source row that becomes destination column cb + k.
            for (std::size_t k = 0; k < kBlock; ++k)
                std::memcpy(local + k * kLocalStride,
                            t.source + ((t.width - 1 - cb - k) * t.stride + rb) * Bytes,
                            kLocalStride);
            uint8_t* out = t.destination + (rb * t.width + cb) * Bytes;
            if (StagesBands<Bytes>(outStride))
                TurnBlockThroughBand<Bytes, Rows, Columns, Transpose>(local, out, outStride);
            else
                for (std::size_t r0 = 0; r0 < kBlock; r0 += Rows)
                    for (std::size_t c0 = 0; c0 < kBlock; c0 += Columns)
                        Transpose(local + c0 * kLocalStride + r0 * Bytes, kLocalStride,
                                  out + r0 * outStride + c0 * Bytes, outStride);
        }
    }
}

// Blocks, then whole tiles, then single pixels for the edges.
template <std::size_t Bytes, std::size_t Rows, std::size_t Columns, TileFunction Transpose>
void TurnWithTiles(const Turn& t) {
    const std::size_t rows = t.height - t.height % Rows;
    const std::size_t columns = t.width - t.width % Columns;
    const std::size_t blockRows = t.height - t.height % kBlock;
    const std::size_t blockColumns = t.width - t.width % kBlock;
    TurnBlocks<Bytes, Rows, Columns, Transpose>(t, blockRows, blockColumns);
    TurnTiles<Bytes, Rows, Columns, Transpose>(t, 0, blockRows, blockColumns, columns);
    TurnTiles<Bytes, Rows, Columns, Transpose>(t, blockRows, rows, 0, columns);
    TurnPixels<Bytes>(t, 0, rows, columns, t.width);
    TurnPixels<Bytes>(t, rows, t.height, 0, t.width);
}

#endif

template <std::size_t Bytes>
void TurnImage(const Turn& t, SimdLevel level) {
#if defined(VIDRUNE_PIXEL_AVX2)
    if (level == SimdLevel::kAvx2) {
        if constexpr (Bytes == 1)
            TurnWithTiles<1, 16, 32, TransposeTile8Avx2>(t);
        else
            TurnWithTiles<2, 8, 16, TransposeTile16Avx2>(t);
        return;
    }
#endif
#if defined(VIDRUNE_PIXEL_SSE2)
    if (level != SimdLevel::kScalar) {
        if constexpr (Bytes == 1)
            TurnWithTiles<1, 16, 16, TransposeTile8>(t);
        else
            TurnWithTiles<2, 8, 8, TransposeTile16>(t);
        return;
    }
#endif
    TurnPixels<Bytes>(t, 0, t.height, 0, t.width);
}

} // namespace

void PixelConverter::ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                                   uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                                   uint32_t xs, uint32_t ys, void* destination) {
    ExtractRegion(source, sourceWidth, bytesPerPixel, x, y, width, height, xs, ys, destination,
                  SimdDispatch::Active());
}

void PixelConverter::ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                                   uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                                   uint32_t xs, uint32_t ys, void* destination, SimdLevel level) {
    const RowFunction copyRow = PickRowFunction(bytesPerPixel, xs, level);
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
    if (height > 0)
        RotateClockwise(source, static_cast<uint32_t>(height), destination, width, height,
                        bytesPerPixel, SimdDispatch::Active());
}

void PixelConverter::RotateClockwise(const void* source, uint32_t sourceStride, void* destination,
                                     int32_t width, int32_t height, uint32_t bytesPerPixel,
                                     SimdLevel level) {
    if (width <= 0 || height <= 0)
        return;
    const Turn turn{static_cast<const uint8_t*>(source), static_cast<uint8_t*>(destination),
                    static_cast<std::size_t>(width), static_cast<std::size_t>(height),
                    sourceStride};
    if (bytesPerPixel == 1)
        TurnImage<1>(turn, level);
    else if (bytesPerPixel == 2)
        TurnImage<2>(turn, level);
    else if (bytesPerPixel != 0)
        TurnPixelsOfAnySize(turn, bytesPerPixel);
}

} // namespace vidrune
