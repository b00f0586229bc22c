// BMP reading and writing: files from other programs, round trips, damaged
// and hostile files.

#include "BmpPcxPictures.h"
#include "Image.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <sstream>

using testutil::ByteBuilder;
using testutil::Bytes;

namespace {

using namespace bmppcx;

// A BITMAPINFOHEADER file with a grey palette; height < 0 is top-down.
Bytes BmpFile(int width, int height, int bpp, int compression, int colours, const Bytes& pixels)
{
    ByteBuilder b;
    b.U8({'B', 'M'}).I32(0).I32(0).I32(54 + 4 * colours).I32(40).I32(width).I32(height);
    b.U8({1, 0, static_cast<uint8_t>(bpp), 0}).I32(compression).I32(0).I32(0).I32(0);
    b.I32(colours).I32(0);
    for (int i = 0; i < colours; ++i)
        b.U8({static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0});
    return b.Append(pixels).Get();
}

void ExpectRefused(const Bytes& data, const std::string& text)
{
    CImage image;
    EXPECT_FALSE(image.Decode(data, IMAGE_TYPE_BMP));
    EXPECT_FALSE(image.IsValid());
    EXPECT_NE(image.GetLastError().find(text), std::string::npos) << image.GetLastError();
}

} // namespace

TEST(BmpRead, FilesFromOtherProgramsShowTheirSourcePicture)
{
    // Without a source, the colours are the ones ImageMagick read (FILE.txt).
    const std::tuple<const char*, Source, int> cases[] = {
        {"bmp1-v3", C2, 1},         {"bmp1-os2", C2, 1},        {"bmp4-v5", C16, 4},
        {"bmp4-os2", C16, 4},       {"bmp4-rle4", C16, 4},      {"bmp8-v3", C24, 8},
        {"bmp8-rle8", C24, 8},      {"bmp8-os2", C24, 8},       {"bmp8-topdown", C16, 8},
        {"bmp16-565-v5", 0, 24},    {"bmp16-555-v5", 0, 24},    {"bmp24-v3", C24, 24},
        {"bmp24-v5", C24, 24},      {"bmp24-topdown", C24, 24}, {"bmp32-v3", C24, 24},
        {"bmp32-alpha-v5", C24, 24}};
    for (const auto& [name, source, bpp] : cases) {
        SCOPED_TRACE(name);
        CImage image;
        ASSERT_TRUE(image.Decode(Fixture(name + std::string(".bmp")), IMAGE_TYPE_BMP))
            << image.GetLastError();
        ASSERT_EQ(image.GetWidth(), 13);
        ASSERT_EQ(image.GetHeight(), 7);
        EXPECT_EQ(image.GetBpp(), bpp);
        EXPECT_EQ(image.GetPalette().size(), bpp == 24 ? 0u : 1u << bpp);
        ASSERT_EQ(image.HasAlpha(), std::string(name) == "bmp32-alpha-v5");
        // Alpha falls from opaque in the top row to clear in the bottom one.
        const int alpha[7] = {255, 213, 170, 128, 85, 43, 0};
        for (int y = 0; y < 7 && image.HasAlpha(); ++y)
            EXPECT_EQ(image.GetAlphaBits(6 - y)[5], alpha[y]) << y;
        if (source != nullptr) {
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 13; ++x)
                    ASSERT_EQ(ColourAt(image, x, y), source(x, y)) << x << "," << y;
            continue;
        }
        // Lines "x,y: (red,green,blue)".
        const Bytes text = Fixture(name + std::string(".txt"));
        std::istringstream in(std::string(text.begin(), text.end()));
        int x, y, count = 0;
        Rgb want;
        char c;
        while (in >> x >> c >> y >> c >> c >> want[0] >> c >> want[1] >> c >> want[2] >> c) {
            ASSERT_EQ(ColourAt(image, x, y), want) << x << "," << y;
            ++count;
        }
        EXPECT_EQ(count, 13 * 7);
    }
}

TEST(BmpRead, RunLengthCodesStayInsideThePicture)
{
    // 4 x 3 RLE8: a run past the right edge, an odd absolute run with its
    // pad byte, a delta, a delta off the bottom, then data never reached.
    const Bytes rle = {9, 5, 0, 0,                // row 0: 5 5 5 5 (one 5 dropped)
                       0, 3, 7, 8, 9,   0, 0, 0,  // row 1: 7 8 9, pad, end of line
                       0, 2, 1, 0, 1,   6,        // row 2: skip one, then 6
                       0, 2, 0, 5, 200, 1, 0, 1}; // delta off the bottom
    CImage image;
    ASSERT_TRUE(image.Decode(BmpFile(4, 3, 8, 1, 16, rle), IMAGE_TYPE_BMP)) << image.GetLastError();
    const Bytes want[3] = {{5, 5, 5, 5}, {7, 8, 9, 0}, {0, 6, 0, 0}};
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Bytes(image.GetBits(row), image.GetBits(row) + 4), want[row]) << row;
    // RLE4: an encoded run alternates its two nibbles; an absolute run of 3.
    const Bytes rle4 = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};
    ASSERT_TRUE(image.Decode(BmpFile(4, 2, 4, 2, 16, rle4), IMAGE_TYPE_BMP));
    EXPECT_EQ(Bytes(image.GetBits(0), image.GetBits(0) + 4), (Bytes{1, 2, 1, 2}));
    EXPECT_EQ(Bytes(image.GetBits(1), image.GetBits(1) + 4), (Bytes{3, 4, 5, 0}));
    // Streams that stop before the picture is complete.
    ExpectRefused(BmpFile(4, 3, 8, 1, 16, {2, 1, 0, 0}), "RLE8 data ends before");
    ExpectRefused(BmpFile(4, 3, 8, 1, 16, {0, 4, 1, 2}), "RLE8 data ends before");
    ExpectRefused(BmpFile(4, 3, 4, 2, 16, {0, 2, 1}), "RLE4 data ends before");
    // End-of-bitmap may leave a picture blank, but a few bytes do not make
    // one of more than 2^24 pixels (the second, found by fuzzing, is 13 x
    // 16777223).
    ASSERT_TRUE(image.Decode(BmpFile(4096, 4096, 8, 1, 16, {0, 1}), IMAGE_TYPE_BMP));
    EXPECT_EQ(image.GetBits(4095)[4095], 0);
    ExpectRefused(BmpFile(4097, 4096, 8, 1, 16, {0, 1}), "too short for a picture of 4097 x 4096");
    ExpectRefused(Fixture("fuzz-bmp-rle4-tall.bmp"), "too short for a picture of 13 x 16777223");
}

TEST(BmpRead, RefusesDamagedAndHostileFiles)
{
    const Bytes row = {1, 2, 3, 0};
    ExpectRefused({'B', 'M', 0}, "too short");
    ExpectRefused(BmpFile(0, 1, 8, 0, 1, row), "empty or larger than the limit");
    ExpectRefused(BmpFile(-3, 1, 8, 0, 1, row), "empty or larger than the limit");
    ExpectRefused(BmpFile(3, 0, 8, 0, 1, row), "empty or larger than the limit");
    ExpectRefused(BmpFile(65536, 65536, 8, 0, 1, row), "larger than the limit of 268435456");
    ExpectRefused(BmpFile(1, INT32_MIN, 24, 0, 0, row), "larger than the limit");
    // Allowed by the pixel limit, but the data is far too short for it.
    ExpectRefused(BmpFile(16384, -16384, 24, 0, 0, row), "but the picture needs 805306368");
    ExpectRefused(BmpFile(3, 1, 7, 0, 0, row), "7 bits per pixel are not supported");
    ExpectRefused(BmpFile(3, 1, 24, 4, 0, row), "JPEG or PNG");
    ExpectRefused(BmpFile(3, 1, 24, 99, 0, row), "compression 99 is not supported");
    ExpectRefused(BmpFile(3, 1, 4, 1, 0, row), "RLE8 compression does not go with 4 bits");
    ExpectRefused(BmpFile(3, 1, 24, 3, 0, row), "masks do not go with 24 bits");
    ExpectRefused(BmpFile(3, 1, 4, 0, 17, row), "palette of 17 colours is larger than 4 bits");
    ExpectRefused(BmpFile(3, 1, 8, 0, 0, row), "palette of 256 colours runs past the end");
    Bytes bad = BmpFile(3, 1, 8, 0, 1, row);
    bad[14] = 41; // header size
    ExpectRefused(bad, "header size of 41 bytes");
    bad[14] = 40;
    bad[10] = 200; // pixel data past the end of the file, then inside the headers
    ExpectRefused(bad, "pixel data offset 200");
    bad[10] = 20;
    ExpectRefused(bad, "pixel data offset 20");

    // Cut anywhere, fixtures are refused; only the padding of the last row,
    // or the end-of-bitmap code after the last end-of-line, may be missing.
    const std::pair<const char*, size_t> cuts[] = {
        {"bmp1-os2.bmp", 2},     {"bmp4-v5.bmp", 1},       {"bmp8-rle8.bmp", 2},
        {"bmp16-565-v5.bmp", 2}, {"bmp24-topdown.bmp", 1}, {"bmp32-alpha-v5.bmp", 0}};
    for (const auto& [name, missing] : cuts) {
        const Bytes full = Fixture(name);
        for (size_t size = 0; size <= full.size() - missing; ++size) {
            CImage image;
            const bool ok = image.Decode(Bytes(full.begin(), full.begin() + size), IMAGE_TYPE_BMP);
            EXPECT_EQ(ok, size == full.size() - missing) << name << " cut to " << size;
            EXPECT_EQ(image.GetLastError().empty(), ok);
        }
    }
}

TEST(BmpWrite, RoundTripsKeepIndicesAndBytes)
{
    for (const auto& [width, height] : {std::pair{1, 1}, {13, 7}, {16, 3}, {1, 300}, {301, 1}}) {
        for (const int bpp : {1, 4, 8, 24}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " at " +
                         std::to_string(bpp));
            CImage image;
            ASSERT_TRUE(image.Create(width, height, bpp, IMAGE_TYPE_BMP));
            std::vector<RGBQUAD> palette(image.GetPalette().size());
            for (size_t i = 0; i < palette.size(); ++i)
                palette[i] = RGBQUAD{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13 + 1), 0};
            image.SetPalette(palette.data(), static_cast<int>(palette.size()));
            for (int y = 0; y < height; ++y)
                for (size_t i = 0; i < image.GetEffWidth(); ++i)
                    image.GetBits(y)[i] =
                        uint8_t((i * 31 + y * 17 + i / 3) % (1 << std::min(bpp, 8)));

            std::vector<uint8_t> file;
            ASSERT_TRUE(image.Encode(file, IMAGE_TYPE_BMP)) << image.GetLastError();
            const size_t stride = (image.GetEffWidth() + 3) / 4 * 4;
            EXPECT_EQ(file.size(), 54 + 4 * palette.size() + stride * height);
            EXPECT_EQ(file[28], bpp == 24 ? 24 : 8);
            EXPECT_EQ(file[46] | file[47] << 8, static_cast<int>(palette.size())); // biClrUsed

            CImage back;
            ASSERT_TRUE(back.Decode(file, IMAGE_TYPE_BMP)) << back.GetLastError();
            ASSERT_EQ(back.GetBpp(), bpp == 24 ? 24 : 8);
            ASSERT_EQ(back.GetWidth(), width);
            ASSERT_EQ(back.GetHeight(), height);
            for (int y = 0; y < height; ++y)
                ASSERT_EQ(0, std::memcmp(back.GetBits(y), image.GetBits(y), image.GetEffWidth()));
            for (size_t i = 0; i < palette.size(); ++i)
                ASSERT_EQ(0, std::memcmp(&back.GetPalette()[i], &palette[i], 3)) << i;
        }
    }
}
