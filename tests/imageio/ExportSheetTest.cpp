// Frames out as images: one frame, and the framed sheet.

#include "ExportFrame.h"
#include "FramedSheet.h"
#include "Image.h"
#include "ImportImage.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using testutil::TempDir;

namespace {

CPalette TestPalette()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3),
                                           static_cast<uint8_t>(255 - i), 1};
    return palette;
}

// One direction whose frame 0 is w x h with pixel (x, y) = (x + 2 y) % 256,
// y from the bottom.
void MakeSprite(CDC6File& doc, int w, int h)
{
    doc.NewDC6(1, 1);
    doc.ResizeFrame(0, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            doc.SetFramePixel(0, x, y, static_cast<uint8_t>((x + 2 * y) % 256));
}

// Every pixel's colour as ImageMagick reads the file, "#RRGGBB" row by row
// from the top.
std::vector<std::string> ColoursByImageMagick(const std::filesystem::path& file)
{
    const auto r = testutil::RunProgram("/usr/bin/convert", {file.string(), "-depth", "8", "txt:-"});
    std::vector<std::string> colours;
    size_t at = r.out.find('\n'); // past the header line
    while ((at = r.out.find('#', at)) != std::string::npos) {
        colours.push_back(r.out.substr(at, 7));
        at = r.out.find('\n', at);
    }
    return colours;
}

} // namespace

TEST(ExportFrame, AnotherToolSeesThePalettesColours)
{
    TempDir dir;
    const CPalette palette = TestPalette();
    CDC6File doc;
    MakeSprite(doc, 9, 4);
    std::string error;
    for (const char* name : {"f.bmp", "f.gif", "f.tif", "f.pcx", "f.png"}) {
        const auto path = dir / name;
        ASSERT_TRUE(ExportFrame(doc, 0, palette, path, ImageTypeFromExtension(path), error)) << error;
        const std::vector<std::string> colours = ColoursByImageMagick(path);
        ASSERT_EQ(colours.size(), 36u) << name;
        for (int top = 0; top < 4; ++top)
            for (int x = 0; x < 9; ++x) {
                const RGBQUAD& c = palette[static_cast<size_t>((x + 2 * (3 - top)) % 256)];
                char expected[8];
                std::snprintf(expected, sizeof expected, "#%02X%02X%02X", c.rgbRed, c.rgbGreen, c.rgbBlue);
                ASSERT_EQ(colours[static_cast<size_t>(top * 9 + x)], expected) << name << " " << x << "," << top;
            }
    }
}

TEST(ExportFrame, EveryFormatKeepsTheIndicesAndThePalette)
{
    TempDir dir;
    const CPalette palette = TestPalette();
    CDC6File doc;
    MakeSprite(doc, 37, 11);
    std::string error;
    for (const char* name : {"f.bmp", "f.gif", "f.tif", "f.pcx", "f.png", "f.tiff"}) {
        const auto path = dir / name;
        ASSERT_TRUE(ExportFrame(doc, 0, palette, path, ImageTypeFromExtension(path), error))
            << error;
        CImage back;
        ASSERT_TRUE(back.Load(path, ImageTypeFromExtension(path))) << name << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), 8) << name;
        ASSERT_GE(back.GetPalette().size(), 256u) << name;
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(back.GetPalette()[i].rgbRed, palette[i].rgbRed) << name << " entry " << i;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(back.GetBits(y)[x], (x + 2 * y) % 256) << name << " " << x << "," << y;
        // Only a PNG shows index 0 as transparent.
        EXPECT_EQ(back.GetTransIndex(), std::string(name) == "f.png" ? 0 : -1) << name;
    }

    // The PNG imports to the same indices.
    CDC6File again;
    again.NewDC6(1, 1);
    CImportQuestions questions;
    CImportResult result;
    ASSERT_TRUE(ImportImage(again, 0, 0, dir / "f.png", palette, questions, result, error))
        << error;
    DC6Frame original, imported;
    doc.GetDC6Frame(0, original);
    again.GetDC6Frame(0, imported);
    EXPECT_EQ(imported.m_ImageData, original.m_ImageData);

    // JPG has no palette: 24 bits of the palette's colours.
    const auto jpg = dir / "f.JPG";
    ASSERT_TRUE(ExportFrame(doc, 0, palette, jpg, ImageTypeFromExtension(jpg), error)) << error;
    CImage back;
    ASSERT_TRUE(back.Load(jpg, IMAGE_TYPE_JPG));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(back.GetWidth(), 37);

    EXPECT_FALSE(ExportFrame(doc, 0, palette, dir / "gone" / "f.bmp", IMAGE_TYPE_BMP, error));
    EXPECT_EQ(error.rfind("Could not save " + (dir / "gone" / "f.bmp").string(), 0), 0u) << error;
    EXPECT_FALSE(ExportFrame(doc, 1, palette, dir / "x.bmp", IMAGE_TYPE_BMP, error));
}

TEST(FramedSheet, PutsASplitPictureBackTogether)
{
    TempDir dir;
    const CPalette palette = TestPalette();
    CImage picture;
    picture.Create(600, 300, 8, IMAGE_TYPE_BMP);
    picture.SetPalette(palette.data(), 256);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 600; ++x)
            picture.GetBits(y)[x] = static_cast<uint8_t>(1 + (x * 7 + y * 3) % 255);
    ASSERT_TRUE(picture.Save(dir / "big.bmp", IMAGE_TYPE_BMP));
    CImage short_ = picture;
    short_.Crop(0, 0, 600, 200);
    ASSERT_TRUE(short_.Save(dir / "short.bmp", IMAGE_TYPE_BMP));

    CImportQuestions yes;
    yes.SplitOversized = yes.ImportAllImages = yes.InsertImages = [] { return true; };
    CImportResult result;
    std::string error;
    CDC6File doc;
    doc.NewDC6(1, 1);
    ASSERT_TRUE(ImportImage(doc, 0, 0, dir / "big.bmp", palette, yes, result, error)) << error;

    CImage sheet;
    std::string message;
    ASSERT_EQ(ComposeFramedSheet(doc, {0, 3, 2}, palette, sheet, message), SheetResult::Ok)
        << message;
    ASSERT_EQ(sheet.GetWidth(), 600);
    ASSERT_EQ(sheet.GetHeight(), 300);
    for (int y = 0; y < 300; ++y)
        ASSERT_EQ(0, std::memcmp(sheet.GetBits(y), picture.GetBits(y), 600)) << "row " << y;

    // Three frames 200 high: the first is not a full cell.
    CDC6File low;
    low.NewDC6(1, 1);
    ASSERT_TRUE(ImportImage(low, 0, 0, dir / "short.bmp", palette, yes, result, error)) << error;
    EXPECT_EQ(ComposeFramedSheet(low, {0, 3, 1}, palette, sheet, message),
              SheetResult::NotFullSized);
    EXPECT_EQ(message, "DC6 Not a full sized image");
}

TEST(FramedSheet, LayoutAndRefusals)
{
    const CPalette palette = TestPalette();
    CDC6File doc;
    doc.NewDC6(1, 5);
    for (int i = 0; i < 4; ++i) {
        doc.ResizeFrame(i, 256, 256);
        doc.SetFramePixel(i, 0, 255, static_cast<uint8_t>(10 + i)); // top left
    }
    CImage sheet;
    std::string message;
    ASSERT_EQ(ComposeFramedSheet(doc, CSheetLayout{}, palette, sheet, message), SheetResult::Ok);
    ASSERT_EQ(sheet.GetWidth(), 512);
    ASSERT_EQ(sheet.GetHeight(), 512);
    // Rows from the bottom: frame 0 top left, 1 top right, 2 and 3 below.
    EXPECT_EQ(sheet.GetBits(511)[0], 10);
    EXPECT_EQ(sheet.GetBits(511)[256], 11);
    EXPECT_EQ(sheet.GetBits(255)[0], 12);
    EXPECT_EQ(sheet.GetBits(255)[256], 13);
    EXPECT_EQ(sheet.GetPalette()[9].rgbBlue, 9);

    // Two frames from frame 3 on, but four wanted: nothing, and no message.
    EXPECT_EQ(ComposeFramedSheet(doc, {3, 2, 2}, palette, sheet, message),
              SheetResult::NotEnoughFrames);
    EXPECT_EQ(message, "");

    // Frame 4 is 10 x 10: it cannot be a top row frame of a 2 x 1 sheet...
    EXPECT_EQ(ComposeFramedSheet(doc, {3, 2, 1}, palette, sheet, message), SheetResult::DoesNotFit);
    EXPECT_EQ(message, "Frame 4 (10 x 10) does not fit the sheet: the bottom row's frames must be "
                       "as high as each other");
    // ...and a frame of 256 x 255 first is not full sized.
    doc.ResizeFrame(0, 256, 255);
    EXPECT_EQ(ComposeFramedSheet(doc, {0, 1, 1}, palette, sheet, message),
              SheetResult::NotFullSized);
    doc.ResizeFrame(0, 256, 256);
    doc.ResizeFrame(1, 200, 256);
    EXPECT_EQ(ComposeFramedSheet(doc, {0, 3, 1}, palette, sheet, message), SheetResult::DoesNotFit);
    EXPECT_EQ(message.rfind("Frame 1 (200 x 256)", 0), 0u) << message;

    for (const CSheetLayout& bad : {CSheetLayout{0, 0, 2}, CSheetLayout{0, 11, 1},
                                    CSheetLayout{-1, 1, 1}, CSheetLayout{5, 1, 1}})
        EXPECT_EQ(ComposeFramedSheet(doc, bad, palette, sheet, message), SheetResult::BadLayout);
}
