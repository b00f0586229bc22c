#pragma once

// The inner loops of the frame codec, one encoder and decoder per vector
// width. Each pair lives in a file of its own that is compiled for that width
// (DC6CodecSse2.cpp, DC6CodecAvx2.cpp, DC6CodecAvx512.cpp) and is called only
// on a processor that has it.
//
// Those files are compiled with other instruction sets than the rest of the
// program, so they and the headers they include define nothing with external
// linkage besides their CodecKernels: an inline function that one of them shared
// with the rest of the program could be kept in its wider form and then run
// on a processor without it.

#include <cstddef>
#include <cstdint>

namespace dc6kernels {

// How far past a run the kernels may read and write: the longest run,
// rounded up. The encoder's output needs twice this much room past the
// encoded data.
constexpr size_t kReach = 128;

enum class EDecodeResult { Ok, OffsetPastEnd, Truncated };

struct CodecKernels {
    // Encodes `height` rows of `width` pixels, followed by kReach bytes that
    // may be read, into `out`, which has room for the largest encoding plus
    // 2 * kReach bytes. Returns the number of bytes of the encoding.
    size_t (*pEncode)(const uint8_t* pixels, size_t width, size_t height, uint8_t* out);
    // Decodes `length` bytes into `width` x `height` (both > 0) pixels,
    // writing every one of them, 0 where the data holds none.
    EDecodeResult (*pDecode)(const uint8_t* data, size_t length, size_t width, size_t height,
                             uint8_t* pixels);
};

extern const CodecKernels kSse2Kernels;
#if defined(__x86_64__)
extern const CodecKernels kAvx2Kernels;
extern const CodecKernels kAvx512Kernels;
#endif

} // namespace dc6kernels
