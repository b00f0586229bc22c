// The codec's kernels on 64-byte vectors; compiled with -mavx512bw and
// -mavx512vbmi2 (and BMI1, BMI2 and POPCNT).

#include "DC6CodecRows.h"

#include <immintrin.h>

namespace dc6kernels {
namespace {

struct CAvx512 {
    static constexpr size_t kBytes = 64;
    // This path stores the edges a vector at a time; writing a row's runs
    // straight after gathering them measured a sixth slower.
    static constexpr bool kLateRuns = true;

    static uint64_t NonZeroBits(const uint8_t* p)
    {
        const __m512i v = _mm512_loadu_si512(p);
        return _mm512_test_epi8_mask(v, v);
    }
    static void Copy(uint8_t* to, const uint8_t* from)
    {
        _mm512_storeu_si512(to, _mm512_loadu_si512(from));
    }
    static void Zero(uint8_t* to) { _mm512_storeu_si512(to, _mm512_setzero_si512()); }
    static void CopyPrefix(uint8_t* to, const uint8_t* from, int keep)
    {
        const unsigned n = keep > 0 ? static_cast<unsigned>(keep) : 0;
        _mm512_storeu_si512(to, _mm512_maskz_loadu_epi8(_bzhi_u64(~uint64_t{0}, n), from));
    }
    // The positions of the bits, as bytes in one vector, then widened and
    // stored 16 at a time.
    static size_t AppendBitPositions(uint32_t* out, uint32_t base, uint64_t bits)
    {
        const __m512i iota = _mm512_set_epi8(
            63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42,
            41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20,
            19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        const __m512i positions = _mm512_maskz_compress_epi8(bits, iota);
        const __m512i offset = _mm512_set1_epi32(static_cast<int>(base));
        const size_t n = static_cast<size_t>(__builtin_popcountll(bits));
        Store16<0>(out, positions, offset);
        if (n > 16) {
            Store16<1>(out, positions, offset);
            Store16<2>(out, positions, offset);
            Store16<3>(out, positions, offset);
        }
        return n;
    }

private:
    template <int k> static void Store16(uint32_t* out, __m512i positions, __m512i offset)
    {
        // (The zero-masked forms, as the plain ones leave GCC 12 warning
        // about undefined lanes.)
        const __m128i bytes = _mm512_maskz_extracti32x4_epi32(0xF, positions, k);
        _mm512_storeu_si512(out + 16 * k,
                            _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, bytes), offset));
    }
};

} // namespace

const CodecKernels kAvx512Kernels{EncodeRows<CAvx512>, DecodeRows<CAvx512>};

} // namespace dc6kernels
