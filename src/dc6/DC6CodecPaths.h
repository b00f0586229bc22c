#pragma once

// The frame codec's vector paths, one per vector width. The codec takes the
// widest one that the processor has; tests, benchmarks and fuzzing choose
// each in turn to hold them all to the same results.

#include <span>

// SSE2 stands for plain code on processors other than x86-64; Avx512 needs
// AVX-512 BW and VBMI2.
enum class ECodecPath { Sse2, Avx2, Avx512 };

// The paths this processor can take, narrowest first; the codec takes the
// last.
std::span<const ECodecPath> SupportedCodecPaths();
const char* CodecPathName(ECodecPath path);

// While an object of this class lives, the codec takes `path` in this
// thread; a path that the processor does not support is ignored.
class CCodecPathScope {
public:
    explicit CCodecPathScope(ECodecPath path);
    ~CCodecPathScope();
    CCodecPathScope(const CCodecPathScope&) = delete;
    CCodecPathScope& operator=(const CCodecPathScope&) = delete;

private:
    int m_iPrevious;
};
