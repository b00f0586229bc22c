// Tiff codec tests.

#include "Image.h"
#include "ImageCodecs.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// One page of a TIFF made with libtiff directly: rows top first, in the
// file's layout (packed below 8 bits, 16-bit samples in machine order).
struct TiffPage {
    int width, height, bits, samples, photometric;
    std::vector<Bytes> rows{};
    std::vector<uint16_t> map{}; // red, green, blue runs of 2^bits
    bool tiled = false;
    uint16_t extra = 0;    // an EXTRASAMPLE_ kind, or 0 for none
    bool separate = false; // planes one after another (samples of 8 bits)
};

Bytes MakeTiff(const std::vector<TiffPage>& pages)
{
    testutil::TempDir dir;
    const std::string path = (dir / "made.tif").string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    for (const TiffPage& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG,
                     p.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
        if (!p.map.empty()) {
            const size_t n = size_t{1} << p.bits;
            TIFFSetField(tif, TIFFTAG_COLORMAP, p.map.data(), p.map.data() + n,
                         p.map.data() + 2 * n);
        }
        if (p.extra != 0) {
            const uint16_t kinds[] = {p.extra};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, kinds);
        }
        if (p.tiled) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
            const size_t rowBytes = p.rows[0].size();
            const size_t tileRow = size_t(TIFFTileRowSize(tif));
            Bytes tile(size_t(TIFFTileSize(tif)));
            for (int ty = 0; ty < p.height; ty += 16)
                for (int tx = 0; tx < p.width; tx += 16) {
                    std::fill(tile.begin(), tile.end(), 0);
                    const size_t offset = size_t(tx) * p.bits * p.samples / 8;
                    for (int y = 0; y < 16 && ty + y < p.height; ++y)
                        std::memcpy(tile.data() + y * tileRow, p.rows[ty + y].data() + offset,
                                    std::min(tileRow, rowBytes - offset));
                    EXPECT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0), 0);
                }
        } else if (p.separate) {
            for (int s = 0; s < p.samples; ++s)
                for (int y = 0; y < p.height; ++y) {
                    Bytes plane(size_t(p.width));
                    for (int x = 0; x < p.width; ++x)
                        plane[x] = p.rows[y][size_t(x) * p.samples + s];
                    EXPECT_GE(TIFFWriteScanline(tif, plane.data(), y, uint16_t(s)), 0);
                }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
            for (int y = 0; y < p.height; ++y)
                EXPECT_GE(TIFFWriteScanline(tif, const_cast<uint8_t*>(p.rows[y].data()), y, 0), 0);
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return testutil::ReadFile(path);
}

Bytes Pack(const std::vector<int>& values, int bits)
{
    Bytes row((values.size() * bits + 7) / 8, 0);
    for (size_t i = 0; i < values.size(); ++i) {
        if (bits == 16) {
            const auto v = uint16_t(values[i]);
            std::memcpy(row.data() + 2 * i, &v, 2);
            continue;
        }
        for (int b = 0; b < bits; ++b) {
            const size_t bit = i * bits + b;
            if ((values[i] >> (bits - 1 - b)) & 1)
                row[bit / 8] |= uint8_t(0x80 >> (bit % 8));
        }
    }
    return row;
}

// A page of `bits`-bit single samples where pixel (x, y) is value(x, y).
template <class F> TiffPage SinglePage(int w, int h, int bits, int photometric, F value)
{
    TiffPage page{w, h, bits, 1, photometric};
    for (int y = 0; y < h; ++y) {
        std::vector<int> values;
        for (int x = 0; x < w; ++x)
            values.push_back(value(x, y));
        page.rows.push_back(Pack(values, bits));
    }
    return page;
}

CImage IndexedPicture(int w, int h)
{
    CImage image;
    image.Create(w, h, 8, IMAGE_TYPE_TIF);
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), 0};
    image.SetPalette(palette.data(), 256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.GetBits(y)[x] = uint8_t(x * 7 + y * 13);
    return image;
}

int At(const CImage& image, int x, int y)
{
    return image.GetBits(image.GetHeight() - 1 - y)[x];
}

} // namespace

TEST(TiffCodecTest, PalettePicturesRoundTripIndexForIndex)
{
    const CImage image = IndexedPicture(37, 23);
    CImage copy = image;
    Bytes bytes;
    ASSERT_TRUE(copy.Encode(bytes, IMAGE_TYPE_TIF)) << copy.GetLastError();
    CImage back;
    ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_NONE)) << back.GetLastError();
    ASSERT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(back.GetNumFrames(), 1);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(std::memcmp(&back.GetPalette()[i], &image.GetPalette()[i], 3), 0) << i;
    for (int y = 0; y < 23; ++y)
        ASSERT_EQ(std::memcmp(back.GetBits(y), image.GetBits(y), 37), 0) << y;

    for (int bpp : {1, 4}) {
        CImage small;
        small.Create(5, 3, bpp, IMAGE_TYPE_TIF);
        for (int i = 0; i < 15; ++i)
            small.GetBits(i / 5)[i % 5] = uint8_t(i % (1 << bpp));
        ASSERT_TRUE(small.Encode(bytes, IMAGE_TYPE_TIF));
        ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_TIF)) << back.GetLastError();
        ASSERT_EQ(back.GetBpp(), 8);
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(back.GetBits(i / 5)[i % 5], i % (1 << bpp));
    }
}

TEST(TiffCodecTest, TrueColourRoundTripsWithAndWithoutAlpha)
{
    CImage image;
    image.Create(29, 19, 24, IMAGE_TYPE_TIF);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 29 * 3; ++x)
            image.GetBits(y)[x] = uint8_t(x * 5 + y * 11);
    for (bool alpha : {false, true}) {
        if (alpha) {
            image.CreateAlpha();
            for (int y = 0; y < 19; ++y)
                for (int x = 0; x < 29; ++x)
                    image.GetAlphaBits(y)[x] = (x + y) % 3 == 0 ? 0 : 255;
        }
        Bytes bytes;
        ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_TIF)) << image.GetLastError();
        CImage back;
        ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_TIF)) << back.GetLastError();
        ASSERT_EQ(back.GetBpp(), 24);
        ASSERT_EQ(back.HasAlpha(), alpha);
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 29; ++x) {
                if (alpha) {
                    ASSERT_EQ(back.GetAlphaBits(y)[x], image.GetAlphaBits(y)[x]);
                    if (image.GetAlphaBits(y)[x] == 0)
                        continue; // no colour survives full transparency
                }
                ASSERT_EQ(std::memcmp(back.GetBits(y) + 3 * x, image.GetBits(y) + 3 * x, 3), 0)
                    << x << "," << y;
            }
    }
}

TEST(TiffCodecTest, ReadsPaletteFilesInStripsAndTiles)
{
    for (int bits : {1, 2, 4, 8}) {
        for (bool tiled : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << (tiled ? " tiled" : " strips"));
            const int n = 1 << bits;
            TiffPage page = SinglePage(35, 21, bits, PHOTOMETRIC_PALETTE,
                                       [n](int x, int y) { return (x * 3 + y) % n; });
            page.tiled = tiled;
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < n; ++i)
                    page.map.push_back(uint16_t((c == 0 ? i : c == 1 ? 255 - i : 100) * 257));
            CImage image;
            ASSERT_TRUE(image.Decode(MakeTiff({page}), IMAGE_TYPE_TIF)) << image.GetLastError();
            EXPECT_EQ(image.GetBpp(), bits == 1 ? 1 : bits == 8 ? 8 : 4);
            EXPECT_EQ(image.GetPalette()[n - 1].rgbRed, n - 1);
            EXPECT_EQ(image.GetPalette()[n - 1].rgbGreen, 256 - n);
            EXPECT_EQ(image.GetPalette()[0].rgbBlue, 100);
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 35; ++x)
                    ASSERT_EQ(At(image, x, y), (x * 3 + y) % n) << x << "," << y;
        }
    }
}

TEST(TiffCodecTest, ColourMapsOfEveryConventionReadExactly)
{
    // Entry i is red i, green 255 - i, blue 37 i mod 256, stored as c
    // (8-bit values), c x 256 or c x 257.
    const auto expected = [](int i) {
        return RGBQUAD{uint8_t(i * 37 % 256), uint8_t(255 - i), uint8_t(i), 0};
    };
    const auto same = [](const RGBQUAD& a, const RGBQUAD& b) {
        return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
    };
    for (const int scale : {1, 256, 257}) {
        TiffPage page =
            SinglePage(16, 16, 8, PHOTOMETRIC_PALETTE, [](int x, int y) { return 16 * y + x; });
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 256; ++i) {
                const RGBQUAD e = expected(i);
                page.map.push_back(uint16_t((c == 0   ? e.rgbRed
                                             : c == 1 ? e.rgbGreen
                                                      : e.rgbBlue) *
                                            scale));
            }
        CImage image;
        ASSERT_TRUE(image.Decode(MakeTiff({page}), IMAGE_TYPE_TIF)) << image.GetLastError();
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(same(image.GetPalette()[i], expected(i)))
                << "x " << scale << " entry " << i;
    }

    // The same picture by Pillow (c x 256) and by ImageMagick (c x 257, its
    // own order of entries): every pixel shows its colour exactly.
    for (const char* name : {"palette-pillow.tif", "palette-im.tif"}) {
        CImage image;
        ASSERT_TRUE(image.Load(testutil::DataDir() / "images" / "libs" / name, IMAGE_TYPE_TIF))
            << name << image.GetLastError();
        ASSERT_EQ(image.GetBpp(), 8) << name;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_TRUE(same(image.GetPalette()[At(image, x, y)], expected(16 * y + x)))
                    << name << " " << x << "," << y;
    }
}

TEST(TiffCodecTest, ReadsGreyFilesEitherWayRound)
{
    for (int bits : {1, 4, 8, 12, 16}) {
        for (int photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
            SCOPED_TRACE(testing::Message() << bits << " " << photometric);
            const int top = (1 << bits) - 1;
            auto value = [top](int x, int y) { return (x * 1237 + y * 4099) % (top + 1); };
            const TiffPage page = SinglePage(13, 7, bits, photometric, value);
            CImage image;
            ASSERT_TRUE(image.Decode(MakeTiff({page}), IMAGE_TYPE_TIF)) << image.GetLastError();
            const int levels = bits == 1 ? 1 : 255;
            ASSERT_EQ(image.GetBpp(), bits == 1 ? 1 : 8);
            EXPECT_EQ(image.GetPalette()[levels].rgbRed, 255);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 13; ++x) {
                    int v = value(x, y);
                    if (photometric == PHOTOMETRIC_MINISWHITE)
                        v = top - v;
                    ASSERT_NEAR(At(image, x, y), double(v) * levels / top, 0.5) << x << "," << y;
                }
        }
    }
}

TEST(TiffCodecTest, ReadsColourFilesThroughLibtiff)
{
    // RGBA with unassociated alpha, contiguous; RGB in separate planes.
    TiffPage rgba{4, 3, 8, 4, PHOTOMETRIC_RGB};
    rgba.extra = EXTRASAMPLE_UNASSALPHA;
    TiffPage planes{4, 3, 8, 3, PHOTOMETRIC_RGB};
    planes.separate = true;
    for (int y = 0; y < 3; ++y) {
        Bytes a, b;
        for (int x = 0; x < 4; ++x) {
            const uint8_t r = uint8_t(60 * x), g = uint8_t(100 * y), bl = 200;
            a.insert(a.end(), {r, g, bl, uint8_t(x == 0 ? 0 : x == 1 ? 128 : 255)});
            b.insert(b.end(), {r, g, bl});
        }
        rgba.rows.push_back(a);
        planes.rows.push_back(b);
    }
    CImage image;
    ASSERT_TRUE(image.Decode(MakeTiff({rgba}), IMAGE_TYPE_TIF)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.HasAlpha());
    const uint8_t* row = image.GetBits(1); // file row 1
    EXPECT_EQ(image.GetAlphaBits(1)[0], 0);
    EXPECT_EQ(image.GetAlphaBits(1)[1], 128);
    EXPECT_EQ(image.GetAlphaBits(1)[3], 255);
    EXPECT_NEAR(row[3 * 1 + 2], 60, 2); // half-transparent colours come back whole
    EXPECT_NEAR(row[3 * 1 + 1], 100, 2);
    EXPECT_NEAR(row[3 * 1], 200, 2);
    EXPECT_EQ(row[3 * 3 + 2], 180);

    ASSERT_TRUE(image.Decode(MakeTiff({planes}), IMAGE_TYPE_TIF)) << image.GetLastError();
    EXPECT_FALSE(image.HasAlpha());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = image.GetBits(2 - y) + 3 * x;
            EXPECT_EQ(p[2], 60 * x);
            EXPECT_EQ(p[1], 100 * y);
            EXPECT_EQ(p[0], 200);
        }
}

TEST(TiffCodecTest, ChoosesThePageOfAMultiPageFile)
{
    TiffPage grey = SinglePage(5, 4, 8, PHOTOMETRIC_MINISBLACK, [](int x, int) { return x; });
    TiffPage colour{3, 2, 8, 3, PHOTOMETRIC_RGB};
    colour.rows = {Bytes(9, 10), Bytes(9, 250)};
    const Bytes bytes = MakeTiff({grey, colour});
    CImage image;
    image.SetFrame(1);
    ASSERT_TRUE(image.Decode(bytes, IMAGE_TYPE_TIF)) << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), 2);
    ASSERT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetBits(0)[0], 250);
    image.SetFrame(0);
    ASSERT_TRUE(image.Decode(bytes, IMAGE_TYPE_TIF));
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(At(image, 4, 0), 4);
    image.SetFrame(2);
    EXPECT_FALSE(image.Decode(bytes, IMAGE_TYPE_TIF));
    EXPECT_EQ(image.GetNumFrames(), 2);
    EXPECT_NE(image.GetLastError().find("no page 2"), std::string::npos) << image.GetLastError();
}

TEST(TiffCodecTest, RefusesDamagedAndHugeFiles)
{
    CImage image = IndexedPicture(16, 12);
    Bytes good;
    ASSERT_TRUE(image.Encode(good, IMAGE_TYPE_TIF));
    CImage back;
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes part(good.begin(), good.begin() + cut);
        EXPECT_FALSE(back.Decode(part, IMAGE_TYPE_TIF)) << cut;
        EXPECT_FALSE(back.GetLastError().empty()) << cut;
    }
    for (size_t at = 0; at < good.size(); ++at) { // no byte's damage may crash
        Bytes damaged = good;
        damaged[at] ^= 0xA5;
        if (!back.Decode(damaged, IMAGE_TYPE_TIF)) {
            EXPECT_FALSE(back.GetLastError().empty()) << at;
        }
    }

    // A directory that declares 100000 x 100000 pixels in a 1-byte strip.
    testutil::ByteBuilder huge;
    huge.U8({'I', 'I', 42, 0}).I32(8).U8({9, 0});
    auto entry = [&huge](int tag, int type, int value) {
        huge.U8({uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0}).I32(1).I32(value);
    };
    entry(256, 4, 100000); // width
    entry(257, 4, 100000); // height
    entry(258, 3, 8);      // bits per sample
    entry(259, 3, 1);      // no compression
    entry(262, 3, 1);      // min-is-black
    entry(273, 4, 8);      // strip offset
    entry(277, 3, 1);      // samples per pixel
    entry(278, 4, 100000); // rows per strip
    entry(279, 4, 1);      // strip byte count
    huge.I32(0);
    EXPECT_FALSE(back.Decode(huge.Get(), IMAGE_TYPE_TIF));
    EXPECT_NE(back.GetLastError().find("limit"), std::string::npos) << back.GetLastError();
}
