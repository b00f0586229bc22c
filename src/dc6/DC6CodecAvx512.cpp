// The codec's kernels on 64-byte vectors; compiled with -mavx512bw (and
// BMI1, BMI2 and POPCNT).

#include "DC6CodecRows.h"

#include <immintrin.h>

namespace dc6kernels {
namespace {

struct CAvx512 {
    static constexpr size_t kBytes = 64;

    static uint64_t ZeroBits(const uint8_t* p)
    {
        return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p), _mm512_setzero_si512());
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
};

} // namespace

const CodecKernels kAvx512Kernels{EncodeRows<CAvx512>, DecodeRows<CAvx512>};

} // namespace dc6kernels
