// The sprite description: writing it with every frame's image, reading it
// back, and building sprites from it.

#include "BuildFromIni.h"
#include "ExportAll.h"
#include "Image.h"
#include "ImageCodecs.h"
#include "SpriteDescription.h"
#include "SpriteTestUtil.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

using testutil::GifDelays;
using testutil::TempDir;

namespace {

CExportFormat Format(const std::string& extension)
{
    CExportFormat format{};
    EXPECT_TRUE(ExportFormatFromExtension(extension, format)) << extension;
    return format;
}

std::string WriteText(const std::filesystem::path& path, const std::string& text)
{
    testutil::WriteFile(path, testutil::Bytes(text.begin(), text.end()));
    return path.string();
}

} // namespace

TEST(SpriteDescription, ExportedSpritesBuildBackIndexForIndex)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CDC6File doc;
    MakeSprite(doc, 3, 4, 11);
    ASSERT_TRUE(doc.SaveDC6(dir / "walk.dc6"));
    for (const char* extension : {"bmp", "pcx", "tif", "gif", "png"}) {
        for (const bool animated : {false, true}) {
            const std::filesystem::path folder =
                dir / (std::string(extension) + (animated ? "-anim" : ""));
            std::filesystem::create_directory(folder);
            std::filesystem::path description;
            std::string error;
            ASSERT_TRUE(ExportAllFrames(doc, palette, folder, Format(extension), animated,
                                        description, error))
                << error;
            EXPECT_EQ(description, folder / ("walk_" + std::string(extension)) /
                                       ("walk_" + std::string(extension) + ".ini"));
            CDC6File back;
            std::string name;
            ASSERT_TRUE(BuildFromIni(description, palette, back, error, &name)) << error;
            EXPECT_EQ(name, "walk.dc6");
            ExpectSameSprite(doc, back, std::string(extension) + (animated ? " animated" : ""));
        }
    }
}

TEST(SpriteDescription, RealSpritesBuildBackIndexForIndexInEveryLosslessFormat)
{
    // Their palette holds some colours more than once; every index must
    // still come back as itself.
    TempDir dir;
    CPalette palette{};
    ASSERT_EQ(ReadPaletteFile(testutil::DataDir() / "dc6" / "palette.dat", palette.data(), 256), 1);
    for (const char* name :
         {"authoring.dc6", "chrome.dc6", "composition.dc6", "cursors-markers.dc6", "large.dc6",
          "medium.dc6", "small.dc6", "utility.dc6", "very_small.dc6"}) {
        CDC6File doc;
        std::string repaired;
        ASSERT_TRUE(doc.LoadDC6Repaired(testutil::DataDir() / "dc6" / name, repaired))
            << doc.GetLastErrorText();
        for (const char* extension : {"bmp", "pcx", "tif", "gif", "png"}) {
            for (const bool animated : {false, true}) {
                if (animated && std::string(extension) != "gif")
                    continue;
                const std::string what =
                    std::string(name) + " " + extension + (animated ? " animated" : "");
                const std::filesystem::path folder = dir / what;
                std::filesystem::create_directory(folder);
                std::filesystem::path description;
                std::string error;
                ASSERT_TRUE(ExportAllFrames(doc, palette, folder, Format(extension), animated,
                                            description, error))
                    << what << ": " << error;
                CDC6File back;
                ASSERT_TRUE(BuildFromIni(description, palette, back, error))
                    << what << ": " << error;
                ExpectSameSprite(doc, back, what);
            }
        }
    }
}

TEST(SpriteDescription, JpegExportsBuildBackToTheNearestColours)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CDC6File doc;
    doc.NewDC6(1, 1);
    doc.ResizeFrame(0, 32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            doc.SetFramePixel(0, x, y, static_cast<uint8_t>(8 * (x / 8) + 64 * (y / 16) + 3));
    std::filesystem::path description;
    std::string error;
    ASSERT_TRUE(
        ExportAllFrames(doc, palette, dir.Path(), Format("jpg"), false, description, error));
    CImage image;
    ASSERT_TRUE(image.Load(dir / "_jpg" / "00" / "0000.jpg", IMAGE_TYPE_JPG));
    EXPECT_EQ(image.GetBpp(), 24);
    CDC6File back;
    ASSERT_TRUE(BuildFromIni(description, palette, back, error)) << error;
    DC6Frame a, b;
    doc.GetDC6Frame(0, a);
    back.GetDC6Frame(0, b);
    ASSERT_EQ(b.m_ImageData.size(), a.m_ImageData.size());
    size_t same = 0;
    for (size_t i = 0; i < a.m_ImageData.size(); ++i)
        same += a.m_ImageData[i] == b.m_ImageData[i];
    EXPECT_GT(same, a.m_ImageData.size() * 95 / 100);
}

TEST(SpriteDescription, CanvasAndLayout)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CDC6File doc;
    doc.NewDC6(1, 2);
    doc.ResizeFrame(0, 10, 20);
    doc.ResizeFrame(1, 10, 10);
    doc.SetFrameOffsetX(1, 5);
    doc.SetFrameOffsetY(1, 5);
    doc.SetFramePixel(0, 0, 19, 7); // frame 0's top left
    doc.SetFramePixel(1, 9, 0, 9);  // frame 1's bottom right
    std::filesystem::path description;
    std::string error;
    ASSERT_TRUE(ExportAllFrames(doc, palette, dir.Path(), Format("bmp"), true, description, error));
    EXPECT_EQ(description, dir / "_bmp" / "_bmp.ini") << "untitled; animation only for GIF";

    CIniEx ini;
    ASSERT_TRUE(ini.ReadFile(description));
    MainRecord main;
    ASSERT_TRUE(ReadMainSection(ini, main));
    EXPECT_EQ(main.nFramed, 0);
    EXPECT_EQ(main.strFileName, "");
    DirectionRecord direction;
    ASSERT_TRUE(ReadDirectionSection(ini, direction, 0));
    EXPECT_EQ(direction.nImgX0, 0);
    EXPECT_EQ(direction.nImgY0, 5);
    FrameRecord frame;
    ASSERT_TRUE(ReadFrameSection(ini, frame, "00:0001", 0));
    EXPECT_EQ(frame.nWidth, 10);
    EXPECT_EQ(frame.strFileType, "bmp");
    EXPECT_EQ(frame.nOffsetX, 5);

    // Both images are the 15 x 25 canvas: frame 0 at the top left (margins
    // right 5, bottom 5), frame 1 at the bottom right (left 5, top 15).
    CImage image;
    ASSERT_TRUE(image.Load(dir / "_bmp" / "00" / "0000.bmp", IMAGE_TYPE_BMP));
    EXPECT_EQ(image.GetWidth(), 15);
    EXPECT_EQ(image.GetHeight(), 25);
    EXPECT_EQ(image.GetBits(24)[0], 7);
    ASSERT_TRUE(image.Load(dir / "_bmp" / "00" / "0001.bmp", IMAGE_TYPE_BMP));
    EXPECT_EQ(image.GetBits(0)[14], 9);

    // A second export to the same folder fails at once.
    EXPECT_FALSE(
        ExportAllFrames(doc, palette, dir.Path(), Format("bmp"), false, description, error));
    EXPECT_EQ(error, "Unable to Create Directory!!\n[" + (dir / "_bmp").string() + "]");
}

TEST(SpriteDescription, AnimatedAndSeparateLayouts)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CDC6File doc;
    MakeSprite(doc, 2, 3, 5);
    ASSERT_TRUE(doc.SaveDC6(dir / "walk.dc6"));
    std::filesystem::create_directory(dir / "a");
    std::filesystem::create_directory(dir / "b");
    std::filesystem::path description;
    std::string error;
    ASSERT_TRUE(ExportAllFrames(doc, palette, dir / "a", Format("gif"), false, description, error));
    for (const char* file : {"walk_gif.ini", "00/0000.gif", "00/0002.gif", "01/0002.gif"})
        EXPECT_TRUE(std::filesystem::exists(dir / "a" / "walk_gif" / file)) << file;
    ASSERT_TRUE(ExportAllFrames(doc, palette, dir / "b", Format("gif"), true, description, error));
    for (const char* file : {"walk_gif.ini", "00.gif", "01.gif"})
        EXPECT_TRUE(std::filesystem::exists(dir / "b" / "walk_gif" / file)) << file;
    EXPECT_FALSE(std::filesystem::exists(dir / "b" / "walk_gif" / "00"));
    CImage gif;
    ASSERT_TRUE(gif.Load(dir / "b" / "walk_gif" / "01.gif", IMAGE_TYPE_GIF));
    EXPECT_EQ(gif.GetNumFrames(), 3);

    // The game's 25 frames a second by default, 4 hundredths a picture;
    // another rate changes the delays and nothing in the description.
    EXPECT_EQ(GifDelays(dir / "b" / "walk_gif" / "01.gif"), std::vector<int>(3, 4));
    for (const auto& [rate, delay] : {std::pair{30, 3}, std::pair{8, 13}, std::pair{1, 100}}) {
        const auto folder = dir / ("fps" + std::to_string(rate));
        std::filesystem::create_directory(folder);
        ASSERT_TRUE(
            ExportAllFrames(doc, palette, folder, Format("gif"), true, description, error, rate))
            << error;
        EXPECT_EQ(GifDelays(folder / "walk_gif" / "00.gif"), std::vector<int>(3, delay)) << rate;
        EXPECT_EQ(testutil::ReadFile(description),
                  testutil::ReadFile(dir / "b" / "walk_gif" / "walk_gif.ini"));
    }
    EXPECT_FALSE(
        ExportAllFrames(doc, palette, dir / "b", Format("gif"), true, description, error, 0));
    EXPECT_EQ(error, "An animation plays at 1 to 100 frames a second, not 0");

    // A folder that cannot be made ends the export with no description.
    testutil::WriteFile(dir / "c", {1});
    EXPECT_FALSE(
        ExportAllFrames(doc, palette, dir / "c", Format("gif"), false, description, error));
    EXPECT_EQ(error.rfind("Unable to Create Directory!!\n[", 0), 0u);
}

TEST(SpriteDescription, ReadersTakeHandMadeDescriptions)
{
    CIniEx ini;
    ASSERT_TRUE(ini.ReadString("; by hand\n[100:0000]\nHeight=4\nWidth = 12abc\nFileType=BMP\n"
                               "Extra=1\n[Main]\nFramedGIF=2\nFramesDir= 7\nDirections=abc\n"
                               "[Direction Data:100]\nImg_X0=-3\n"));
    MainRecord main;
    ASSERT_TRUE(ReadMainSection(ini, main));
    EXPECT_EQ(main.nDirections, 0);
    EXPECT_EQ(main.nFramesPerDirection, 7);
    EXPECT_EQ(main.nFramed, 2);
    DirectionRecord direction;
    EXPECT_TRUE(ReadDirectionSection(ini, direction, 100));
    EXPECT_EQ(direction.nImgX0, -3);
    EXPECT_EQ(direction.nImgY0, 0);
    EXPECT_TRUE(ReadDirectionSection(ini, direction, 5));
    EXPECT_EQ(direction.nImgX0, 0);
    FrameRecord frame;
    ASSERT_TRUE(ReadFrameSection(ini, frame, FrameSectionName(100, 0), 1));
    EXPECT_EQ(frame.nWidth, 12);
    EXPECT_EQ(frame.strFileType, "") << "framed: FileType is not read";
    ASSERT_TRUE(ReadFrameSection(ini, frame, FrameSectionName(100, 0), 0));
    EXPECT_EQ(ImageTypeFromFileType(frame.strFileType), IMAGE_TYPE_TIF);
    EXPECT_FALSE(ReadFrameSection(ini, frame, "00:0000", 0));
    EXPECT_EQ(FrameSectionName(3, 12345), "03:12345");

    for (const auto& [type, code] :
         {std::pair{"bmp", IMAGE_TYPE_BMP}, std::pair{"pcx", IMAGE_TYPE_PCX},
          std::pair{"jpg", IMAGE_TYPE_JPG}, std::pair{"gif", IMAGE_TYPE_GIF},
          std::pair{"png", IMAGE_TYPE_TIF}, std::pair{"Bmp", IMAGE_TYPE_TIF},
          std::pair{"", IMAGE_TYPE_TIF}})
        EXPECT_EQ(ImageTypeFromFileType(type), code) << type;
    for (const auto& [text, value] :
         {std::pair{"  -42x", -42}, std::pair{"+7", 7}, std::pair{"abc", 0},
          std::pair{"99999999999", 2147483647}, std::pair{"-99999999999", -2147483647 - 1}})
        EXPECT_EQ(ReadDecimal(text), value) << text;

    // Values past 127 characters are refused, not cut.
    ASSERT_TRUE(ini.ReadString(
        "[Main]\nDirections=1\nFramesDir=1\nFileName=" + std::string(128, 'n') + "\n"));
    EXPECT_FALSE(ReadMainSection(ini, main));
    EXPECT_EQ(ini.GetLastError(),
              "The value of 'FileName' in section [Main] is longer than 127 characters");
}

TEST(SpriteDescription, BuildRefusesWhatItCannotUse)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CImage picture;
    picture.Create(8, 8, 8, IMAGE_TYPE_BMP);
    picture.SetPalette(palette.data(), 256);
    picture.Clear(5);
    std::filesystem::create_directory(dir / "00");
    ASSERT_TRUE(picture.Save(dir / "00" / "0000.bmp", IMAGE_TYPE_BMP));
    const std::string head = "[Main]\nDirections=1\nFramesDir=1\n";

    struct Case {
        std::string text;
        std::string error;
    };
    const std::string path = (dir / "d.ini").string();
    const Case cases[] = {
        {"[Main]\nFramesDir=1\n", "Error in INI section [Main]"},
        {"[Main]\nDirections=0\nFramesDir=0\n",
         "'Directions' Cannot be 0 or below in section [Main]"},
        {"[Main]\nDirections=1\nFramesDir=-2\n",
         "'FramesDir' Cannot be 0 or below in section [Main]"},
        {head + "[00:0000]\nHeight=8\nFileType=bmp\n",
         "Section [00:0000] error!\nThe key 'Width' is missing"},
        {head + "[00:0000]\nWidth=8\nFileType=bmp\n",
         "Section [00:0000] error!\nThe key 'Height' is missing"},
        {head + "[00:0000]\nWidth=8\nHeight=8\n",
         "Section [00:0000] error!\nThe key 'FileType' is missing"},
        {head + "[00:0000]\nWidth=8\nHeight=8\nFileType=../00/0000.bmp\n",
         "Section [00:0000] error!\n'FileType' ../00/0000.bmp is no file extension"},
        {head + "[00:0000]\nWidth=9\nHeight=8\nFileType=bmp\n",
         "Section [00:0000] error!\nThe frame's 9 x 8 rectangle, 0 columns from the left edge "
         "and 0 rows above the bottom edge, lies outside the 8 x 8 picture " +
             (dir / "00" / "0000.bmp").string()},
        {head + "[00:0000]\nWidth=4\nHeight=4\nFileType=bmp\nX_Offset=5\nY_Offset=-5\n",
         "Section [00:0000] error!\nThe frame's 4 x 4 rectangle, 5 columns from the left edge "
         "and 5 rows above the bottom edge, lies outside the 8 x 8 picture " +
             (dir / "00" / "0000.bmp").string()},
        {head + "[00:0000]\nWidth=0\nHeight=4\nFileType=bmp\n",
         "Section [00:0000] error!\n'Width' and 'Height' must be above 0, not 0 and 4"},
        {head + "[00:0000]\nWidth=3\nHeight=-1\nFileType=pcx\n",
         "Section [00:0000] error!\n'Width' and 'Height' must be above 0, not 3 and -1"},
        {head + "[00:0000]\nWidth=8\nHeight=8\nFileType=pcx\n",
         "Could not open file: \n" + (dir / "00" / "0000.pcx").string()},
    };
    for (const Case& c : cases) {
        WriteText(dir / "d.ini", c.text);
        CDC6File doc;
        std::string error;
        EXPECT_FALSE(BuildFromIni(path, palette, doc, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        DC6FileHeader header;
        EXPECT_FALSE(doc.GetDC6FileHeader(header)) << "no half-built sprite: " << c.text;
    }
    CDC6File doc;
    std::string error;
    EXPECT_FALSE(BuildFromIni(dir / "none.ini", palette, doc, error));
    EXPECT_EQ(error, "Could not open INI file\n" + (dir / "none.ini").string());

    // The frame's rectangle is cut |X - Img_X0| from the left and
    // |Y - Img_Y0| above the bottom.
    WriteText(dir / "d.ini",
              head + "[00:0000]\nWidth=4\nHeight=3\nFileType=bmp\nX_Offset=-2\nY_Offset=5\n");
    picture.GetBits(5)[2] = 77;
    ASSERT_TRUE(picture.Save(dir / "00" / "0000.bmp", IMAGE_TYPE_BMP));
    ASSERT_TRUE(BuildFromIni(path, palette, doc, error)) << error;
    DC6Frame frame;
    doc.GetDC6Frame(0, frame);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iWidth, 4);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iOffsetX, -2);
    EXPECT_EQ(frame.m_ImageData[0], 77) << "row 5 of the picture is the frame's bottom row";
    EXPECT_EQ(frame.m_ImageData[1], 5);
}

TEST(SpriteDescription, FramedDirectionsAreBuiltImageByImage)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    std::vector<CImage> pictures(3);
    for (size_t i = 0; i < pictures.size(); ++i) {
        pictures[i].Create(6, 5, 8, IMAGE_TYPE_GIF);
        pictures[i].SetPalette(palette.data(), 256);
        pictures[i].Clear(static_cast<uint8_t>(10 + i));
    }
    const CImage* frames[] = {&pictures[0], &pictures[1], &pictures[2]};
    testutil::Bytes gif;
    std::string error;
    ASSERT_TRUE(EncodeGifAnimation(frames, 1, 10, gif, error)) << error;
    testutil::WriteFile(dir / "00.gif", gif);

    const auto describe = [&](int count, int missing) {
        std::string text =
            "[Main]\nDirections=1\nFramedGIF=1\nFramesDir=" + std::to_string(count) + "\n";
        for (int f = 0; f < count; ++f) {
            if (f != missing)
                text += "[" + FrameSectionName(0, f) + "]\nWidth=6\nHeight=5\n";
        }
        return WriteText(dir / "d.ini", text);
    };
    // Frames take the GIF's images in order; images past the last frame are
    // not needed.
    CDC6File doc;
    ASSERT_TRUE(BuildFromIni(describe(2, -1), palette, doc, error)) << error;
    DC6Frame frame;
    doc.GetDC6Frame(1, frame);
    EXPECT_EQ(frame.m_ImageData, std::vector<uint8_t>(30, 11));

    // A frame the GIF has no image for, and a broken section, each in the
    // order of the frames.
    const std::string noImage = "Could not open file: \n" + (dir / "00.gif").string();
    const std::tuple<int, int, std::string> cases[] = {
        {4, -1, noImage},
        {4, 3, "Section [00:0003] error!\nThe key 'Width' is missing"},
        {3, 1, "Section [00:0001] error!\nThe key 'Width' is missing"},
    };
    for (const auto& [count, missing, message] : cases) {
        EXPECT_FALSE(BuildFromIni(describe(count, missing), palette, doc, error)) << message;
        EXPECT_EQ(error, message);
    }
    std::filesystem::remove(dir / "00.gif");
    EXPECT_FALSE(BuildFromIni(describe(1, -1), palette, doc, error));
    EXPECT_EQ(error, noImage);
    EXPECT_FALSE(BuildFromIni(describe(1, 0), palette, doc, error));
    EXPECT_EQ(error, "Section [00:0000] error!\nThe key 'Width' is missing");
}

TEST(SpriteDescription, ExportsOfFarApartFramesAreRefusedBeforeAnythingIsWritten)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    CDC6File doc;
    doc.NewDC6(1, 30);
    for (int i = 0; i < 30; ++i) {
        doc.ResizeFrame(i, 1, 1);
        doc.SetFrameOffsetX(i, i * 16000 / 29);
        doc.SetFrameOffsetY(i, i * 16000 / 29);
    }
    ASSERT_TRUE(doc.SaveDC6(dir / "far.dc6"));
    std::filesystem::path description;
    std::string error;
    for (const bool animated : {false, true}) {
        EXPECT_FALSE(
            ExportAllFrames(doc, palette, dir.Path(), Format("gif"), animated, description, error));
        EXPECT_EQ(error, "The export of far.dc6 would write 7680960030 pixels in all, more than "
                         "the limit of 1073741824: the frames of direction 0 lie on a canvas of "
                         "16001 x 16001 pixels");
    }
    doc.SetFrameOffsetX(29, 20000);
    EXPECT_FALSE(
        ExportAllFrames(doc, palette, dir.Path(), Format("bmp"), false, description, error));
    EXPECT_EQ(error, "The frames of direction 0 of far.dc6 lie too far apart for one picture of "
                     "20001 x 16001 pixels (the limit is 268435456 pixels)");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << "nothing but the sprite";
}

TEST(SpriteDescription, ExportFailuresGiveTheReason)
{
    TempDir dir;
    const CPalette palette = DistinctPalette();
    // A picture of one pixel, and one of 200 x 200 that does not compress.
    CDC6File doc;
    doc.NewDC6(1, 2);
    doc.ResizeFrame(0, 1, 1);
    doc.ResizeFrame(1, 200, 200);
    std::mt19937 rng(3);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            doc.SetFramePixel(1, x, y, static_cast<uint8_t>(1 + rng() % 255));
    std::filesystem::path description;
    std::string error;
    // The disk fills up.
    for (const bool animated : {false, true}) {
        const auto folder = dir / (animated ? "anim" : "separate");
        std::filesystem::create_directory(folder);
        {
            const testutil::FileSizeLimit full(4096);
            EXPECT_FALSE(
                ExportAllFrames(doc, palette, folder, Format("gif"), animated, description, error));
        }
        const auto file = folder / "_gif" / (animated ? "00.gif" : "00/0001.gif");
        EXPECT_EQ(error, "Could not save " + file.string() + " (File too large)");
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

TEST(Readers, OnlyRegularFilesAreRead)
{
    // Each reader refuses at once what is no regular file: a FIFO would
    // block its reader, /dev/zero would never end.
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0666), 0);
    const CPalette palette = DistinctPalette();
    for (const std::filesystem::path& path :
         {dir / "pipe", std::filesystem::path("/dev/zero"), dir.Path()}) {
        CDC6File doc;
        EXPECT_FALSE(doc.LoadDC6(path)) << path;
        EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Opened ");
        CImage image;
        EXPECT_FALSE(image.Load(path, IMAGE_TYPE_BMP)) << path;
        EXPECT_TRUE(image.GetLastError() == path.string() + ": not a regular file" ||
                    image.GetLastError() == path.string() + ": Is a directory")
            << image.GetLastError();
        EXPECT_FALSE(image.LoadAll(path, IMAGE_TYPE_GIF, [](CImage&) { return true; })) << path;
        CIniEx ini;
        EXPECT_FALSE(ini.ReadFile(path)) << path;
        std::string error;
        EXPECT_FALSE(BuildFromIni(path, palette, doc, error)) << path;
        EXPECT_EQ(error, "Could not open INI file\n" + path.string());
        CPalette read = palette;
        EXPECT_EQ(ReadPaletteFile(path, read.data(), 256), 0) << path;
        EXPECT_EQ(read[7].rgbRed, palette[7].rgbRed) << "untouched";
        EXPECT_FALSE(ReadPaletteCatalogue(path)) << path;
    }
}
