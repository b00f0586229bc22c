// PCX reading and writing: files from other programs, round trips, damaged
// and hostile files.

#include "BmpPcxPictures.h"
#include "Image.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using testutil::Bytes;

namespace {

using namespace bmppcx;

const Source C2Colour = [](int x, int y) {
    return White(x, y) ? Rgb{20, 20, 160} : Rgb{200, 30, 30};
};

// A PCX header for a width x height picture, then `stream`.
Bytes PcxFile(int width, int height, int bits, int planes, int bytesPerLine, const Bytes& stream)
{
    const auto lo = [](int v) { return static_cast<uint8_t>(v); };
    Bytes file = {0x0A,
                  5,
                  1,
                  lo(bits),
                  0,
                  0,
                  0,
                  0,
                  lo(width - 1),
                  lo((width - 1) >> 8),
                  lo(height - 1),
                  lo((height - 1) >> 8)};
    file.resize(128);
    file[65] = lo(planes);
    file[66] = lo(bytesPerLine);
    file[67] = lo(bytesPerLine >> 8);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

void ExpectRefused(const Bytes& data, const std::string& text)
{
    CImage image;
    EXPECT_FALSE(image.Decode(data, IMAGE_TYPE_PCX));
    EXPECT_FALSE(image.IsValid());
    EXPECT_NE(image.GetLastError().find(text), std::string::npos) << image.GetLastError();
}

} // namespace

TEST(PcxRead, FilesFromOtherProgramsShowTheirSourcePicture)
{
    const std::tuple<const char*, Source, int> cases[] = {{"pcx1-netpbm.pcx", C2, 1},
                                                          {"pcx1-colour-netpbm.pcx", C2Colour, 1},
                                                          {"pcx4-planar-netpbm.pcx", C16, 4},
                                                          {"pcx4-packed-netpbm.pcx", C16, 4},
                                                          {"pcx8-im.pcx", C24, 8},
                                                          {"pcx24-im.pcx", C24, 24},
                                                          {"pcx24-netpbm.pcx", C24, 24},
                                                          {"pcx32-alpha-im.pcx", C24, 24}};
    for (const auto& [name, source, bpp] : cases) {
        SCOPED_TRACE(name);
        CImage image;
        ASSERT_TRUE(image.Decode(Fixture(name), IMAGE_TYPE_PCX)) << image.GetLastError();
        ASSERT_EQ(image.GetWidth(), 13);
        ASSERT_EQ(image.GetHeight(), 7);
        EXPECT_EQ(image.GetBpp(), bpp);
        EXPECT_EQ(image.HasAlpha(), std::string(name) == "pcx32-alpha-im.pcx");
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(ColourAt(image, x, y), source(x, y)) << x << "," << y;
    }
    CImage image;
    ASSERT_TRUE(image.Decode(Fixture("pcx32-alpha-im.pcx"), IMAGE_TYPE_PCX));
    const int alpha[7] = {255, 213, 170, 128, 85, 43, 0};
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(image.GetAlphaBits(6 - y)[5], alpha[y]) << y;
}

TEST(PcxRead, RunsCrossPlanesAndLinesAndPalettesHaveDefaults)
{
    // 3 x 2 at 24 bits, 4 bytes a plane line: one run of 9 fills red and
    // green of the top row and the first byte of blue, the next run goes on
    // into the bottom row.
    CImage image;
    ASSERT_TRUE(image.Decode(PcxFile(3, 2, 8, 3, 4, {0xC9, 50, 0xCF, 60}), IMAGE_TYPE_PCX))
        << image.GetLastError();
    EXPECT_EQ(ColourAt(image, 0, 0), (Rgb{50, 50, 50}));
    EXPECT_EQ(ColourAt(image, 1, 0), (Rgb{50, 50, 60}));
    EXPECT_EQ(ColourAt(image, 2, 1), (Rgb{60, 60, 60}));

    // 1 bit with two equal header entries: black and white.
    ASSERT_TRUE(image.Decode(PcxFile(8, 1, 1, 1, 2, {0x5A, 0}), IMAGE_TYPE_PCX));
    EXPECT_EQ(ColourAt(image, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(ColourAt(image, 1, 0), (Rgb{255, 255, 255}));
    // 4 planes with an empty header palette: the EGA colours.
    ASSERT_TRUE(image.Decode(PcxFile(2, 1, 1, 4, 2, {0x80, 0, 0x80, 0, 0, 0, 0xC1, 0xC0, 0}),
                             IMAGE_TYPE_PCX));
    EXPECT_EQ(image.GetBits(0)[0], 11);
    EXPECT_EQ(image.GetBits(0)[1], 8);
    EXPECT_EQ(ColourAt(image, 0, 0), (Rgb{0x55, 0xFF, 0xFF}));
    // 8 bits without the palette at the end: grey.
    ASSERT_TRUE(image.Decode(PcxFile(2, 1, 8, 1, 2, {7, 8}), IMAGE_TYPE_PCX));
    EXPECT_EQ(ColourAt(image, 0, 0), (Rgb{7, 7, 7}));
}

TEST(PcxRead, RefusesDamagedAndHostileFiles)
{
    ExpectRefused(Bytes(127, 0x0A), "too short for a PCX header");
    Bytes bad = PcxFile(2, 1, 8, 1, 2, {1, 2});
    bad[0] = 0x0B;
    ExpectRefused(bad, "not a PCX file");
    bad = PcxFile(2, 1, 8, 1, 2, {1, 2});
    bad[1] = 6;
    ExpectRefused(bad, "version 6 is not supported");
    bad[1] = 5;
    bad[2] = 0;
    ExpectRefused(bad, "encoding 0 is not supported");
    ExpectRefused(PcxFile(2, 1, 8, 2, 2, {1, 2, 3, 4}), "2 planes of 8 bits are not supported");
    ExpectRefused(PcxFile(2, 1, 2, 4, 2, {}), "4 planes of 2 bits are not supported");
    ExpectRefused(PcxFile(65536, 65536, 8, 1, 65535, {}), "larger than the limit of 268435456");
    ExpectRefused(PcxFile(9, 1, 8, 1, 8, Bytes(9, 1)), "line of 8 bytes is too short");
    ExpectRefused(PcxFile(17, 1, 1, 1, 2, Bytes(4, 1)), "line of 2 bytes is too short");
    bad = PcxFile(4, 1, 8, 1, 4, {1, 2, 3, 4});
    bad[4] = 9; // Xmin past Xmax
    ExpectRefused(bad, "empty or larger than the limit");
    // Within the pixel limit, far beyond what 200 bytes can hold: refused
    // before the picture is made.
    ExpectRefused(PcxFile(16384, 16384, 8, 1, 16384, Bytes(200, 0xFF)), "ends before the end");
    // A run code as the last byte, and a stream one byte short.
    ExpectRefused(PcxFile(4, 1, 8, 1, 4, {0xC3, 1, 0xC1}), "ends before the end");
    ExpectRefused(PcxFile(4, 2, 8, 1, 4, {0xC7, 1}), "ends before the end");

    // Cut anywhere, fixtures are refused.
    for (const char* name : {"pcx1-netpbm.pcx", "pcx4-planar-netpbm.pcx", "pcx8-im.pcx",
                             "pcx24-netpbm.pcx", "pcx32-alpha-im.pcx"}) {
        const Bytes full = Fixture(name);
        // An 8-bit file cut inside its palette loses the palette (the
        // picture turns grey), not the picture.
        const size_t shortest =
            std::string(name) == "pcx8-im.pcx" ? full.size() - 769 : full.size();
        for (size_t size = 0; size < shortest; ++size) {
            CImage image;
            EXPECT_FALSE(image.Decode(Bytes(full.begin(), full.begin() + size), IMAGE_TYPE_PCX))
                << name << " cut to " << size;
            EXPECT_FALSE(image.GetLastError().empty());
        }
    }
    const Bytes full = Fixture("pcx8-im.pcx");
    CImage image;
    ASSERT_TRUE(image.Decode(Bytes(full.begin(), full.end() - 1), IMAGE_TYPE_PCX));
    EXPECT_EQ(image.GetPalette()[200].rgbGreen, 200);
}

TEST(PcxWrite, RoundTripsKeepIndicesAndBytes)
{
    for (const auto& [width, height] : {std::pair{1, 1}, {13, 7}, {200, 3}, {1, 300}, {301, 1}}) {
        for (const int bpp : {1, 4, 8, 24}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " at " +
                         std::to_string(bpp));
            CImage image;
            ASSERT_TRUE(image.Create(width, height, bpp, IMAGE_TYPE_PCX));
            std::vector<RGBQUAD> palette(image.GetPalette().size());
            for (size_t i = 0; i < palette.size(); ++i)
                palette[i] = RGBQUAD{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13 + 1), 0};
            image.SetPalette(palette.data(), static_cast<int>(palette.size()));
            // Long runs (over 63) and single bytes of 0xC0 and above.
            for (int y = 0; y < height; ++y)
                for (size_t i = 0; i < image.GetEffWidth(); ++i)
                    image.GetBits(y)[i] =
                        uint8_t((i < 100 ? y : i * 67 + y * 17 + 0xC0) % (1 << std::min(bpp, 8)));

            std::vector<uint8_t> file;
            ASSERT_TRUE(image.Encode(file, IMAGE_TYPE_PCX)) << image.GetLastError();
            EXPECT_EQ(file[1], 5);
            EXPECT_EQ(file[65], bpp == 24 ? 3 : 1);
            EXPECT_EQ((file[66] | file[67] << 8) % 2, 0);
            if (bpp != 24) {
                EXPECT_EQ(file[file.size() - 769], 0x0C); // the palette at the end
            }

            CImage back;
            ASSERT_TRUE(back.Decode(file, IMAGE_TYPE_PCX)) << back.GetLastError();
            ASSERT_EQ(back.GetBpp(), bpp == 24 ? 24 : 8);
            ASSERT_EQ(back.GetWidth(), width);
            ASSERT_EQ(back.GetHeight(), height);
            for (int y = 0; y < height; ++y)
                ASSERT_EQ(0, std::memcmp(back.GetBits(y), image.GetBits(y), image.GetEffWidth()));
            for (size_t i = 0; i < palette.size(); ++i)
                ASSERT_EQ(0, std::memcmp(&back.GetPalette()[i], &palette[i], 3)) << i;
        }
    }
    CImage big;
    ASSERT_TRUE(big.Create(65535, 1, 8, IMAGE_TYPE_PCX));
    std::vector<uint8_t> file;
    EXPECT_FALSE(big.Encode(file, IMAGE_TYPE_PCX));
    EXPECT_NE(big.GetLastError().find("too large for PCX"), std::string::npos);
}
