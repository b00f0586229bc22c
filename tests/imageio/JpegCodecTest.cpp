// Jpeg codec tests.

#include "Image.h"
#include "ImageCodecs.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;

// A JPEG as libjpeg writes it from `components` samples a pixel in
// `space`, stored as `stored` (rows top first).
Bytes MakeJpeg(int w, int h, int components, J_COLOR_SPACE space, J_COLOR_SPACE stored,
               const Bytes& samples)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = w;
    info.image_height = h;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, stored);
    jpeg_set_quality(&info, 98, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * w * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

CImage Gradient(int w, int h)
{
    CImage image;
    image.Create(w, h, 24, IMAGE_TYPE_JPG);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.GetBits(y) + 3 * x;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(128 + (x - y) / 2);
        }
    return image;
}

int LargestDifference(const CImage& a, const CImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (size_t i = 0; i < a.GetEffWidth(); ++i)
            worst = std::max(worst, std::abs(a.GetBits(y)[i] - b.GetBits(y)[i]));
    return worst;
}

} // namespace

TEST(JpegCodecTest, TrueColourRoundTripsCloselyAtBestQuality)
{
    CImage image = Gradient(61, 43);
    image.SetJpegQuality(255);
    Bytes best;
    ASSERT_TRUE(image.Encode(best, IMAGE_TYPE_JPG)) << image.GetLastError();
    CImage back;
    ASSERT_TRUE(back.Decode(best, IMAGE_TYPE_NONE)) << back.GetLastError();
    ASSERT_EQ(back.GetBpp(), 24);
    ASSERT_EQ(back.GetWidth(), 61);
    ASSERT_EQ(back.GetHeight(), 43);
    EXPECT_LE(LargestDifference(image, back), 3);

    Bytes usual, poor;
    image.SetJpegQuality(75);
    ASSERT_TRUE(image.Encode(usual, IMAGE_TYPE_JPG));
    image.SetJpegQuality(5);
    ASSERT_TRUE(image.Encode(poor, IMAGE_TYPE_JPG));
    EXPECT_GE(best.size(), usual.size());
    EXPECT_GT(usual.size(), poor.size());
    ASSERT_TRUE(back.Decode(poor, IMAGE_TYPE_JPG));
    EXPECT_GT(LargestDifference(image, back), 3);

    // Best quality keeps full colour resolution: every component 1 x 1.
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, best.data(), best.size());
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    for (int c = 0; c < info.num_components; ++c) {
        EXPECT_EQ(info.comp_info[c].h_samp_factor, 1);
        EXPECT_EQ(info.comp_info[c].v_samp_factor, 1);
    }
    jpeg_destroy_decompress(&info);
}

TEST(JpegCodecTest, PalettePicturesGoOutThroughTheirPalette)
{
    CImage image;
    image.Create(16, 16, 8, IMAGE_TYPE_BMP);
    const RGBQUAD palette[] = {{0, 0, 200, 0}, {30, 180, 30, 0}};
    image.SetPalette(palette, 2);
    for (int y = 8; y < 16; ++y)
        std::memset(image.GetBits(y), 1, 16);
    image.SetJpegQuality(255);
    const CImage before = image;
    Bytes bytes;
    ASSERT_TRUE(image.Encode(bytes, IMAGE_TYPE_JPG)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 8); // the picture itself is left alone
    EXPECT_EQ(std::memcmp(image.GetBits(9), before.GetBits(9), 16), 0);
    CImage back;
    ASSERT_TRUE(back.Decode(bytes, IMAGE_TYPE_JPG));
    const uint8_t* bottom = back.GetBits(2) + 3 * 8;
    const uint8_t* top = back.GetBits(13) + 3 * 8;
    EXPECT_NEAR(bottom[2], 200, 4);
    EXPECT_NEAR(bottom[1], 0, 4);
    EXPECT_NEAR(top[1], 180, 4);
    EXPECT_NEAR(top[0], 30, 4);
}

TEST(JpegCodecTest, ReadsGreyAndCmykFiles)
{
    Bytes grey(24 * 8);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i % 24 * 10);
    CImage image;
    ASSERT_TRUE(
        image.Decode(MakeJpeg(24, 8, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, grey), IMAGE_TYPE_JPG))
        << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    for (int x = 0; x < 24; ++x) {
        const uint8_t* p = image.GetBits(3) + 3 * x;
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
        EXPECT_NEAR(p[0], x * 10, 3);
    }

    // CMYK stored inverted, as Adobe's writers (and libjpeg's Adobe marker)
    // have it: orange (255, 128, 0) is C 0, M 127, Y 255, K 0 inverted.
    Bytes cmyk;
    for (int i = 0; i < 16 * 16; ++i)
        cmyk.insert(cmyk.end(), {255, 128, 0, 255});
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        ASSERT_TRUE(image.Decode(MakeJpeg(16, 16, 4, JCS_CMYK, stored, cmyk), IMAGE_TYPE_JPG))
            << image.GetLastError();
        const uint8_t* p = image.GetBits(7) + 3 * 7;
        EXPECT_NEAR(p[2], 255, 3) << stored;
        EXPECT_NEAR(p[1], 128, 3) << stored;
        EXPECT_NEAR(p[0], 0, 3) << stored;
    }

    // ImageMagick's CMYK file (see tests/data/images/libs/README.md).
    ASSERT_TRUE(image.Load(testutil::DataDir() / "images/libs/orange-cmyk.jpg", IMAGE_TYPE_JPG))
        << image.GetLastError();
    const uint8_t* p = image.GetBits(2) + 3 * 2;
    EXPECT_NEAR(p[2], 255, 4);
    EXPECT_NEAR(p[1], 128, 4);
    EXPECT_NEAR(p[0], 0, 4);
}

TEST(JpegCodecTest, RefusesDamagedAndHugeFiles)
{
    CImage image = Gradient(32, 24);
    Bytes good;
    ASSERT_TRUE(image.Encode(good, IMAGE_TYPE_JPG));
    CImage back;
    for (size_t cut = 0; cut + 2 < good.size(); cut += 7) { // all but the end marker
        const Bytes part(good.begin(), good.begin() + cut);
        EXPECT_FALSE(back.Decode(part, IMAGE_TYPE_JPG)) << cut;
        EXPECT_FALSE(back.GetLastError().empty());
    }
    Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC0, 0, 3, 1, 2, 3, 4, 5};
    EXPECT_FALSE(back.Decode(garbage, IMAGE_TYPE_JPG));
    EXPECT_NE(back.GetLastError().find("JPEG"), std::string::npos);

    // The same file claiming 65000 x 65000 pixels in its frame header.
    Bytes huge = good;
    for (size_t i = 2; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xFD;
            huge[i + 6] = huge[i + 8] = 0xE8;
            break;
        }
    }
    EXPECT_FALSE(back.Decode(huge, IMAGE_TYPE_JPG));
    EXPECT_NE(back.GetLastError().find("limit"), std::string::npos) << back.GetLastError();
}
