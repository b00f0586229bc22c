// PCX reading and writing.
//
// The reader takes versions 0 to 5 with run-length encoding: 1, 2 or 4 bits
// in 1 to 4 planes as long as a pixel has at most 4 bits (2 or 16 colours
// from the header's palette), 8 bits in 1 plane with the 256-colour palette
// at the end of the file, and 8 bits in 3 planes (red, green, blue) or 4
// (with alpha). The writer writes version 5: palette pictures as 8 bits in
// 1 plane with the palette at the end, 24-bit pictures as 3 planes.

#include "ImageCodecs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kVgaPaletteSize = 769; // 0x0C, then 256 x red, green, blue
constexpr uint8_t kVgaPaletteMark = 0x0C;
constexpr size_t kMaxRun = 63;

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The 16 colours of the EGA's default palette, for 16-colour files whose
// header palette is left empty.
constexpr uint8_t kEgaColours[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
};

// Pulls bytes out of the run-length stream. A run may carry on into the
// next plane or line, so the decoder keeps its place between calls.
class RleReader {
public:
    explicit RleReader(std::span<const uint8_t> stream) : m_Stream(stream) {}

    // Fills dst with the next n decoded bytes; false when the stream ends
    // first.
    bool Read(uint8_t* dst, size_t n)
    {
        while (n > 0) {
            if (m_Run == 0) {
                if (m_Pos >= m_Stream.size())
                    return false;
                const uint8_t b = m_Stream[m_Pos++];
                if ((b & 0xC0) != 0xC0) {
                    *dst++ = b;
                    --n;
                    continue;
                }
                if (m_Pos >= m_Stream.size())
                    return false;
                m_Run = b & 0x3F;
                m_Value = m_Stream[m_Pos++];
                continue;
            }
            const size_t take = std::min(n, m_Run);
            std::memset(dst, m_Value, take);
            dst += take;
            n -= take;
            m_Run -= take;
        }
        return true;
    }

private:
    std::span<const uint8_t> m_Stream;
    size_t m_Pos = 0;
    size_t m_Run = 0;
    uint8_t m_Value = 0;
};

void AppendRle(std::vector<uint8_t>& out, const uint8_t* src, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const uint8_t v = src[i];
        size_t run = 1;
        while (i + run < n && run < kMaxRun && src[i + run] == v)
            ++run;
        if (run > 1 || (v & 0xC0) == 0xC0)
            out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

} // namespace

bool DecodePcx(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    if (data.size() < kHeaderSize) {
        error =
            "the data is too short for a PCX header (" + std::to_string(data.size()) + " bytes)";
        return false;
    }
    const uint8_t* h = data.data();
    if (h[0] != 0x0A) {
        error = "not a PCX file: the first byte is not 10";
        return false;
    }
    if (h[1] > 5) {
        error = "PCX version " + std::to_string(h[1]) + " is not supported";
        return false;
    }
    if (h[2] != 1) {
        error = "PCX encoding " + std::to_string(h[2]) + " is not supported (only 1, run-length)";
        return false;
    }
    const int bits = h[3];
    const int planes = h[65];
    const int64_t width = int64_t{Read16(h + 8)} - Read16(h + 4) + 1;
    const int64_t height = int64_t{Read16(h + 10)} - Read16(h + 6) + 1;
    const size_t bytesPerLine = Read16(h + 66);

    // 1, 2 or 4 bits in up to 4 planes make palette indices of at most 4
    // bits; 8 bits make an index (1 plane) or red, green, blue (3) and alpha
    // (4).
    const int indexBits = bits * planes;
    const bool packed = (bits == 1 || bits == 2 || bits == 4) && planes >= 1 && indexBits <= 4;
    const bool wide = bits == 8 && (planes == 1 || planes == 3 || planes == 4);
    if (!packed && !wide) {
        error = "PCX pictures of " + std::to_string(planes) + " planes of " + std::to_string(bits) +
                " bits are not supported";
        return false;
    }
    if (width <= 0 || height <= 0 || width * height > CImage::kMaxPixels) {
        error = "the PCX picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is empty or larger than the limit of " +
                std::to_string(CImage::kMaxPixels) + " pixels";
        return false;
    }
    if (static_cast<int64_t>(bytesPerLine) * 8 < width * bits) {
        error = "the PCX line of " + std::to_string(bytesPerLine) + " bytes is too short for " +
                std::to_string(width) + " pixels of " + std::to_string(bits) + " bits";
        return false;
    }

    // The 256-colour palette at the end is not part of the pixel stream.
    std::span<const uint8_t> stream = data.subspan(kHeaderSize);
    const bool vgaPalette = bits == 8 && planes == 1 && stream.size() >= kVgaPaletteSize &&
                            data[data.size() - kVgaPaletteSize] == kVgaPaletteMark;
    if (vgaPalette)
        stream = stream.first(stream.size() - kVgaPaletteSize);

    // Every 2 bytes of the stream give at most 63 bytes: a stream too short
    // for the picture is refused before the picture is allocated.
    const size_t lineBytes = bytesPerLine * static_cast<size_t>(planes);
    const uint64_t needed = uint64_t{lineBytes} * static_cast<uint64_t>(height);
    const uint64_t most = uint64_t{stream.size() / 2} * kMaxRun + stream.size() % 2;
    const std::string shortText = "the PCX pixel data ends before the end of the picture";
    if (needed > most) {
        error = shortText;
        return false;
    }

    const int bpp = wide ? (planes == 1 ? 8 : 24) : (indexBits == 1 ? 1 : 4);
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), bpp, IMAGE_TYPE_PCX)) {
        error = image.GetLastError();
        return false;
    }

    if (bpp == 8) {
        RGBQUAD table[256];
        const uint8_t* p = vgaPalette ? data.data() + data.size() - kVgaPaletteSize + 1 : nullptr;
        for (int i = 0; i < 256; ++i) {
            // Without the palette at the end the picture is taken as grey.
            table[i] = p != nullptr ? RGBQUAD{p[3 * i + 2], p[3 * i + 1], p[3 * i], 0}
                                    : RGBQUAD{static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                                              static_cast<uint8_t>(i), 0};
        }
        image.SetPalette(table, 256);
    } else if (bpp != 24) {
        const uint8_t* p = h + 16;
        RGBQUAD table[16];
        for (int i = 0; i < 16; ++i)
            table[i] = RGBQUAD{p[3 * i + 2], p[3 * i + 1], p[3 * i], 0};
        if (indexBits == 1) {
            // Two equal entries (usually both black) mean black and white.
            if (std::memcmp(p, p + 3, 3) == 0) {
                table[0] = RGBQUAD{0, 0, 0, 0};
                table[1] = RGBQUAD{255, 255, 255, 0};
            }
            image.SetPalette(table, 2);
        } else {
            if (std::all_of(p, p + 48, [](uint8_t v) { return v == 0; })) {
                for (int i = 0; i < 16; ++i)
                    table[i] = RGBQUAD{kEgaColours[i][2], kEgaColours[i][1], kEgaColours[i][0], 0};
            }
            image.SetPalette(table, 16);
        }
    }
    if (planes == 4 && bits == 8)
        image.CreateAlpha();

    RleReader reader(stream);
    std::vector<uint8_t> line(lineBytes);
    const int w = static_cast<int>(width);
    const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
    for (int64_t y = 0; y < height; ++y) {
        if (!reader.Read(line.data(), lineBytes)) {
            error = shortText;
            return false;
        }
        const int row = static_cast<int>(height - 1 - y);
        uint8_t* dst = image.GetBits(row);
        if (bpp == 8) {
            std::memcpy(dst, line.data(), static_cast<size_t>(w));
        } else if (bpp == 24) {
            const uint8_t* r = line.data();
            const uint8_t* g = r + bytesPerLine;
            const uint8_t* b = g + bytesPerLine;
            for (int x = 0; x < w; ++x) {
                dst[3 * x] = b[x];
                dst[3 * x + 1] = g[x];
                dst[3 * x + 2] = r[x];
            }
            if (planes == 4)
                std::memcpy(image.GetAlphaBits(row), b + bytesPerLine, static_cast<size_t>(w));
        } else {
            for (int x = 0; x < w; ++x) {
                const size_t bit = static_cast<size_t>(x) * bits;
                const int shift = 8 - bits - static_cast<int>(bit % 8);
                uint8_t index = 0;
                for (int p = 0; p < planes; ++p) {
                    const uint8_t byte = line[static_cast<size_t>(p) * bytesPerLine + bit / 8];
                    index |= static_cast<uint8_t>(((byte >> shift) & mask) << (p * bits));
                }
                dst[x] = index;
            }
        }
    }
    return true;
}

bool EncodePcx(const CImage& image, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!image.IsValid()) {
        error = "there is no picture to write";
        return false;
    }
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    // The line length is even and must fit the header's 16 bits.
    if (width > 65534 || height > 65536) {
        error = "the picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is too large for PCX (at most 65534 x 65536)";
        return false;
    }
    const bool palette = image.GetBpp() != 24;
    const size_t bytesPerLine = (static_cast<size_t>(width) + 1) & ~size_t{1};
    const int planes = palette ? 1 : 3;

    out.assign(kHeaderSize, 0);
    uint8_t* h = out.data();
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    Put16(h + 8, static_cast<uint32_t>(width - 1));
    Put16(h + 10, static_cast<uint32_t>(height - 1));
    Put16(h + 12, 72);
    Put16(h + 14, 72);
    const std::vector<RGBQUAD>& table = image.GetPalette();
    for (size_t i = 0; i < 16 && i < table.size(); ++i) {
        h[16 + 3 * i] = table[i].rgbRed;
        h[17 + 3 * i] = table[i].rgbGreen;
        h[18 + 3 * i] = table[i].rgbBlue;
    }
    h[65] = static_cast<uint8_t>(planes);
    Put16(h + 66, static_cast<uint32_t>(bytesPerLine));
    Put16(h + 68, 1); // colour

    std::vector<uint8_t> line(bytesPerLine, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* src = image.GetBits(y);
        if (palette) {
            std::memcpy(line.data(), src, static_cast<size_t>(width));
            AppendRle(out, line.data(), bytesPerLine);
            continue;
        }
        for (int p = 0; p < 3; ++p) {
            // Planes are red, green, blue; the picture holds blue, green, red.
            const int channel = 2 - p;
            for (int x = 0; x < width; ++x)
                line[static_cast<size_t>(x)] = src[3 * x + channel];
            AppendRle(out, line.data(), bytesPerLine);
        }
    }
    if (palette) {
        out.push_back(kVgaPaletteMark);
        for (size_t i = 0; i < 256; ++i) {
            const RGBQUAD c = i < table.size() ? table[i] : RGBQUAD{0, 0, 0, 0};
            out.push_back(c.rgbRed);
            out.push_back(c.rgbGreen);
            out.push_back(c.rgbBlue);
        }
    }
    return true;
}
