#include "display/ContrastMap.h"

#include "display/ImageConverter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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
using ShortDivision = ContrastMap::ShortDivision;

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

// The division in 16-bit lanes for inputs below 2^bits, with d = v - offset and a = |d| <
// 2^(16 - shift): the multiply-high of a << shift by multiplier = ceil(2^(24 - shift) / gain)
// overestimates a * 256 / gain by less than a * 2^shift / 2^16 < 1, so it is the quotient or
// one more; the remainder a * 256 - estimate * gain then lies in [-gain, gain), which the
// wrapped 16-bit difference shows by its sign while gain < 2^15. Truncation toward zero takes
// the sign of d back.
struct ShortDivisionVectors {
    __m256i offset;
    __m256i multiplier;
    __m256i gain;
    __m128i shift;
    __m256i outside; // the input bits above the proven range
    __m256i flip;
};

VIDRUNE_TARGET_AVX2 inline __m256i LowBytesOfShortQuotients(__m256i v,
                                                            const ShortDivisionVectors& k) {
    const __m256i d = _mm256_sub_epi16(v, k.offset);
    const __m256i a = _mm256_abs_epi16(d);
    const __m256i estimate = _mm256_mulhi_epu16(_mm256_sll_epi16(a, k.shift), k.multiplier);
    const __m256i remainder =
        _mm256_sub_epi16(_mm256_slli_epi16(a, 8), _mm256_mullo_epi16(estimate, k.gain));
    const __m256i quotient =
        _mm256_add_epi16(estimate, _mm256_cmpgt_epi16(_mm256_setzero_si256(), remainder));
    return _mm256_and_si256(_mm256_sign_epi16(quotient, d), _mm256_set1_epi16(0x00FF));
}

// 32 pixels a step, in place as DivideAvx2; a step with any input outside the proven range
// goes through the table.
VIDRUNE_TARGET_AVX2 void DivideShortAvx2(const uint8_t* in, uint8_t* out, size_t count,
                                         const ShortDivision& s, const uint8_t* table,
                                         const Composition& c) {
    const ShortDivisionVectors k{_mm256_set1_epi16(static_cast<int16_t>(s.offset)),
                                 _mm256_set1_epi16(static_cast<int16_t>(s.multiplier)),
                                 _mm256_set1_epi16(static_cast<int16_t>(s.gain)),
                                 _mm_cvtsi32_si128(s.shift),
                                 _mm256_set1_epi16(static_cast<int16_t>(~((1u << s.bits) - 1))),
                                 _mm256_set1_epi8(static_cast<char>(s.invert != 0 ? 0xFF : 0))};
    ByteTable palette;
    if (c.bitmap != nullptr)
        LoadByteTable(c.palette, palette);
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v0 = Load256(in + 2 * i);
        const __m256i v1 = Load256(in + 2 * i + 32);
        if (!_mm256_testz_si256(_mm256_or_si256(v0, v1), k.outside)) {
            LookUpAndCompose(in, out, i, i + 32, table, c);
            continue;
        }
        // The pack works within 128-bit halves; the permutation restores pixel order.
        const __m256i packed =
            _mm256_packus_epi16(LowBytesOfShortQuotients(v0, k), LowBytesOfShortQuotients(v1, k));
        const __m256i gray =
            _mm256_xor_si256(_mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)), k.flip);
        Store256(out + i, gray);
        if (c.bitmap != nullptr)
            Store256(c.bitmap + i,
                     _mm256_or_si256(LookUp256(gray, palette), Load256(c.overlay + i)));
    }
    LookUpAndCompose(in, out, i, count, table, c);
}

#endif

} // namespace

ContrastMap::ShortDivision ContrastMap::FindShortDivision(int32_t gain, int32_t offset,
                                                          int32_t invert) {
    if (gain <= 0 || gain >= 32768)
        return {};
    // The widest range of inputs from 0 whose differences from offset fit the 16-bit lanes.
    for (int bits = 15; bits >= 8; --bits) {
        const int64_t top = (int64_t{1} << bits) - 1;
        const int64_t largest = std::max(std::abs(int64_t{offset}), std::abs(top - offset));
        if (largest >= 32768)
            continue;
        int shift = 0;
        while (shift < 15 && largest < (int64_t{1} << (15 - shift)))
            ++shift;
        const int64_t multiplier = ((int64_t{1} << (24 - shift)) + gain - 1) / gain;
        if (multiplier >= 65536)
            continue;
        return {bits, offset, gain, shift, static_cast<uint16_t>(multiplier), invert};
    }
    return {};
}

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
    shortDivision_ = ProvenShortDivision(FindShortDivision(gain, offset, invert));
    valid_ = true;
}

ContrastMap::ShortDivision ContrastMap::ProvenShortDivision(const ShortDivision& candidate) const {
#if defined(VIDRUNE_CONTRAST_AVX2)
    if (candidate.bits == 0 || !SimdDispatch::Supported(SimdLevel::kAvx2))
        return {};
    // Taken only if it gives the table's byte for every input of its range.
    const size_t inputs = size_t{1} << candidate.bits;
    std::vector<uint8_t> words(2 * inputs);
    for (size_t v = 0; v < inputs; ++v) {
        words[2 * v] = static_cast<uint8_t>(v);
        words[2 * v + 1] = static_cast<uint8_t>(v >> 8);
    }
    std::vector<uint8_t> out(inputs);
    DivideShortAvx2(words.data(), out.data(), inputs, candidate, table_.get(), Composition{});
    if (std::memcmp(out.data(), table_.get(), inputs) == 0)
        return candidate;
#else
    (void)candidate;
#endif
    return {};
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
    if (level == SimdLevel::kAvx2 && shortDivision_.bits != 0) {
        DivideShortAvx2(in, out, count, shortDivision_, table_.get(), c);
        return;
    }
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
