// The codec's kernels on 32-byte vectors; compiled with -mavx2 (and BMI1 and POPCNT).

#include "DC6CodecRows.h"

#include <immintrin.h>

namespace dc6kernels {
namespace {

struct CAvx2 {
    static constexpr size_t kBytes = 32;
    // Storing the edges one at a time, this path measured slower with the
    // runs written a row late.
    static constexpr bool kLateRuns = false;

    static uint64_t NonZeroBits(const uint8_t* p)
    {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        return ~static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
    }
    static void Copy(uint8_t* to, const uint8_t* from)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
    }
    static void Zero(uint8_t* to)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_setzero_si256());
    }
    static void CopyPrefix(uint8_t* to, const uint8_t* from, int keep)
    {
        const __m256i index =
            _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                             20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
        const __m256i kept = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(keep)), index);
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_and_si256(v, kept));
    }
    static size_t AppendBitPositions(uint32_t* out, uint32_t base, uint64_t bits)
    {
        return AppendBitPositionsOneByOne(out, base, bits);
    }
};

} // namespace

const CodecKernels kAvx2Kernels{EncodeRows<CAvx2>, DecodeRows<CAvx2>};

} // namespace dc6kernels
