// BMP reading and writing.
//
// The reader takes the OS/2 core header (12 bytes), BITMAPINFOHEADER (40)
// and its longer versions (52, 56, 64, 108, 124 bytes); 1, 4 and 8 bits per
// pixel with a palette, uncompressed or run-length encoded (RLE8, RLE4);
// 16 and 32 bits with masks (5-5-5 and 8-8-8 when the file gives none);
// and 24 bits. Palette pictures stay palette pictures, the others become 24
// bits, with an alpha plane when the file has an alpha mask. The writer
// writes 8 bits with the picture's palette, or 24 bits, bottom-up.

#include "ImageCodecs.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kJpeg = 4;
constexpr uint32_t kPng = 5;
constexpr uint32_t kAlphaBitfields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One colour channel of a 16- or 32-bit pixel: its bits, moved down and
// widened to 8 by repeating them (5 bits abcde give abcdeabc), or cut to
// their top 8.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            bits = std::bit_width(mask >> shift);
        }
    }
    uint8_t Get(uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t out = 0;
        for (int at = 8 - bits; at > -bits; at -= bits)
            out |= at >= 0 ? v << at : v >> -at;
        return static_cast<uint8_t>(out);
    }
};

struct BmpInfo {
    size_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; // positive; topDown tells the row order
    bool topDown = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    uint32_t colours = 0;             // palette entries the file declares
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool hasMasks = false;
    bool hasAlphaMask = false;
    size_t paletteOffset = 0;
    size_t paletteEntrySize = 4;
};

bool ReadHeaders(std::span<const uint8_t> data, BmpInfo& info, std::string& error)
{
    if (data.size() < kFileHeaderSize + 4) {
        error = "the data is too short for a BMP file (" + std::to_string(data.size()) + " bytes)";
        return false;
    }
    if (data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file: it does not start with BM";
        return false;
    }
    const uint8_t* h = data.data() + kFileHeaderSize;
    info.headerSize = Read32(h);
    const size_t hs = info.headerSize;
    if (hs != kCoreHeaderSize && hs != kInfoHeaderSize && hs != 52 && hs != 56 && hs != 64 &&
        hs != 108 && hs != 124) {
        error =
            "the BMP header size of " + std::to_string(hs) + " bytes is not one this reader knows";
        return false;
    }
    if (data.size() - kFileHeaderSize < hs) {
        error = "the BMP header runs past the end of the data";
        return false;
    }
    if (hs == kCoreHeaderSize) {
        info.width = Read16(h + 4);
        info.height = Read16(h + 6);
        info.bpp = Read16(h + 10);
        info.paletteEntrySize = 3;
    } else {
        info.width = static_cast<int32_t>(Read32(h + 4));
        info.height = static_cast<int32_t>(Read32(h + 8));
        info.bpp = Read16(h + 14);
        info.compression = Read32(h + 16);
        info.colours = Read32(h + 32);
        if (info.height < 0) {
            info.height = -info.height;
            info.topDown = true;
        }
        if (hs == 64 && info.compression > kRle4) {
            // The OS/2 2 header gives the higher numbers to Huffman and RLE24.
            error =
                "OS/2 BMP compression " + std::to_string(info.compression) + " is not supported";
            return false;
        }
    }
    info.paletteOffset = kFileHeaderSize + hs;

    if (info.bpp != 1 && info.bpp != 4 && info.bpp != 8 && info.bpp != 16 && info.bpp != 24 &&
        info.bpp != 32) {
        error = "BMP pictures of " + std::to_string(info.bpp) + " bits per pixel are not supported";
        return false;
    }
    switch (info.compression) {
    case kRgb:
        break;
    case kRle8:
    case kRle4:
        if (info.bpp != (info.compression == kRle8 ? 8 : 4)) {
            error = std::string("BMP ") + (info.compression == kRle8 ? "RLE8" : "RLE4") +
                    " compression does not go with " + std::to_string(info.bpp) + " bits per pixel";
            return false;
        }
        break;
    case kBitfields:
    case kAlphaBitfields:
        if (info.bpp != 16 && info.bpp != 32) {
            error = "BMP bit-field masks do not go with " + std::to_string(info.bpp) +
                    " bits per pixel";
            return false;
        }
        info.hasMasks = true;
        break;
    case kJpeg:
    case kPng:
        error = "BMP files holding JPEG or PNG data are not supported";
        return false;
    default:
        error = "BMP compression " + std::to_string(info.compression) + " is not supported";
        return false;
    }

    // Masks: inside the longer headers, after the 40-byte one.
    if (info.hasMasks) {
        const size_t count = info.compression == kAlphaBitfields ? 4 : 3;
        if (hs == kInfoHeaderSize) {
            if (data.size() - info.paletteOffset < count * 4) {
                error = "the BMP colour masks run past the end of the data";
                return false;
            }
            for (size_t i = 0; i < count; ++i)
                info.masks[i] = Read32(data.data() + info.paletteOffset + 4 * i);
            info.paletteOffset += count * 4;
            info.hasAlphaMask = count == 4;
        } else if (hs >= 52 && hs != 64) {
            for (size_t i = 0; i < 3; ++i)
                info.masks[i] = Read32(h + 40 + 4 * i);
            info.hasAlphaMask = hs >= 56;
            if (info.hasAlphaMask)
                info.masks[3] = Read32(h + 52);
        }
    } else if (hs >= 56 && hs != 64 && (info.bpp == 16 || info.bpp == 32)) {
        // Uncompressed, but the header still says where alpha is.
        info.masks[3] = Read32(h + 52);
        info.hasAlphaMask = info.masks[3] != 0;
    }
    if (!info.hasMasks) {
        if (info.bpp == 16) {
            info.masks[0] = 0x7C00;
            info.masks[1] = 0x03E0;
            info.masks[2] = 0x001F;
        } else if (info.bpp == 32) {
            info.masks[0] = 0x00FF0000;
            info.masks[1] = 0x0000FF00;
            info.masks[2] = 0x000000FF;
        }
    }

    if (info.width <= 0 || info.height == 0 || info.width * info.height > CImage::kMaxPixels) {
        error = "the BMP picture of " + std::to_string(info.width) + " x " +
                std::to_string(info.height) + " pixels is empty or larger than the limit of " +
                std::to_string(CImage::kMaxPixels) + " pixels";
        return false;
    }
    return true;
}

bool ReadPalette(std::span<const uint8_t> data, const BmpInfo& info, uint32_t offBits,
                 CImage& image, std::string& error)
{
    const uint32_t most = uint32_t{1} << info.bpp;
    uint32_t count = info.colours;
    if (info.headerSize == kCoreHeaderSize) {
        // The core header has no colour count; some writers put the pixels
        // straight after a shorter palette.
        count = most;
        const size_t room = (offBits - info.paletteOffset) / info.paletteEntrySize;
        if (room > 0 && room < count)
            count = static_cast<uint32_t>(room);
    } else if (count == 0) {
        count = most;
    } else if (count > most) {
        error = "the BMP palette of " + std::to_string(count) + " colours is larger than " +
                std::to_string(info.bpp) + " bits per pixel allow";
        return false;
    }
    const size_t bytes = static_cast<size_t>(count) * info.paletteEntrySize;
    if (info.paletteOffset > data.size() || data.size() - info.paletteOffset < bytes) {
        error = "the BMP palette of " + std::to_string(count) +
                " colours runs past the end of the data";
        return false;
    }
    // Entries the file leaves out are black.
    std::vector<RGBQUAD> table(most, RGBQUAD{0, 0, 0, 0});
    const uint8_t* p = data.data() + info.paletteOffset;
    for (uint32_t i = 0; i < count; ++i, p += info.paletteEntrySize)
        table[i] = RGBQUAD{p[0], p[1], p[2], 0};
    image.SetPalette(table.data(), static_cast<int>(most));
    return true;
}

// Rows of the file in file order (bottom-up unless topDown) to rows of the
// picture counted from the bottom.
int PictureRow(const BmpInfo& info, int64_t fileRow)
{
    return static_cast<int>(info.topDown ? info.height - 1 - fileRow : fileRow);
}

// Bytes a row of uncompressed pixels takes, padded to 4 bytes, and the
// bytes the picture needs (the last row's padding may be missing).
int64_t RowStride(const BmpInfo& info)
{
    return (info.width * info.bpp + 31) / 32 * 4;
}

int64_t UncompressedSize(const BmpInfo& info)
{
    return RowStride(info) * (info.height - 1) + (info.width * info.bpp + 7) / 8;
}

void ReadUncompressed(std::span<const uint8_t> pixels, const BmpInfo& info, CImage& image)
{
    const int64_t stride = RowStride(info);
    const int width = static_cast<int>(info.width);
    const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]);
    const Channel alpha(info.masks[3]);
    const bool withAlpha = image.HasAlpha();
    for (int64_t y = 0; y < info.height; ++y) {
        const uint8_t* src = pixels.data() + y * stride;
        const int row = PictureRow(info, y);
        uint8_t* dst = image.GetBits(row);
        uint8_t* dstAlpha = withAlpha ? image.GetAlphaBits(row) : nullptr;
        switch (info.bpp) {
        case 1:
            for (int x = 0; x < width; ++x)
                dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            break;
        case 8:
            std::memcpy(dst, src, static_cast<size_t>(width));
            break;
        case 24:
            std::memcpy(dst, src, static_cast<size_t>(width) * 3);
            break;
        case 16:
        case 32:
            for (int x = 0; x < width; ++x) {
                const uint32_t v = info.bpp == 16 ? Read16(src + 2 * static_cast<size_t>(x))
                                                  : Read32(src + 4 * static_cast<size_t>(x));
                dst[3 * x] = blue.Get(v);
                dst[3 * x + 1] = green.Get(v);
                dst[3 * x + 2] = red.Get(v);
                if (dstAlpha != nullptr)
                    dstAlpha[x] = alpha.Get(v);
            }
            break;
        }
    }
}

// Run-length encoded pixels. Pixels that runs or deltas put outside the
// picture are dropped; pixels the stream never reaches stay 0.
bool ReadRle(std::span<const uint8_t> pixels, const BmpInfo& info, CImage& image,
             std::string& error)
{
    const bool four = info.compression == kRle4;
    const int64_t width = info.width;
    const int64_t height = info.height;
    int64_t x = 0;
    int64_t y = 0;
    size_t pos = 0;
    const size_t size = pixels.size();
    uint8_t* row = image.GetBits(PictureRow(info, 0));
    auto put = [&](uint8_t index) {
        if (x < width)
            row[x] = index;
        ++x;
    };
    auto moveTo = [&](int64_t newY) {
        y = newY;
        row = y < height ? image.GetBits(PictureRow(info, y)) : nullptr;
    };
    while (y < height) {
        if (size - pos < 2)
            break;
        const uint8_t count = pixels[pos];
        const uint8_t value = pixels[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            moveTo(y + 1);
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (size - pos < 2)
                break;
            x += pixels[pos];
            const int64_t dy = pixels[pos + 1];
            pos += 2;
            if (dy != 0)
                moveTo(y + dy);
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const size_t bytes = four ? (value + 1u) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t{1};
            if (size - pos < bytes)
                break;
            const uint8_t* src = pixels.data() + pos;
            for (int i = 0; i < value && x < width; ++i)
                put(four ? ((i & 1) ? (src[i >> 1] & 0x0F) : (src[i >> 1] >> 4)) : src[i]);
            pos += std::min(padded, size - pos);
        }
    }
    if (y >= height)
        return true;
    error = std::string("the BMP ") + (four ? "RLE4" : "RLE8") +
            " data ends before the end of the picture";
    return false;
}

} // namespace

bool DecodeBmp(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    BmpInfo info;
    if (!ReadHeaders(data, info, error))
        return false;
    const uint32_t offBits = Read32(data.data() + 10);
    if (offBits < info.paletteOffset || offBits > data.size()) {
        error = "the BMP pixel data offset " + std::to_string(offBits) +
                " lies outside the data after the headers";
        return false;
    }
    const int bpp = info.bpp <= 8 ? info.bpp : 24;
    std::span<const uint8_t> pixels = data.subspan(offBits);
    // Uncompressed data must be all there before the picture is allocated.
    // Run codes give at most 255 pixels for 2 bytes, but end-of-line,
    // delta and end-of-bitmap codes can leave any number of pixels blank:
    // above 2^24 pixels a stream must bring a byte for every 256, which
    // anything written with runs does, so that a few bytes cannot make a
    // picture of hundreds of megabytes.
    const int64_t pixelCount = info.width * info.height;
    if (info.compression == kRle8 || info.compression == kRle4) {
        if (pixelCount > (int64_t{1} << 24) &&
            pixelCount / 256 > static_cast<int64_t>(pixels.size())) {
            error = "the BMP run-length data of " + std::to_string(pixels.size()) +
                    " bytes is too short for a picture of " + std::to_string(info.width) + " x " +
                    std::to_string(info.height) + " pixels";
            return false;
        }
    } else {
        const int64_t needed = UncompressedSize(info);
        if (static_cast<int64_t>(pixels.size()) < needed) {
            error = "the BMP pixel data is " + std::to_string(pixels.size()) +
                    " bytes long but the picture needs " + std::to_string(needed);
            return false;
        }
    }
    if (!image.Create(static_cast<int>(info.width), static_cast<int>(info.height), bpp,
                      IMAGE_TYPE_BMP)) {
        error = image.GetLastError();
        return false;
    }
    if (info.bpp <= 8 && !ReadPalette(data, info, offBits, image, error))
        return false;
    const bool alpha = info.hasAlphaMask && info.masks[3] != 0;
    if (alpha)
        image.CreateAlpha();
    if (info.compression == kRle8 || info.compression == kRle4) {
        if (!ReadRle(pixels, info, image, error))
            return false;
    } else {
        ReadUncompressed(pixels, info, image);
    }
    if (alpha) {
        // Writers that fill the alpha bits with 0 mean an opaque picture.
        bool anyAlpha = false;
        for (int y = 0; y < image.GetHeight() && !anyAlpha; ++y) {
            const uint8_t* a = image.GetAlphaBits(y);
            anyAlpha = std::any_of(a, a + image.GetWidth(), [](uint8_t v) { return v != 0; });
        }
        if (!anyAlpha)
            image.DeleteAlpha();
    }
    return true;
}

bool EncodeBmp(const CImage& image, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!image.IsValid()) {
        error = "there is no picture to write";
        return false;
    }
    const bool palette = image.GetBpp() != 24;
    const size_t colours = palette ? image.GetPalette().size() : 0;
    if (palette && (colours == 0 || colours > 256)) {
        error = "the palette picture has " + std::to_string(colours) +
                " palette entries; BMP needs 1 to 256";
        return false;
    }
    const size_t width = static_cast<size_t>(image.GetWidth());
    const size_t height = static_cast<size_t>(image.GetHeight());
    const size_t rowBytes = palette ? width : width * 3;
    const size_t stride = (rowBytes + 3) & ~size_t{3};
    const size_t offBits = kFileHeaderSize + kInfoHeaderSize + colours * 4;
    const uint64_t fileSize = offBits + uint64_t{stride} * height;
    if (fileSize > UINT32_MAX) {
        error = "the picture is too large for a BMP file";
        return false;
    }
    out.assign(static_cast<size_t>(fileSize), 0);
    uint8_t* p = out.data();
    auto put16 = [&p](uint32_t v) {
        *p++ = static_cast<uint8_t>(v);
        *p++ = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&put16](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    *p++ = 'B';
    *p++ = 'M';
    put32(static_cast<uint32_t>(fileSize));
    put32(0);
    put32(static_cast<uint32_t>(offBits));
    put32(kInfoHeaderSize);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(palette ? 8 : 24);
    put32(kRgb);
    put32(static_cast<uint32_t>(stride * height));
    put32(2835); // 72 dots per inch
    put32(2835);
    put32(static_cast<uint32_t>(colours));
    put32(0);
    for (const RGBQUAD& c : image.GetPalette()) {
        *p++ = c.rgbBlue;
        *p++ = c.rgbGreen;
        *p++ = c.rgbRed;
        *p++ = 0;
    }
    // Rows bottom-up, as the picture holds them; the padding stays 0.
    for (size_t y = 0; y < height; ++y, p += stride)
        std::memcpy(p, image.GetBits(static_cast<int>(y)), rowBytes);
    return true;
}
