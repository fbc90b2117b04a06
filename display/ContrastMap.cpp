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
                                    const DivisionSetting& s) {
    const __m256i offset = _mm256_set1_epi32(s.offset);
    const __m256 divisor = _mm256_set1_ps(s.divisor);
    const __m256i low = _mm256_set1_epi16(static_cast<int16_t>(s.low));
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(s.high));
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(s.invert));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v0 = Load256(in + 2 * i);
        const __m256i v1 = Load256(in + 2 * i + 32);
        if (!InRange(v0, low, high) || !InRange(v1, low, high)) {
            LookUp(in, out, i, i + 32, s.table);
            continue;
        }
        const __m256i a =
            LowBytesOfQuotients(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v0)), offset, divisor);
        const __m256i b = LowBytesOfQuotients(
            _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v0, 1)), offset, divisor);
        const __m256i c =
            LowBytesOfQuotients(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v1)), offset, divisor);
        const __m256i d = LowBytesOfQuotients(
            _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v1, 1)), offset, divisor);
        // The packs work within 128-bit halves; the permutation restores pixel order.
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packus_epi32(a, b), _mm256_packus_epi32(c, d));
        const __m256i bytes = _mm256_permutevar8x32_epi32(packed, order);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_xor_si256(bytes, flip));
    }
    LookUp(in, out, i, count, s.table);
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
#if defined(VIDRUNE_CONTRAST_AVX2)
    if (level == SimdLevel::kAvx2 && division_.low <= division_.high) {
        const DivisionSetting setting{table_.get(),
                                      offset_,
                                      static_cast<float>(gain_) / 256.0f,
                                      static_cast<uint16_t>(division_.low),
                                      static_cast<uint16_t>(division_.high),
                                      static_cast<uint8_t>(invert_ != 0 ? 0xFF : 0)};
        DivideAvx2(in, out, count, setting);
        return;
    }
#endif
    if (level == SimdLevel::kScalar)
        LookUp(in, out, 0, count, table_.get());
    else
        ConvertByTable(in, out, count);
}

void ContrastMap::ConvertByTable(const uint8_t* in, uint8_t* out, size_t count) const {
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
    }
    LookUp(in, out, i, count, table);
}

} // namespace vidrune
