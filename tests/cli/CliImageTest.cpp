// spritewright-cli's image verbs.

#include "DC6File.h"
#include "Image.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::RunProgram;
using testutil::TempDir;

namespace {

class CliImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CDC6File doc;
        doc.NewDC6(1, 2);
        ASSERT_TRUE(doc.SaveDC6(m_Dir / "sprite.dc6"));
        // A palette file of its own: entry i is (i, i, i) but entry 200 red.
        testutil::Bytes palette;
        for (int i = 0; i < 256; ++i)
            for (int k = 0; k < 3; ++k)
                palette.push_back(i == 200 ? (k == 2 ? 255 : 0) : static_cast<uint8_t>(i));
        testutil::WriteFile(m_Dir / "mine.pal", palette);
    }

    TempDir m_Dir;
};

} // namespace

TEST_F(CliImageTest, ImportMatchesColoursToTheGivenPalette)
{
    CImage image;
    image.Create(300, 2, 24, IMAGE_TYPE_PNG);
    for (int x = 0; x < 300; ++x) {
        image.GetBits(1)[3 * x + 2] = 255; // red on the top row
        image.GetBits(0)[3 * x] = image.GetBits(0)[3 * x + 1] = image.GetBits(0)[3 * x + 2] = 77;
    }
    ASSERT_TRUE(image.Save(m_Dir / "red.png", IMAGE_TYPE_PNG));

    auto r = RunProgram(SPRITEWRIGHT_CLI,
                        {"import", (m_Dir / "sprite.dc6").string(), (m_Dir / "red.png").string(),
                         "-o", (m_Dir / "out.dc6").string(), "--frame", "1", "--palette",
                         (m_Dir / "mine.pal").string(), "--no-split"});
    ASSERT_EQ(r.status, 0) << r.err;
    CDC6File doc;
    ASSERT_TRUE(doc.LoadDC6(m_Dir / "out.dc6"));
    DC6Frame frame;
    doc.GetDC6Frame(1, frame);
    ASSERT_EQ(frame.m_DC6FrameHeader.m_iWidth, 300);
    EXPECT_EQ(frame.m_ImageData[0], 77);
    EXPECT_EQ(frame.m_ImageData[300], 200);

    // Split by default: 300 wide makes two frames.
    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"import", (m_Dir / "sprite.dc6").string(), (m_Dir / "red.png").string(), "-o",
                    (m_Dir / "split.dc6").string(), "--palette", (m_Dir / "mine.pal").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(doc.LoadDC6(m_Dir / "split.dc6"));
    EXPECT_EQ(doc.GetFrameListLength(), 3);
}

TEST_F(CliImageTest, ImportFailuresSayWhy)
{
    const auto sprite = (m_Dir / "sprite.dc6").string();
    const auto out = (m_Dir / "out.dc6").string();
    testutil::WriteFile(m_Dir / "bad.bmp", {'B', 'M', 1});
    auto r = RunProgram(SPRITEWRIGHT_CLI, {"import", sprite, (m_Dir / "bad.bmp").string(), "-o",
                                           out, "--palette", (m_Dir / "mine.pal").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error when openening " + (m_Dir / "bad.bmp").string()), std::string::npos)
        << r.err;
    r = RunProgram(SPRITEWRIGHT_CLI, {"import", sprite, (m_Dir / "bad.bmp").string(), "-o", out,
                                      "--palette", (m_Dir / "none.pal").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot read the palette"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI,
                         {"import", sprite, "x.bmp", "-o", out, "--split", "--no-split"})
                  .status,
              2);
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI,
                         {"import", sprite, "x.bmp", "-o", out, "--all-gif-images", "some"})
                  .status,
              2);
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI, {"import", sprite, "x.bmp"}).status, 2);
}

TEST_F(CliImageTest, ExportFrameAndSheetWriteWhatTheExtensionSays)
{
    CDC6File doc;
    doc.NewDC6(2, 4);
    for (int i = 0; i < 4; ++i) {
        doc.ResizeFrame(i, 256, 256);
        doc.SetFramePixel(i, 1, 255, static_cast<uint8_t>(60 + i));
    }
    doc.SetFramePixel(5, 2, 0, 200);
    ASSERT_TRUE(doc.SaveDC6(m_Dir / "four.dc6"));
    const auto sprite = (m_Dir / "four.dc6").string();
    const auto palette = (m_Dir / "mine.pal").string();

    auto r =
        RunProgram(SPRITEWRIGHT_CLI, {"export-frame", sprite, (m_Dir / "f.tif").string(),
                                      "--direction", "1", "--frame", "1", "--palette", palette});
    ASSERT_EQ(r.status, 0) << r.err;
    CImage image;
    ASSERT_TRUE(image.Load(m_Dir / "f.tif", IMAGE_TYPE_TIF));
    EXPECT_EQ(image.GetBits(0)[2], 200);
    EXPECT_EQ(image.GetPalette()[200].rgbRed, 255);
    EXPECT_EQ(image.GetPalette()[200].rgbGreen, 0);

    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"sheet", sprite, (m_Dir / "s.pcx").string(), "--palette", palette});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(image.Load(m_Dir / "s.pcx", IMAGE_TYPE_PCX));
    EXPECT_EQ(image.GetWidth(), 512);
    EXPECT_EQ(image.GetBits(511)[1], 60);
    EXPECT_EQ(image.GetBits(255)[257], 63);

    EXPECT_EQ(image.GetTransIndex(), -1);

    r = RunProgram(SPRITEWRIGHT_CLI, {"sheet", sprite, (m_Dir / "s.jpg").string(), "--across", "1",
                                      "--down", "1", "--palette", palette});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(image.Load(m_Dir / "s.jpg", IMAGE_TYPE_JPG));
    EXPECT_EQ(image.GetBpp(), 24);

    // A PNG shows index 0 as transparent.
    r = RunProgram(SPRITEWRIGHT_CLI, {"sheet", sprite, (m_Dir / "s.png").string(), "--across", "1",
                                      "--down", "1", "--palette", palette});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(image.Load(m_Dir / "s.png", IMAGE_TYPE_PNG));
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_EQ(image.GetBits(255)[1], 60);

    const std::pair<std::vector<std::string>, const char*> failures[] = {
        {{"sheet", sprite, (m_Dir / "x.bmp").string(), "--start", "1", "--palette", palette},
         "The first direction has no 4 frames from frame 1 on"},
        {{"sheet", sprite, (m_Dir / "x.bmp").string(), "--across", "11", "--palette", palette},
         "A sheet is 1 to 10 frames across and down"},
        {{"export-frame", sprite, (m_Dir / "x.bmp").string(), "--frame", "4", "--palette", palette},
         "There is no frame 4 in direction 0"},
        {{"export-frame", sprite, (m_Dir / "no" / "x.bmp").string(), "--palette", palette},
         "Could not save"},
    };
    for (const auto& [args, text] : failures) {
        r = RunProgram(SPRITEWRIGHT_CLI, args);
        EXPECT_EQ(r.status, 1) << text;
        EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_Dir / "x.bmp"));
}
