// The frame pixel codec: rows of skip codes (0x81..0xFF, 1 to 127 transparent
// pixels), literal runs (0x01..0x7F, followed by that many palette indices)
// and end-of-row codes (0x80), bottom row first.

#include "DC6File.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr size_t kMaxRun = 127;
constexpr uint8_t kEndOfRow = 0x80;

const char kTruncatedText[] = "DecodeDC6ImageData: encoded data ends before the last row";

uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

// Number of 0 bytes at the start of p, at most limit.
size_t CountTransparent(const uint8_t* p, size_t limit)
{
    size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        const uint64_t v = Load64(p + n);
        if (v != 0)
            return n + std::countr_zero(v) / 8;
    }
    while (n < limit && p[n] == 0)
        ++n;
    return n;
}

// Number of non-zero bytes at the start of p, at most limit.
size_t CountVisible(const uint8_t* p, size_t limit)
{
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHighs = 0x8080808080808080ULL;
    size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        const uint64_t v = Load64(p + n);
        // The lowest set bit marks the first zero byte exactly; bits above it
        // may be false alarms, which do not matter here.
        const uint64_t zeros = (v - kOnes) & ~v & kHighs;
        if (zeros != 0)
            return n + std::countr_zero(zeros) / 8;
    }
    while (n < limit && p[n] != 0)
        ++n;
    return n;
}

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
    int64_t rowStart = 0;
    int64_t x = 0;
    int64_t rowsLeft = height;
    while (in != end) {
        const uint8_t code = *in++;
        if (code == kEndOfRow) {
            if (--rowsLeft == 0)
                return true;
            rowStart += width;
            x = 0;
        } else if (code > kEndOfRow) {
            x += code - kEndOfRow;
        } else {
            if (rowStart + x > size) {
                SetError("DecodeDC6ImageData: Offset > Imagesize");
                return false;
            }
            if (end - in < code)
                break;
            if (x < width)
                std::memcpy(pixels + rowStart + x, in, std::min<int64_t>(code, width - x));
            in += code;
            x += code;
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
    if (out.size() < static_cast<size_t>(bound))
        out.resize(static_cast<size_t>(bound));

    uint8_t* o = out.data();
    const uint8_t* row = frame.m_ImageData.data();
    const size_t w = static_cast<size_t>(width);
    for (int64_t y = 0; y < height; ++y, row += w) {
        size_t x = 0;
        while (x < w) {
            const size_t limit = std::min(kMaxRun, w - x);
            if (row[x] == 0) {
                const size_t m = CountTransparent(row + x, limit);
                x += m;
                if (x < w)
                    *o++ = static_cast<uint8_t>(kEndOfRow + m);
            } else {
                const size_t m = CountVisible(row + x, limit);
                *o++ = static_cast<uint8_t>(m);
                std::memcpy(o, row + x, m);
                o += m;
                x += m;
            }
        }
        *o++ = kEndOfRow;
    }
    header.m_iLength = static_cast<int32_t>(o - out.data());
    return header.m_iLength;
}
