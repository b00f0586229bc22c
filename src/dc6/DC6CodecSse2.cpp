// The codec's kernels on 16-byte vectors: SSE2, which every x86-64
// processor has, or plain code elsewhere.

#include "DC6CodecRows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dc6kernels {
namespace {

struct CSse2 {
    static constexpr size_t kBytes = 16;
    // As on AVX2.
    static constexpr bool kLateRuns = false;

#if defined(__SSE2__)
    static uint64_t NonZeroBits(const uint8_t* p)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) &
               0xFFFF;
    }
    static void Copy(uint8_t* to, const uint8_t* from)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    }
    static void Zero(uint8_t* to)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_setzero_si128());
    }
    static void CopyPrefix(uint8_t* to, const uint8_t* from, int keep)
    {
        const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const __m128i kept = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(keep)), index);
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_and_si128(v, kept));
    }
#else
    static uint64_t NonZeroBits(const uint8_t* p)
    {
        uint64_t bits = 0;
        for (size_t i = 0; i < kBytes; ++i)
            bits |= uint64_t{p[i] != 0} << i;
        return bits;
    }
    static void Copy(uint8_t* to, const uint8_t* from)
    {
        __builtin_memcpy(to, from, kBytes);
    }
    static void Zero(uint8_t* to)
    {
        __builtin_memset(to, 0, kBytes);
    }
#endif

    static size_t AppendBitPositions(uint32_t* out, uint32_t base, uint64_t bits)
    {
        return AppendBitPositionsOneByOne(out, base, bits);
    }
};

} // namespace

const CodecKernels kSse2Kernels{EncodeRows<CSse2>, DecodeRows<CSse2>};

} // namespace dc6kernels
