#include "display/ContrastMap.h"

#include "display/ImageConverter.h"

#include <algorithm>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VIDRUNE_CONTRAST_AVX2 1
#define VIDRUNE_TARGET_AVX2 __attribute__((target("avx2")))
#include <immintrin.h>
#endif

namespace vidrune {

namespace {

constexpr size_t kInputs = 65536;
// Floats hold every integer below 2^24 exactly.
constexpr int64_t kExactFloat = int64_t{1} << 24;

inline uint16_t Word(const uint8_t* in, size_t index) {
    return static_cast<uint16_t>(in[2 * index] | (in[2 * index + 1] << 8));
}

// Pixels [from, to) through the table, in ascending order: byte i is written after word i
// is read and before any later word, so an in-place run never reads a result.
void LookUp(const uint8_t* in, uint8_t* out, size_t from, size_t to, const uint8_t* table) {
    for (size_t i = from; i < to; ++i)
        out[i] = table[Word(in, i)];
}

using Composition = ContrastMap::Composition;

void Compose(const Composition& c, const uint8_t* gray, size_t from, size_t to) {
    if (c.bitmap == nullptr)
        return;
    for (size_t i = from; i < to; ++i)
        c.bitmap[i] = c.palette[gray[i]] | c.overlay[i];
}

// Eight gray bytes (in one word, first pixel lowest) into the bitmap at pixel i.
void ComposeEight(const Composition& c, uint64_t gray, size_t i) {
    uint64_t overlay;
    std::memcpy(&overlay, c.overlay + i, sizeof overlay);
    uint64_t shown = 0;
    for (int k = 0; k < 8; ++k)
        shown |= uint64_t{c.palette[(gray >> (8 * k)) & 0xFF]} << (8 * k);
    shown |= overlay;
    std::memcpy(c.bitmap + i, &shown, sizeof shown);
}

void LookUpAndCompose(const uint8_t* in, uint8_t* out, size_t from, size_t to, const uint8_t* table,
                      const Composition& c) {
    LookUp(in, out, from, to, table);
    Compose(c, out, from, to);
}

#if defined(VIDRUNE_CONTRAST_AVX2)

struct DivisionSetting {
    const uint8_t* table;
    int32_t offset;
    float divisor; // gain / 256, exact
    uint16_t low;
    uint16_t high;
    uint8_t invert;
};

VIDRUNE_TARGET_AVX2 inline __m256i Load256(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VIDRUNE_TARGET_AVX2 inline void Store256(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// A 256-entry byte table as sixteen 16-entry shuffles, each in both 128-bit halves.
struct ByteTable {
    __m256i chunks[16];
    __m256i keys[16]; // 16k in every byte
};

VIDRUNE_TARGET_AVX2 void LoadByteTable(const uint8_t* table, ByteTable& t) {
    for (int k = 0; k < 16; ++k) {
        t.chunks[k] = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k)));
        t.keys[k] = _mm256_set1_epi8(static_cast<char>(16 * k));
    }
}

// table[x] for 32 bytes. Chunk k sees x ^ 16k, whose high nibble is 0 only for its own
// inputs; adding 0x70 with saturation sets the top bit (shuffle gives 0) for all others.
// Unrolled, with two sums, so that the sixteen lookups do not wait on each other.
VIDRUNE_TARGET_AVX2 inline __m256i LookUp256(__m256i x, const ByteTable& t) {
    const __m256i bias = _mm256_set1_epi8(0x70);
    __m256i even = _mm256_setzero_si256();
    __m256i odd = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (int k = 0; k < 16; k += 2) {
        const __m256i here = _mm256_adds_epu8(_mm256_xor_si256(x, t.keys[k]), bias);
        const __m256i next = _mm256_adds_epu8(_mm256_xor_si256(x, t.keys[k + 1]), bias);
        even = _mm256_or_si256(even, _mm256_shuffle_epi8(t.chunks[k], here));
        odd = _mm256_or_si256(odd, _mm256_shuffle_epi8(t.chunks[k + 1], next));
    }
    return _mm256_or_si256(even, odd);
}

// Low byte of trunc((v - offset) / divisor) for eight 32-bit inputs.
VIDRUNE_TARGET_AVX2 inline __m256i LowBytesOfQuotients(__m256i v, __m256i offset, __m256 divisor) {
    const __m256 difference = _mm256_cvtepi32_ps(_mm256_sub_epi32(v, offset));
    const __m256i quotient = _mm256_cvttps_epi32(_mm256_div_ps(difference, divisor));
    return _mm256_and_si256(quotient, _mm256_set1_epi32(0xFF));
}

// All sixteen words inside [low, high].
VIDRUNE_TARGET_AVX2 inline bool InRange(__m256i v, __m256i low, __m256i high) {
    const __m256i above = _mm256_cmpeq_epi16(_mm256_max_epu16(v, low), v);
    const __m256i below = _mm256_cmpeq_epi16(_mm256_min_epu16(v, high), v);
    return _mm256_movemask_epi8(_mm256_and_si256(above, below)) == -1;
}

// 32 pixels a step: both 32-byte loads come before the store, and the store ends before the
// next step's first load, so the frame can be converted in place.
VIDRUNE_TARGET_AVX2 void DivideAvx2(const uint8_t* in, uint8_t* out, size_t count,
                                    const DivisionSetting& s, const Composition& c) {
    const __m256i offset = _mm256_set1_epi32(s.offset);
    const __m256 divisor = _mm256_set1_ps(s.divisor);
    const __m256i low = _mm256_set1_epi16(static_cast<int16_t>(s.low));
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(s.high));
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(s.invert));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    ByteTable palette;
    if (c.bitmap != nullptr)
        LoadByteTable(c.palette, palette);
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v0 = Load256(in + 2 * i);
        const __m256i v1 = Load256(in + 2 * i + 32);
        if (!InRange(v0, low, high) || !InRange(v1, low, high)) {
            LookUpAndCompose(in, out, i, i + 32, s.table, c);
            continue;
        }
        const __m256i a =
            LowBytesOfQuotients(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v0)), offset, divisor);
        const __m256i b = LowBytesOfQuotients(
            _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v0, 1)), offset, divisor);
        const __m256i c0 =
            LowBytesOfQuotients(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v1)), offset, divisor);
        const __m256i d = LowBytesOfQuotients(
            _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v1, 1)), offset, divisor);
        // The packs work within 128-bit halves; the permutation restores pixel order.
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packus_epi32(a, b), _mm256_packus_epi32(c0, d));
        const __m256i gray = _mm256_xor_si256(_mm256_permutevar8x32_epi32(packed, order), flip);
        Store256(out + i, gray);
        if (c.bitmap != nullptr)
            Store256(c.bitmap + i,
                     _mm256_or_si256(LookUp256(gray, palette), Load256(c.overlay + i)));
    }
    LookUpAndCompose(in, out, i, count, s.table, c);
}

#endif

} // namespace

ContrastMap::DivisionRange ContrastMap::ExactDivisionRange(int32_t gain, int32_t offset) {
    if (gain == 0 || gain > kExactFloat || gain < -kExactFloat)
        return {};
    // |v - offset| < 2^16 keeps (v - offset) * 256 below 2^24.
    const int64_t low = std::max<int64_t>(0, int64_t{offset} - 65535);
    const int64_t high = std::min<int64_t>(65535, int64_t{offset} + 65535);
    if (low > high)
        return {};
    return {static_cast<int32_t>(low), static_cast<int32_t>(high)};
}

void ContrastMap::Set(int32_t gain, int32_t offset, int32_t invert) {
    if (!table_)
        table_ = std::make_unique<uint8_t[]>(kInputs);
    if (valid_ && gain == gain_ && offset == offset_ && invert == invert_)
        return;
    for (size_t v = 0; v < kInputs; ++v)
        table_[v] = ImageConverter::ConvertPixel(static_cast<uint16_t>(v), gain, offset, invert);
    gain_ = gain;
    offset_ = offset;
    invert_ = invert;
    division_ = ExactDivisionRange(gain, offset);
    valid_ = true;
}

void ContrastMap::Convert(const uint8_t* in, uint8_t* out, size_t count, SimdLevel level) const {
    Apply(in, out, count, level, Composition{});
}

void ContrastMap::ConvertAndCompose(const uint8_t* in, uint8_t* gray, const uint8_t* overlay,
                                    const uint8_t* palette, uint8_t* bitmap, size_t count,
                                    SimdLevel level) const {
    Apply(in, gray, count, level, Composition{overlay, palette, bitmap});
}

void ContrastMap::Apply(const uint8_t* in, uint8_t* out, size_t count, SimdLevel level,
                        const Composition& c) const {
#if defined(VIDRUNE_CONTRAST_AVX2)
    if (level == SimdLevel::kAvx2 && division_.low <= division_.high) {
        const DivisionSetting setting{table_.get(),
                                      offset_,
                                      static_cast<float>(gain_) / 256.0f,
                                      static_cast<uint16_t>(division_.low),
                                      static_cast<uint16_t>(division_.high),
                                      static_cast<uint8_t>(invert_ != 0 ? 0xFF : 0)};
        DivideAvx2(in, out, count, setting, c);
        return;
    }
#endif
    if (level == SimdLevel::kScalar)
        LookUpAndCompose(in, out, 0, count, table_.get(), c);
    else
        ConvertByTable(in, out, count, c);
}

void ContrastMap::ConvertByTable(const uint8_t* in, uint8_t* out, size_t count,
                                 const Composition& c) const {
    // Eight pixels a step through two 8-byte loads and one 8-byte store: the 16 input bytes
    // are read before the 8 output bytes, which end where this step's input began, so the
    // frame can be converted in place.
    const uint8_t* table = table_.get();
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t first;
        uint64_t second;
        std::memcpy(&first, in + 2 * i, sizeof first);
        std::memcpy(&second, in + 2 * i + 8, sizeof second);
        uint64_t bytes = 0;
        for (int k = 0; k < 4; ++k) {
            bytes |= uint64_t{table[(first >> (16 * k)) & 0xFFFF]} << (8 * k);
            bytes |= uint64_t{table[(second >> (16 * k)) & 0xFFFF]} << (8 * (k + 4));
        }
        std::memcpy(out + i, &bytes, sizeof bytes);
        if (c.bitmap != nullptr)
            ComposeEight(c, bytes, i);
    }
    LookUpAndCompose(in, out, i, count, table, c);
}

} // namespace vidrune
