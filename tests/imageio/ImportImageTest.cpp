// Importing image files into frames.

#include "ImageCodecs.h"
#include "ImportImage.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using testutil::TempDir;

namespace {

// A palette of 256 different colours, so that an 8-bit picture with this
// palette imports index for index.
CPalette DistinctPalette()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                           static_cast<uint8_t>((i * 37) % 256), 1};
    return palette;
}

// An 8-bit picture with `palette` whose pixel (x, y), y counted from the
// top, is 1 + (x + 3 y) % 255.
CImage Pattern(int width, int height, const CPalette& palette)
{
    CImage image;
    image.Create(width, height, 8, IMAGE_TYPE_BMP);
    image.SetPalette(palette.data(), 256);
    for (int top = 0; top < height; ++top)
        for (int x = 0; x < width; ++x)
            image.GetBits(height - 1 - top)[x] = static_cast<uint8_t>(1 + (x + 3 * top) % 255);
    return image;
}

uint8_t PatternAt(int x, int top)
{
    return static_cast<uint8_t>(1 + (x + 3 * top) % 255);
}

struct Asked {
    int split = 0, all = 0, insert = 0;
};

// Answers every question with the given answer and counts them.
CImportQuestions Answers(Asked& asked, bool split, bool all, bool insert)
{
    CImportQuestions q;
    q.SplitOversized = [&asked, split] {
        ++asked.split;
        return split;
    };
    q.ImportAllImages = [&asked, all] {
        ++asked.all;
        return all;
    };
    q.InsertImages = [&asked, insert] {
        ++asked.insert;
        return insert;
    };
    return q;
}

// The pixel at (x, top) of frame i, top counted from the top of the frame.
uint8_t FramePixel(const CDC6File& doc, int i, int x, int top)
{
    DC6Frame frame;
    doc.GetDC6Frame(i, frame);
    const int w = frame.m_DC6FrameHeader.m_iWidth, h = frame.m_DC6FrameHeader.m_iHeight;
    return frame.m_ImageData.at(static_cast<size_t>((h - 1 - top) * w + x));
}

std::pair<int, int> FrameSize(const CDC6File& doc, int i)
{
    DC6FrameHeader header{};
    doc.GetDC6FrameHeader(i, header);
    return {header.m_iWidth, header.m_iHeight};
}

int FramesPerDirection(const CDC6File& doc)
{
    DC6FileHeader header{};
    doc.GetDC6FileHeader(header);
    return header.m_iFramesPerDirection;
}

class ImportImageTest : public ::testing::Test {
protected:
    std::filesystem::path SaveImage(CImage image, const std::string& name, int type)
    {
        const auto path = m_Dir / name;
        EXPECT_TRUE(image.Save(path, type)) << image.GetLastError();
        return path;
    }

    bool Import(CDC6File& doc, int direction, int frame, const std::filesystem::path& path,
                const CImportQuestions& questions)
    {
        return ImportImage(doc, direction, frame, path, m_Palette, questions, m_Result, m_Error);
    }

    TempDir m_Dir;
    CPalette m_Palette = DistinctPalette();
    CImportResult m_Result;
    std::string m_Error;
};

} // namespace

TEST_F(ImportImageTest, FittingPicturesReplaceTheSelectedFrame)
{
    CDC6File doc;
    doc.NewDC6(2, 2);
    doc.SetFrameOffsetX(3, -7);
    const auto path = SaveImage(Pattern(256, 256, m_Palette), "fits.bmp", IMAGE_TYPE_BMP);
    Asked asked;
    ASSERT_TRUE(Import(doc, 1, 1, path, Answers(asked, true, true, true))) << m_Error;
    EXPECT_EQ(asked.split + asked.all + asked.insert, 0) << "256 x 256 fits";
    EXPECT_EQ(m_Result.nFramesAdded, 0);
    EXPECT_EQ(FrameSize(doc, 3), std::make_pair(256, 256));
    EXPECT_EQ(FramePixel(doc, 3, 0, 0), PatternAt(0, 0)) << "the top row stays on top";
    EXPECT_EQ(FramePixel(doc, 3, 200, 100), PatternAt(200, 100));
    EXPECT_EQ(doc.GetFrameOffsetX(3), -7) << "offsets are kept";
}

TEST_F(ImportImageTest, OversizedPicturesAreCutIntoFramesAfterTheSelectedOne)
{
    CDC6File doc;
    doc.NewDC6(1, 3);
    doc.SetFrameOffsetX(1, 5);
    doc.SetFrameOffsetX(2, 9);
    Asked asked;
    const auto wide = SaveImage(Pattern(257, 10, m_Palette), "wide.bmp", IMAGE_TYPE_BMP);
    ASSERT_TRUE(Import(doc, 0, 1, wide, Answers(asked, true, true, true))) << m_Error;
    EXPECT_EQ(asked.split, 1);
    EXPECT_EQ(m_Result.nFramesAdded, 1);
    EXPECT_EQ(FramesPerDirection(doc), 4);
    EXPECT_EQ(FrameSize(doc, 1), std::make_pair(256, 10));
    EXPECT_EQ(FrameSize(doc, 2), std::make_pair(1, 10));
    EXPECT_EQ(FramePixel(doc, 2, 0, 3), PatternAt(256, 3));
    // The new frame comes in front; the selected frame takes the last tile
    // and keeps its offsets.
    EXPECT_EQ(doc.GetFrameOffsetX(1), 0);
    EXPECT_EQ(doc.GetFrameOffsetX(2), 5);
    EXPECT_EQ(doc.GetFrameOffsetX(3), 9);

    CDC6File six;
    six.NewDC6(1, 1);
    const auto big = SaveImage(Pattern(600, 300, m_Palette), "big.bmp", IMAGE_TYPE_BMP);
    ASSERT_TRUE(Import(six, 0, 0, big, Answers(asked, true, true, true))) << m_Error;
    EXPECT_EQ(FramesPerDirection(six), 6);
    const std::pair<int, int> sizes[] = {{256, 256}, {256, 256}, {88, 256},
                                         {256, 44},  {256, 44},  {88, 44}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(FrameSize(six, i), sizes[i]) << "tile " << i;
        EXPECT_EQ(FramePixel(six, i, 0, 0), PatternAt(256 * (i % 3), 256 * (i / 3)))
            << "tile " << i;
    }
    EXPECT_EQ(FramePixel(six, 5, 87, 43), PatternAt(599, 299));

    // Answered No, the picture goes whole into the selected frame.
    CDC6File whole;
    whole.NewDC6(1, 1);
    ASSERT_TRUE(Import(whole, 0, 0, big, Answers(asked, false, true, true)));
    EXPECT_EQ(FramesPerDirection(whole), 1);
    EXPECT_EQ(FrameSize(whole, 0), std::make_pair(600, 300));

    // A sprite of several directions takes no oversized picture.
    CDC6File grid;
    grid.NewDC6(2, 1);
    EXPECT_FALSE(Import(grid, 0, 0, big, Answers(asked, true, true, true)));
    EXPECT_EQ(m_Error, "Image to large for multidirectional image");
    EXPECT_EQ(FrameSize(grid, 0), std::make_pair(10, 10));
}

TEST_F(ImportImageTest, ColoursMatchThePaletteEntryByEntry)
{
    // The picture's own palette: entry 0 red (it still gives 0), entry 1
    // the colour of palette entry 0 (it gives 0 too), entry 2 close to
    // palette entry 77, entry 3 transparent.
    CPalette own{};
    own[0] = {0, 0, 255, 0};
    own[1] = m_Palette[0];
    own[2] = {static_cast<uint8_t>(m_Palette[77].rgbBlue + 1), m_Palette[77].rgbGreen,
              m_Palette[77].rgbRed, 0};
    own[3] = {1, 2, 3, 0};
    CImage image;
    image.Create(4, 1, 8, IMAGE_TYPE_PNG);
    image.SetPalette(own.data(), 256);
    image.SetTransIndex(3);
    for (int x = 0; x < 4; ++x)
        image.GetBits(0)[x] = static_cast<uint8_t>(x);
    const auto path = SaveImage(image, "matched.png", IMAGE_TYPE_PNG);
    CDC6File doc;
    doc.NewDC6(1, 1);
    Asked asked;
    ASSERT_TRUE(Import(doc, 0, 0, path, Answers(asked, true, true, true))) << m_Error;
    const uint8_t expected[] = {0, 0, 77, 0};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(FramePixel(doc, 0, x, 0), expected[x]) << x;
}

TEST_F(ImportImageTest, IndicesOfColoursThePaletteHoldsTwiceSurvive)
{
    // Pictures by Pillow whose palette is the sprite palette, which holds
    // entries 0, 1 and 217 alike and 216 and 255 alike: each index comes
    // back as itself (0 stays 0 anyway).
    CPalette palette{};
    ASSERT_EQ(ReadPaletteFile(testutil::DataDir() / "dc6" / "palette.dat", palette.data(), 256), 1);
    ASSERT_EQ(std::memcmp(&palette[1], &palette[217], 3), 0);
    ASSERT_EQ(std::memcmp(&palette[216], &palette[255], 3), 0);
    for (const char* name : {"dups-pillow.bmp", "dups-pillow.gif", "dups-pillow.pcx",
                             "dups-pillow.png", "dups-pillow.tif"}) {
        CDC6File doc;
        doc.NewDC6(1, 1);
        Asked asked;
        ASSERT_TRUE(ImportImage(doc, 0, 0, testutil::DataDir() / "images" / "libs" / name, palette,
                                Answers(asked, true, true, true), m_Result, m_Error))
            << name << m_Error;
        for (int top = 0; top < 16; ++top)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(FramePixel(doc, 0, x, top), 16 * top + x)
                    << name << " " << x << "," << top;
    }

    // A colour the palette holds twice that comes in under another index
    // takes the lower entry.
    CImage image;
    image.Create(3, 1, 8, IMAGE_TYPE_BMP);
    CPalette own = palette;
    own[7] = palette[255];
    own[8] = palette[217];
    image.SetPalette(own.data(), 256);
    image.GetBits(0)[0] = 7;
    image.GetBits(0)[1] = 8;
    image.GetBits(0)[2] = 255;
    const auto path = SaveImage(image, "moved.bmp", IMAGE_TYPE_BMP);
    CDC6File doc;
    doc.NewDC6(1, 1);
    Asked asked;
    ASSERT_TRUE(
        ImportImage(doc, 0, 0, path, palette, Answers(asked, true, true, true), m_Result, m_Error));
    EXPECT_EQ(FramePixel(doc, 0, 0, 0), 216);
    EXPECT_EQ(FramePixel(doc, 0, 1, 0), 0);
    EXPECT_EQ(FramePixel(doc, 0, 2, 0), 255);
}

TEST_F(ImportImageTest, DeepPicturesAreDitheredToThePalette)
{
    CImage image;
    image.Create(40, 30, 24, IMAGE_TYPE_BMP);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            image.GetBits(y)[x] = static_cast<uint8_t>(x * 2 + y * 5);
    const auto path = SaveImage(image, "deep.bmp", IMAGE_TYPE_BMP);

    CImage expected = image;
    expected.DecreaseBpp(8, true, m_Palette.data(), 256);
    CDC6File doc;
    doc.NewDC6(1, 1);
    Asked asked;
    ASSERT_TRUE(Import(doc, 0, 0, path, Answers(asked, true, true, true))) << m_Error;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(FramePixel(doc, 0, x, 29 - y), expected.GetBits(y)[x]) << x << "," << y;
    // A PNG, which tells its rows as they are read.
    const auto png = SaveImage(image, "deep.png", IMAGE_TYPE_PNG);
    ASSERT_TRUE(Import(doc, 0, 0, png, Answers(asked, true, true, true))) << m_Error;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(FramePixel(doc, 0, x, 29 - y), expected.GetBits(y)[x]) << x << "," << y;
    // One that ends early changes nothing.
    testutil::Bytes bytes = testutil::ReadFile(png);
    bytes.resize(bytes.size() / 2);
    testutil::WriteFile(png, bytes);
    EXPECT_FALSE(Import(doc, 0, 0, png, Answers(asked, true, true, true)));
    EXPECT_EQ(m_Error, "Error when openening " + png.string());
    EXPECT_EQ(FramePixel(doc, 0, 39, 0), expected.GetBits(29)[39]);

    // Transparent pixels of a picture with alpha become 0.
    image.CreateAlpha();
    image.GetAlphaBits(0)[0] = 0;
    image.GetAlphaBits(0)[1] = 200;
    const auto alpha = SaveImage(image, "alpha.png", IMAGE_TYPE_PNG);
    ASSERT_TRUE(Import(doc, 0, 0, alpha, Answers(asked, true, true, true))) << m_Error;
    EXPECT_EQ(FramePixel(doc, 0, 0, 29), 0);
    EXPECT_EQ(FramePixel(doc, 0, 1, 29), expected.GetBits(0)[1]);
}

TEST_F(ImportImageTest, GifImagesGoToConsecutiveFrames)
{
    // Three images of different widths, each with its own palette; each is
    // imported as it shows on the GIF's screen, as wide as the widest.
    std::vector<CImage> images;
    for (int i = 0; i < 3; ++i) {
        CPalette own = m_Palette;
        std::rotate(own.begin() + 1, own.begin() + 1 + 10 * i, own.end());
        CImage& image = images.emplace_back();
        image.Create(4 + i, 3, 8, IMAGE_TYPE_GIF);
        image.SetPalette(own.data(), 256);
        image.Clear(static_cast<uint8_t>(5));
    }
    const CImage* frames[] = {&images[0], &images[1], &images[2]};
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodeGifAnimation(frames, 1, 10, bytes, error)) << error;
    const auto path = m_Dir / "three.gif";
    testutil::WriteFile(path, bytes);

    const auto mark = [](CDC6File& doc) {
        for (int i = 0; i < doc.GetFrameListLength(); ++i)
            doc.SetFrameOffsetX(i, 100 + i);
    };
    Asked asked;
    {
        CDC6File doc;
        doc.NewDC6(1, 5);
        mark(doc);
        ASSERT_TRUE(Import(doc, 0, 2, path, Answers(asked, true, true, true))) << m_Error;
        EXPECT_EQ(FramesPerDirection(doc), 7);
        EXPECT_EQ(m_Result.nFramesAdded, 2);
        // Frames 2 to 4 hold the images; the old frames 3 and 4 are now 5 and 6.
        for (int i = 0; i < 3; ++i) {
            // Index 5 of image i has the colour of palette entry 5 + 10 i.
            EXPECT_EQ(FramePixel(doc, 2 + i, 0, 0), 5 + 10 * i) << "image " << i;
            EXPECT_EQ(FrameSize(doc, 2 + i), std::make_pair(6, 3));
        }
        EXPECT_EQ(doc.GetFrameOffsetX(5), 103);
        EXPECT_EQ(doc.GetFrameOffsetX(6), 104);
    }
    {
        CDC6File doc;
        doc.NewDC6(1, 5);
        mark(doc);
        ASSERT_TRUE(Import(doc, 0, 2, path, Answers(asked, true, true, false))) << m_Error;
        EXPECT_EQ(FramesPerDirection(doc), 5) << "overwritten";
        EXPECT_EQ(doc.GetFrameOffsetX(4), 104);
        ASSERT_TRUE(Import(doc, 0, 4, path, Answers(asked, true, true, false))) << m_Error;
        EXPECT_EQ(FramesPerDirection(doc), 7);
    }
    {
        // Several directions: every direction grows by the same frame numbers.
        CDC6File doc;
        doc.NewDC6(2, 3);
        mark(doc);
        ASSERT_TRUE(Import(doc, 1, 1, path, Answers(asked, true, true, true))) << m_Error;
        EXPECT_EQ(FramesPerDirection(doc), 5);
        EXPECT_EQ(doc.GetFrameListLength(), 10);
        const int offsets[] = {100, 0, 0, 101, 102, 103, 0, 0, 104, 105};
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(doc.GetFrameOffsetX(i), offsets[i]) << "frame " << i;
        EXPECT_EQ(FramePixel(doc, 8, 0, 0), 25);
    }
    {
        // Answered No: the first image only.
        CDC6File doc;
        doc.NewDC6(1, 2);
        ASSERT_TRUE(Import(doc, 0, 0, path, Answers(asked, true, false, true))) << m_Error;
        EXPECT_EQ(FramesPerDirection(doc), 2);
        EXPECT_EQ(FramePixel(doc, 0, 0, 0), 5);
    }
}

TEST_F(ImportImageTest, GifsWhoseImagesWouldPassTheSpriteLimitAreRefusedFirst)
{
    // 17 one-pixel images on a screen of 8192 x 8192: each shows as the
    // whole screen, and all of them would hold more pixels than a sprite
    // may. Nothing but the first image is read, and nothing changes.
    testutil::ByteBuilder gif;
    gif.U8({'G', 'I', 'F', '8', '9', 'a', 0x00, 0x20, 0x00, 0x20, 0x80, 0, 0, 0, 0, 0, 9, 9, 9});
    for (int i = 0; i < 17; ++i)
        gif.U8({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0});
    gif.U8({0x3B});
    testutil::WriteFile(m_Dir / "many.gif", gif.Get());
    Asked asked;
    for (const bool insert : {true, false}) {
        CDC6File doc;
        doc.NewDC6(1, 2);
        EXPECT_FALSE(Import(doc, 0, 1, m_Dir / "many.gif", Answers(asked, false, true, insert)));
        EXPECT_EQ(m_Error, "A sprite whose frames hold 1140850788 pixels in all is more than the "
                           "limit of 1073741824");
        EXPECT_EQ(FramesPerDirection(doc), 2);
        EXPECT_EQ(FrameSize(doc, 1), std::make_pair(10, 10));
    }
}

TEST_F(ImportImageTest, FilesAreReadByWhatTheyHoldAndTheirExtension)
{
    const CImage image = Pattern(3, 2, m_Palette);
    CDC6File doc;
    doc.NewDC6(1, 1);
    Asked asked;
    // A PNG named .bmp, and the extensions the dialogs offer, in any case.
    for (const auto& [name, type] :
         {std::pair{"really-png.bmp", IMAGE_TYPE_PNG}, std::pair{"UPPER.JPG", IMAGE_TYPE_JPG},
          std::pair{"long.jpeg", IMAGE_TYPE_JPG}, std::pair{"long.tiff", IMAGE_TYPE_TIF},
          std::pair{"shot.png", IMAGE_TYPE_PNG}, std::pair{"old.pcx", IMAGE_TYPE_PCX}}) {
        const auto path = SaveImage(image, name, type);
        EXPECT_TRUE(Import(doc, 0, 0, path, Answers(asked, true, true, true))) << name << m_Error;
        EXPECT_EQ(FrameSize(doc, 0), std::make_pair(3, 2)) << name;
    }
    testutil::WriteFile(m_Dir / "notes.gif", {'n', 'o', 't', 'e', 's'});
    EXPECT_FALSE(Import(doc, 0, 0, m_Dir / "notes.gif", Answers(asked, true, true, true)));
    EXPECT_EQ(m_Error, "Error when openening " + (m_Dir / "notes.gif").string());
    EXPECT_FALSE(Import(doc, 0, 0, m_Dir / "missing.bmp", Answers(asked, true, true, true)));
    EXPECT_EQ(m_Error, "Error when openening " + (m_Dir / "missing.bmp").string());
    EXPECT_FALSE(Import(doc, 0, 1, m_Dir / "shot.png", Answers(asked, true, true, true)));
}
