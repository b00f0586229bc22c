// Png codec tests.

#include "Image.h"
#include "ImageCodecs.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

CImage IndexedPicture(int w, int h)
{
    CImage image;
    image.Create(w, h, 8, IMAGE_TYPE_PNG);
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    image.SetPalette(palette.data(), 256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.GetBits(y)[x] = uint8_t(x * 7 + y * 13);
    return image;
}

void WriteToBytes(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// A PNG as libpng writes it: rows are given top first, in the file's own
// layout (packed below 8 bits, 16-bit samples big-endian).
struct PngLayout {
    int width, height, depth, colourType;
    bool interlace = false;
    std::vector<png_color> plte{};
    std::vector<png_byte> trns{};
    png_color_16 trnsColour{};
    bool colourKey = false;
};

Bytes MakePng(const PngLayout& layout, const std::vector<Bytes>& rows)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test file";
        return {};
    }
    png_set_write_fn(png, &out, WriteToBytes, nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.depth, layout.colourType,
                 layout.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.plte.empty())
        png_set_PLTE(png, info, layout.plte.data(), int(layout.plte.size()));
    if (!layout.trns.empty())
        png_set_tRNS(png, info, layout.trns.data(), int(layout.trns.size()), nullptr);
    if (layout.colourKey)
        png_set_tRNS(png, info, nullptr, 0, &layout.trnsColour);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const Bytes& row : rows)
        pointers.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Packs samples (one per pixel) MSB first at `depth` bits.
Bytes Pack(const std::vector<int>& values, int depth)
{
    Bytes row((values.size() * depth + 7) / 8, 0);
    for (size_t i = 0; i < values.size(); ++i) {
        const size_t bit = i * depth;
        row[bit / 8] |= uint8_t(values[i] << (8 - depth - bit % 8));
    }
    return row;
}

} // namespace

TEST(PngCodecTest, IndexedRoundTripsIndexForIndex)
{
    CImage image = IndexedPicture(37, 23);
    image.SetTransIndex(200);
    Bytes bytes;
    ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_PNG)) << image.GetLastError();
    CImage back;
    ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_NONE)) << back.GetLastError();
    ASSERT_EQ(back.GetBpp(), 8);
    ASSERT_EQ(back.GetWidth(), 37);
    ASSERT_EQ(back.GetHeight(), 23);
    EXPECT_EQ(back.GetTransIndex(), 200);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(std::memcmp(&back.GetPalette()[i], &image.GetPalette()[i], 3), 0) << i;
    ASSERT_TRUE(back.HasAlpha());
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            ASSERT_EQ(back.GetBits(y)[x], image.GetBits(y)[x]) << x << "," << y;
            ASSERT_EQ(back.GetAlphaBits(y)[x], image.GetBits(y)[x] == 200 ? 0 : 255);
        }

    // 1- and 4-bit pictures go out at 8 bits with their indices unchanged.
    for (int bpp : {1, 4}) {
        CImage small;
        small.Create(5, 3, bpp, IMAGE_TYPE_PNG);
        for (int i = 0; i < 15; ++i)
            small.GetBits(i / 5)[i % 5] = uint8_t(i % (1 << bpp));
        ASSERT_TRUE(small.Encode(bytes, IMAGE_TYPE_PNG));
        ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_PNG)) << back.GetLastError();
        ASSERT_EQ(back.GetBpp(), 8);
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(back.GetBits(i / 5)[i % 5], i % (1 << bpp));
    }
}

TEST(PngCodecTest, TrueColourRoundTripsWithAndWithoutAlpha)
{
    CImage image;
    image.Create(31, 17, 24, IMAGE_TYPE_PNG);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 31 * 3; ++x)
            image.GetBits(y)[x] = uint8_t(x * 5 + y * 11);
    for (bool alpha : {false, true}) {
        if (alpha) {
            image.CreateAlpha();
            for (int y = 0; y < 17; ++y)
                for (int x = 0; x < 31; ++x)
                    image.GetAlphaBits(y)[x] = uint8_t(x * 8 + y);
        }
        Bytes bytes;
        ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_PNG)) << image.GetLastError();
        CImage back;
        ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_PNG)) << back.GetLastError();
        ASSERT_EQ(back.GetBpp(), 24);
        ASSERT_EQ(back.HasAlpha(), alpha);
        for (int y = 0; y < 17; ++y) {
            ASSERT_EQ(std::memcmp(back.GetBits(y), image.GetBits(y), 31 * 3), 0) << y;
            if (alpha) {
                ASSERT_EQ(std::memcmp(back.GetAlphaBits(y), image.GetAlphaBits(y), 31), 0) << y;
            }
        }
    }
}

TEST(PngCodecTest, ReadsPaletteFilesOfEveryDepth)
{
    for (int depth : {1, 2, 4, 8}) {
        for (bool interlace : {false, true}) {
            const int entries = 1 << depth;
            PngLayout layout{11, 9, depth, PNG_COLOR_TYPE_PALETTE, interlace};
            for (int i = 0; i < entries; ++i)
                layout.plte.push_back(png_color{uint8_t(i * 3), uint8_t(i), uint8_t(255 - i)});
            layout.trns = {255, 0, 128}; // entry 1 transparent, 2 half
            layout.trns.resize(std::min(3, entries));
            std::vector<Bytes> rows;
            for (int y = 0; y < 9; ++y) {
                std::vector<int> values;
                for (int x = 0; x < 11; ++x)
                    values.push_back((x + 3 * y) % entries);
                rows.push_back(Pack(values, depth));
            }
            CImage image;
            ASSERT_TRUE(image.Decode(MakePng(layout, rows), IMAGE_TYPE_PNG)) << image.GetLastError();
            EXPECT_EQ(image.GetBpp(), depth == 1 ? 1 : depth == 8 ? 8 : 4) << depth;
            EXPECT_EQ(image.GetTransIndex(), 1);
            ASSERT_TRUE(image.HasAlpha());
            EXPECT_EQ(image.GetPalette()[1].rgbRed, 3);
            EXPECT_EQ(image.GetPalette()[1].rgbBlue, 254);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 11; ++x) {
                    const int v = (x + 3 * y) % entries;
                    ASSERT_EQ(image.GetBits(8 - y)[x], v) << depth << " " << x << "," << y;
                    ASSERT_EQ(image.GetAlphaBits(8 - y)[x], v == 1 ? 0 : v == 2 ? 128 : 255);
                }
        }
    }
}

TEST(PngCodecTest, ReadsGreyFilesAsGreyIndices)
{
    for (int depth : {1, 2, 4, 8, 16}) {
        for (bool withAlpha : {false, true}) {
            if (withAlpha && depth < 8)
                continue;
            const int top = (1 << depth) - 1;
            auto value = [&](int x, int y) {
                return depth == 16 ? ((x * 37 + y * 11) * 1021) % 65536
                                   : (x * 37 + y * 11) % (top + 1);
            };
            PngLayout layout{7, 5, depth, withAlpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY,
                         depth == 4};
            std::vector<Bytes> rows;
            for (int y = 0; y < 5; ++y) {
                std::vector<int> values;
                for (int x = 0; x < 7; ++x)
                    values.push_back(value(x, y));
                Bytes row;
                if (depth < 8) {
                    row = Pack(values, depth);
                } else {
                    for (int v : values) {
                        if (depth == 16)
                            row.push_back(uint8_t(v >> 8));
                        row.push_back(uint8_t(v));
                        if (withAlpha) {
                            if (depth == 16)
                                row.push_back(uint8_t(y * 50));
                            row.push_back(uint8_t(y * 50));
                        }
                    }
                }
                rows.push_back(row);
            }
            CImage image;
            ASSERT_TRUE(image.Decode(MakePng(layout, rows), IMAGE_TYPE_PNG)) << image.GetLastError();
            ASSERT_EQ(image.GetBpp(), 8);
            ASSERT_EQ(image.GetPalette().size(), 256u);
            EXPECT_EQ(image.GetPalette()[77].rgbGreen, 77);
            EXPECT_EQ(image.HasAlpha(), withAlpha);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x) {
                    const int v = value(x, y);
                    const int expected = (v * 255 + top / 2) / top; // what expansion gives
                    ASSERT_NEAR(image.GetBits(4 - y)[x], expected, depth == 16 ? 1 : 0)
                        << depth << " " << x << "," << y;
                    if (withAlpha) {
                        ASSERT_EQ(image.GetAlphaBits(4 - y)[x], y * 50);
                    }
                }
        }
    }
}

TEST(PngCodecTest, ReadsTrueColourFilesOfBothDepths)
{
    // RGB 16-bit interlaced with a colour key, and RGBA 8-bit.
    PngLayout rgb{6, 4, 16, PNG_COLOR_TYPE_RGB, true};
    rgb.colourKey = true;
    rgb.trnsColour.red = 0x1000;
    rgb.trnsColour.green = 0x2000;
    rgb.trnsColour.blue = 0x3000;
    PngLayout rgba{6, 4, 8, PNG_COLOR_TYPE_RGB_ALPHA};
    std::vector<Bytes> rows16, rows8;
    for (int y = 0; y < 4; ++y) {
        Bytes r16, r8;
        for (int x = 0; x < 6; ++x) {
            const bool key = x == 0 && y == 0;
            const uint8_t c[3] = {uint8_t(key ? 0x10 : 40 * x), uint8_t(key ? 0x20 : 60 * y),
                                  uint8_t(key ? 0x30 : 9)};
            for (uint8_t v : c) {
                r16.push_back(v);
                r16.push_back(0);
                r8.push_back(v);
            }
            r8.push_back(uint8_t(x * 40));
        }
        rows16.push_back(r16);
        rows8.push_back(r8);
    }
    CImage image;
    ASSERT_TRUE(image.Decode(MakePng(rgb, rows16), IMAGE_TYPE_PNG)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaBits(3)[0], 0);
    EXPECT_EQ(image.GetAlphaBits(3)[1], 255);
    const uint8_t* row = image.GetBits(2); // file row 1
    EXPECT_EQ(row[3 * 2 + 2], 80);         // red of x = 2
    EXPECT_EQ(row[3 * 2 + 1], 60);
    EXPECT_EQ(row[3 * 2], 9);

    ASSERT_TRUE(image.Decode(MakePng(rgba, rows8), IMAGE_TYPE_PNG)) << image.GetLastError();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaBits(0)[5], 200);
    EXPECT_EQ(image.GetBits(0)[3 * 5 + 2], 200);
    EXPECT_EQ(image.GetBits(0)[3 * 5 + 1], 180);
}

TEST(PngCodecTest, RefusesDamagedAndHugeFiles)
{
    CImage image = IndexedPicture(20, 20);
    Bytes good;
    ASSERT_TRUE(image.Encode(good, IMAGE_TYPE_PNG));
    CImage back;
    for (size_t cut = 0; cut < good.size() - 12; ++cut) { // everything before IEND matters
        const Bytes part(good.begin(), good.begin() + cut);
        EXPECT_FALSE(back.Decode(part, IMAGE_TYPE_PNG)) << cut;
        EXPECT_FALSE(back.GetLastError().empty());
    }
    // Pictures with alpha are read a row at a time, or whole when interlaced;
    // cut short, either way fails cleanly.
    for (const bool interlace : {false, true}) {
        std::vector<Bytes> rows(7, Bytes(9 * 4));
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t i = 0; i < rows[y].size(); ++i)
                rows[y][i] = uint8_t(y * 31 + i * 7);
        const Bytes rgba = MakePng({9, 7, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlace}, rows);
        ASSERT_TRUE(back.Decode(rgba, IMAGE_TYPE_PNG)) << back.GetLastError();
        EXPECT_EQ(back.GetAlphaBits(0)[8], uint8_t(6 * 31 + 35 * 7));
        for (size_t cut = 0; cut < rgba.size() - 12; ++cut)
            EXPECT_FALSE(back.Decode(Bytes(rgba.begin(), rgba.begin() + cut), IMAGE_TYPE_PNG))
                << interlace << " " << cut;
    }
    Bytes damaged = good;
    damaged[20] ^= 0x55; // inside IHDR: its CRC no longer matches
    EXPECT_FALSE(back.Decode(damaged, IMAGE_TYPE_PNG));
    EXPECT_NE(back.GetLastError().find("PNG"), std::string::npos);

    // A file that claims 100000 x 100000 pixels and holds two rows of them.
    Bytes huge;
    Bytes noise(300000);
    uint32_t seed = 1;
    for (uint8_t& b : noise)
        b = uint8_t((seed = seed * 1103515245 + 12345) >> 24);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!setjmp(png_jmpbuf(png))) {
        png_set_write_fn(png, &huge, WriteToBytes, nullptr);
        png_set_IHDR(png, info, 100000, 100000, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_row(png, noise.data());
        png_write_row(png, noise.data());
    }
    png_destroy_write_struct(&png, &info);
    ASSERT_GT(huge.size(), 8u);
    EXPECT_FALSE(back.Decode(huge, IMAGE_TYPE_PNG));
    EXPECT_NE(back.GetLastError().find("limit"), std::string::npos) << back.GetLastError();
}
