// Thumbnails of sprites.

#include "Thumbnail.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::Bytes;

TEST(Thumbnail, FramesShrinkToFitAndGrowByWholeFactors)
{
    struct Case {
        int width, height, size, expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {256, 128, 128, 128, 64},  // halved
        {100, 300, 128, 42, 128},  // the longer side fits
        {1000, 1, 128, 128, 1},    // never below one pixel
        {32, 40, 128, 96, 120},    // three times: four would not fit
        {40, 40, 128, 120, 120},   //
        {128, 128, 128, 128, 128}, // as it is
        {7, 12, 12, 7, 12},        //
        {7, 12, 11, 6, 11},        //
        {3, 2, 5000, 1023, 682},   // sizes above the limit count as the limit
        {3, 2, 0, 1, 1},           // and below 1 as 1
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        ThumbnailSize(c.width, c.height, c.size, w, h);
        EXPECT_EQ(w, c.expectedWidth) << c.width << "x" << c.height << " in " << c.size;
        EXPECT_EQ(h, c.expectedHeight) << c.width << "x" << c.height << " in " << c.size;
    }
}

TEST(Thumbnail, PixelsAreSampledNearestWithIndexZeroTransparent)
{
    // A 4 x 2 frame, bottom row first.
    DC6Frame frame;
    frame.m_DC6FrameHeader.m_iWidth = 4;
    frame.m_DC6FrameHeader.m_iHeight = 2;
    frame.m_ImageData = {1, 2, 3, 4, 0, 6, 7, 8};
    CPalette palette = GreyRampPalette();
    palette[1] = {10, 20, 30, 1};

    CImage grown;
    ASSERT_TRUE(MakeThumbnail(frame, 8, palette, grown));
    ASSERT_EQ(grown.GetWidth(), 8);
    ASSERT_EQ(grown.GetHeight(), 4);
    EXPECT_EQ(grown.GetBpp(), 8);
    EXPECT_EQ(grown.GetTransIndex(), 0);
    EXPECT_EQ(grown.GetPalette()[1].rgbRed, 30);
    const Bytes bottom{1, 1, 2, 2, 3, 3, 4, 4};
    const Bytes top{0, 0, 6, 6, 7, 7, 8, 8};
    const Bytes expectedRows[] = {bottom, bottom, top, top};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(Bytes(grown.GetBits(y), grown.GetBits(y) + 8), expectedRows[y]) << "row " << y;

    CImage shrunk;
    ASSERT_TRUE(MakeThumbnail(frame, 2, palette, shrunk));
    ASSERT_EQ(shrunk.GetWidth(), 2);
    ASSERT_EQ(shrunk.GetHeight(), 1);
    EXPECT_EQ(Bytes(shrunk.GetBits(0), shrunk.GetBits(0) + 2), (Bytes{1, 3}));

    frame.m_ImageData.pop_back();
    EXPECT_FALSE(MakeThumbnail(frame, 8, palette, shrunk));
}

TEST(Thumbnail, HostileFilesAreRefusedBeforeTheyCostWork)
{
    // A frame of 16384 x 16384 pixels in a few bytes: each row an end-of-row
    // code. The reader would take it; a thumbnail does not.
    testutil::ByteBuilder b;
    b.I32(6).I32(1).I32(0).I32(0).I32(1).I32(1).I32(28);
    b.I32(0).I32(16384).I32(16384).I32(0).I32(0).I32(0).I32(0).I32(16384);
    b.Append(Bytes(16384, 0x80));
    CImage out;
    std::string error;
    EXPECT_FALSE(MakeDC6Thumbnail(b.Get(), 128, GreyRampPalette(), out, error));
    EXPECT_NE(error.find("larger than the limit"), std::string::npos) << error;

    // Encoded data longer than any frame within the limit needs.
    b.Patch32(28 + 4, 2);
    b.Patch32(28 + 8, 2);
    b.Patch32(28 + 28, static_cast<int32_t>(kMaxThumbnailEncodedBytes + 1));
    EXPECT_FALSE(MakeDC6Thumbnail(b.Get(), 128, GreyRampPalette(), out, error));
    EXPECT_NE(error.find("longer than the limit"), std::string::npos) << error;

    EXPECT_FALSE(MakeDC6Thumbnail(Bytes{6, 0, 0, 0}, 128, GreyRampPalette(), out, error));
    EXPECT_TRUE(error.starts_with("Error: Fileformat not DC6\n")) << error;
}
