// The frame pixel codec: rows of skip codes (0x81..0xFF, 1 to 127 transparent
// pixels), literal runs (0x01..0x7F, followed by that many palette indices)
// and end-of-row codes (0x80), bottom row first. The loops over the rows are
// the kernels of DC6CodecKernels.h, one set per vector width; this file
// checks the frame, sizes the buffers and picks the kernels.

#include "DC6CodecKernels.h"
#include "DC6CodecPaths.h"
#include "DC6File.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

using dc6kernels::EDecodeResult;
using dc6kernels::kReach;

static_assert(kPixelSlack >= kReach, "the encoder reads rows in blocks up to kReach past them");

const char kTruncatedText[] = "DecodeDC6ImageData: encoded data ends before the last row";

// By ECodecPath.
const dc6kernels::CodecKernels* const kKernels[] = {
    &dc6kernels::kSse2Kernels,
#if defined(__x86_64__)
    &dc6kernels::kAvx2Kernels,
    &dc6kernels::kAvx512Kernels,
#endif
};

bool ProcessorHas(ECodecPath path)
{
    switch (path) {
    case ECodecPath::Sse2:
        return true;
#if defined(__x86_64__)
    // The wider kernels also count, find and mask bits with the instructions
    // that came with those vectors.
    case ECodecPath::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
               __builtin_cpu_supports("popcnt");
    case ECodecPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi") &&
               __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
#else
    case ECodecPath::Avx2:
    case ECodecPath::Avx512:
        break;
#endif
    }
    return false;
}

// The path a CCodecPathScope chose in this thread, or -1.
thread_local int t_iChosenPath = -1;

const dc6kernels::CodecKernels& Kernels()
{
    static const ECodecPath widest = SupportedCodecPaths().back();
    return *kKernels[t_iChosenPath >= 0 ? t_iChosenPath : static_cast<int>(widest)];
}

// Counts out UnwrittenPixel values, to size a pixel buffer without writing it.
class CUnwrittenPixels {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = UnwrittenPixel;
    using difference_type = std::ptrdiff_t;
    using pointer = const UnwrittenPixel*;
    using reference = UnwrittenPixel;

    explicit CUnwrittenPixels(difference_type i) : m_iAt(i) {}
    UnwrittenPixel operator*() const { return {}; }
    CUnwrittenPixels& operator++()
    {
        ++m_iAt;
        return *this;
    }
    difference_type operator-(const CUnwrittenPixels& other) const { return m_iAt - other.m_iAt; }
    bool operator==(const CUnwrittenPixels& other) const { return m_iAt == other.m_iAt; }

private:
    difference_type m_iAt;
};

} // namespace

std::span<const ECodecPath> SupportedCodecPaths()
{
    static const auto paths = [] {
        std::array<ECodecPath, 3> all{ECodecPath::Sse2, ECodecPath::Avx2, ECodecPath::Avx512};
        const auto end = std::remove_if(all.begin(), all.end(),
                                        [](ECodecPath path) { return !ProcessorHas(path); });
        return std::make_pair(all, static_cast<size_t>(end - all.begin()));
    }();
    return std::span(paths.first.data(), paths.second);
}

const char* CodecPathName(ECodecPath path)
{
    switch (path) {
    case ECodecPath::Sse2:
        return "sse2";
    case ECodecPath::Avx2:
        return "avx2";
    case ECodecPath::Avx512:
        return "avx512";
    }
    return "";
}

CCodecPathScope::CCodecPathScope(ECodecPath path) : m_iPrevious(t_iChosenPath)
{
    if (ProcessorHas(path))
        t_iChosenPath = static_cast<int>(path);
}

CCodecPathScope::~CCodecPathScope()
{
    t_iChosenPath = m_iPrevious;
}

bool CDC6File::DecodeDC6ImageData(DC6Frame* pFrame, std::span<const uint8_t> data)
{
    if (pFrame == nullptr) {
        SetError("DecodeDC6ImageData: pDC6Frames == NULL");
        return false;
    }
    const int64_t width = pFrame->m_DC6FrameHeader.m_iWidth;
    const int64_t height = pFrame->m_DC6FrameHeader.m_iHeight;
    if (height <= 0) {
        SetError("DecodeDC6ImageData: m_iHeight <= 0");
        return false;
    }
    if (width <= 0) {
        SetError("DecodeDC6ImageData: m_iWidth <= 0");
        return false;
    }
    const int64_t size = width * height;
    if (size > kMaxFramePixels) {
        SetError("DecodeDC6ImageData: a frame of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels is larger than the limit of " +
                 std::to_string(kMaxFramePixels) + " pixels");
        return false;
    }
    // Every row takes at least its end-of-row code.
    if (height > static_cast<int64_t>(data.size())) {
        SetError(kTruncatedText);
        return false;
    }

    // The kernel writes every pixel once, so the buffer is not filled first.
    pFrame->m_ImageData = DC6Pixels(CUnwrittenPixels(0), CUnwrittenPixels(size));
    switch (Kernels().pDecode(data.data(), data.size(), static_cast<size_t>(width),
                              static_cast<size_t>(height), pFrame->m_ImageData.data())) {
    case EDecodeResult::Ok:
        return true;
    case EDecodeResult::OffsetPastEnd:
        SetError("DecodeDC6ImageData: Offset > Imagesize");
        return false;
    case EDecodeResult::Truncated:
        break;
    }
    SetError(kTruncatedText);
    return false;
}

int CDC6File::EncodeDC6ImageData(DC6Frame& frame, std::vector<uint8_t>& out)
{
    DC6FrameHeader& header = frame.m_DC6FrameHeader;
    header.m_iFlip = 0;
    header.m_iLength = 0;
    const int64_t width = std::max<int64_t>(header.m_iWidth, 0);
    const int64_t height = header.m_iHeight;
    const int64_t bound = (2 * width + 1) * height;
    if (height <= 0 || frame.m_ImageData.size() != static_cast<size_t>(width * height) ||
        bound > INT32_MAX)
        return 0;
    // Room for the kernel's block copies to reach past the end of the data.
    if (out.size() < static_cast<size_t>(bound) + 2 * kReach)
        out.resize(static_cast<size_t>(bound) + 2 * kReach);

    const size_t n = Kernels().pEncode(frame.m_ImageData.data(), static_cast<size_t>(width),
                                       static_cast<size_t>(height), out.data());
    header.m_iLength = static_cast<int32_t>(n);
    return header.m_iLength;
}
