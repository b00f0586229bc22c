// The frame pixel codec: rows of skip codes (0x81..0xFF, 1 to 127 transparent
// pixels), literal runs (0x01..0x7F, followed by that many palette indices)
// and end-of-row codes (0x80), bottom row first.

#include "DC6File.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr size_t kMaxRun = 127;
constexpr uint8_t kEndOfRow = 0x80;
// Runs are scanned and copied in blocks of 16 bytes, four blocks at a time
// (most runs are shorter than that, and a fixed amount of work keeps the
// branch predictor out of it), which may reach past the run.
constexpr size_t kBlock = 16;
constexpr size_t kBlocksAtOnce = 4;
constexpr size_t kStep = kBlock * kBlocksAtOnce;
// How far a run and its block copies can reach: the longest run, rounded up.
constexpr int64_t kReach = 128;

const char kTruncatedText[] = "DecodeDC6ImageData: encoded data ends before the last row";

#if defined(__SSE2__)
__m128i LoadBlock(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void StoreBlock(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Bit i is set when p[i] is 0, for i from 0 to 63.
uint64_t ZeroMask64(const uint8_t* p)
{
    const __m128i zero = _mm_setzero_si128();
    const auto mask = [&](size_t block) {
        return uint64_t{static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(LoadBlock(p + block * kBlock), zero)))};
    };
    return mask(0) | mask(1) << 16 | mask(2) << 32 | mask(3) << 48;
}

// Writes the first `keep` bytes of from[0..15] (all when keep >= 16) and 0
// in place of the rest.
void StoreBlockPrefix(uint8_t* to, const uint8_t* from, int keep)
{
    const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    // keep lies in -112..127 for runs of up to 127 bytes: it fits a byte.
    const __m128i limit = _mm_set1_epi8(static_cast<char>(keep));
    StoreBlock(to, _mm_and_si128(LoadBlock(from), _mm_cmpgt_epi8(limit, index)));
}
#else
uint64_t ZeroMask64(const uint8_t* p)
{
    uint64_t mask = 0;
    for (size_t i = 0; i < kStep; ++i)
        mask |= uint64_t{p[i] == 0} << i;
    return mask;
}

void StoreBlockPrefix(uint8_t* to, const uint8_t* from, int keep)
{
    for (int i = 0; i < static_cast<int>(kBlock); ++i)
        to[i] = i < keep ? from[i] : 0;
}
#endif

// Copies a run of n bytes (n <= kReach) and writes 0 over the rest of its
// last block; both sides must have kReach bytes of room.
void CopyRunZeroPadded(uint8_t* to, const uint8_t* from, int n)
{
    if (n <= static_cast<int>(kStep)) {
        for (size_t b = 0; b < kBlocksAtOnce; ++b)
            StoreBlockPrefix(to + b * kBlock, from + b * kBlock, n - static_cast<int>(b * kBlock));
        return;
    }
    int k = 0;
    for (; k + static_cast<int>(kBlock) <= n; k += kBlock)
        std::memcpy(to + k, from + k, kBlock);
    StoreBlockPrefix(to + k, from + k, n - k);
}

// Copies a run of n bytes (n <= kReach) and whatever follows it up to the
// end of its last block; both sides must have kReach bytes of room.
void CopyRunSpilling(uint8_t* to, const uint8_t* from, size_t n)
{
    std::memcpy(to, from, kStep);
    for (size_t k = kStep; k < n; k += kBlock)
        std::memcpy(to + k, from + k, kBlock);
}

// Which pixels of a row are transparent, one bit a pixel, so that finding
// where a run ends takes a few shifts and a bit scan.
class CRowMask {
public:
    // Spare words: a run's 128-bit window may reach past the row, and so may
    // the window of the empty run at its very end.
    explicit CRowMask(size_t width) : m_Words((width + kStep - 1) / kStep + 3, 0) {}

    void Fill(const uint8_t* row, size_t width, const uint8_t* pixelsEnd)
    {
        // A word at a time wherever 64 bytes can be read (bits past the row
        // are never asked for), the rest a byte at a time.
        const size_t whole =
            std::min((width + kStep - 1) / kStep, static_cast<size_t>(pixelsEnd - row) / kStep);
        for (size_t k = 0; k < whole; ++k)
            m_Words[k] = ZeroMask64(row + k * kStep);
        size_t x = whole * kStep;
        if (x < width) {
            uint64_t mask = 0;
            for (size_t i = 0; x + i < width; ++i)
                mask |= uint64_t{row[x + i] == 0} << i;
            m_Words[x / kStep] = mask;
        }
    }

    // Length of the run of visible (non-zero) or transparent (zero) pixels
    // that starts at x, at most limit; limit must not reach past the row, and
    // no run is longer than 127, so one window of 128 bits always holds it.
    template <bool kVisible> size_t RunLength(size_t x, size_t limit) const
    {
        const size_t word = x / kStep;
        const unsigned shift = x % kStep;
        const uint64_t first = Stops<kVisible>(word, shift);
        if (first != 0)
            return std::min(static_cast<size_t>(std::countr_zero(first)), limit);
        return std::min(kStep + std::countr_zero(Stops<kVisible>(word + 1, shift)), limit);
    }

private:
    // The 64 bits from bit `shift` of word `word` on, set where a run of the
    // given kind stops.
    template <bool kVisible> uint64_t Stops(size_t word, unsigned shift) const
    {
        // Shifting the next word by one and then by 63 - shift keeps every
        // shift below 64.
        const uint64_t zeros = m_Words[word] >> shift | (m_Words[word + 1] << 1)
                                                            << (kStep - 1 - shift);
        return kVisible ? zeros : ~zeros;
    }

    std::vector<uint64_t> m_Words;
};

} // namespace

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

    pFrame->m_ImageData.assign(static_cast<size_t>(size), 0);
    uint8_t* const pixels = pFrame->m_ImageData.data();
    const uint8_t* in = data.data();
    const uint8_t* const end = in + data.size();
    // Literal runs are copied in whole blocks where both sides have room,
    // with 0 in place of the bytes past the run: those lie ahead of
    // everything written so far and are still 0.
    int64_t rowStart = 0;
    int64_t x = 0;
    int64_t rowsLeft = height;
    while (in != end) {
        const uint8_t code = *in++;
        if (code < kEndOfRow) {
            const int64_t pos = rowStart + x;
            if (pos > size) {
                SetError("DecodeDC6ImageData: Offset > Imagesize");
                return false;
            }
            if (end - in < code)
                break;
            if (x + code <= width && pos + kReach <= size && end - in >= kReach)
                CopyRunZeroPadded(pixels + pos, in, code);
            else if (x < width)
                std::memcpy(pixels + pos, in,
                            static_cast<size_t>(std::min<int64_t>(code, width - x)));
            in += code;
            x += code;
        } else if (code > kEndOfRow) {
            x += code - kEndOfRow;
        } else {
            if (--rowsLeft == 0)
                return true;
            rowStart += width;
            x = 0;
        }
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
    // Room for the last block copy to reach past the end of the data.
    if (out.size() < static_cast<size_t>(bound) + kStep + 1)
        out.resize(static_cast<size_t>(bound) + kStep + 1);

    uint8_t* o = out.data();
    const size_t w = static_cast<size_t>(width);
    const uint8_t* row = frame.m_ImageData.data();
    const uint8_t* const pixelsEnd = row + frame.m_ImageData.size();
    CRowMask transparent(w);
    for (int64_t y = 0; y < height; ++y, row += w) {
        transparent.Fill(row, w, pixelsEnd);
        // Each turn takes a transparent run and then a visible run, either of
        // which may be empty. Codes are written unconditionally and kept or
        // overwritten, so that the only branches left are the rare ones.
        size_t x = 0;
        while (x < w) {
            const size_t skip = transparent.RunLength<false>(x, std::min(kMaxRun, w - x));
            x += skip;
            *o = static_cast<uint8_t>(kEndOfRow + skip);
            o += skip != 0 && x < w;

            const size_t run = transparent.RunLength<true>(x, std::min(kMaxRun, w - x));
            *o = static_cast<uint8_t>(run);
            if (pixelsEnd - (row + x) >= kReach)
                CopyRunSpilling(o + 1, row + x, run);
            else
                std::memcpy(o + 1, row + x, run);
            o += run != 0 ? run + 1 : 0;
            x += run;
        }
        *o++ = kEndOfRow;
    }
    header.m_iLength = static_cast<int32_t>(o - out.data());
    return header.m_iLength;
}
