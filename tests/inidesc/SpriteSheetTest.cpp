// Sprite sheets with a JSON atlas: the layouts, the atlas as other programs
// read it, the round trip of real sprites, sheets that paint programs saved
// again, and atlases with faults.

#include "SpriteSheet.h"
#include "SpriteTestUtil.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

using testutil::TempDir;
using Json = nlohmann::ordered_json;

namespace {

// Two directions of two frames: direction 0's canvas is 15 x 25 with its
// top left at (0, -20), direction 1's 8 x 3 at (-2, -2).
void MakeWalk(CDC6File& doc)
{
    doc.NewDC6(2, 2);
    const int sizes[4][4] = {{10, 20, 0, 0}, {10, 10, 5, 5}, {4, 3, -2, 1}, {6, 2, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        doc.ResizeFrame(i, sizes[i][0], sizes[i][1]);
        doc.SetFrameOffsetX(i, sizes[i][2]);
        doc.SetFrameOffsetY(i, sizes[i][3]);
        for (int y = 0; y < sizes[i][1]; ++y)
            doc.SetFramePixel(i, y % sizes[i][0], y, static_cast<uint8_t>(10 * i + y + 1));
    }
}

std::string Text(const std::filesystem::path& path)
{
    const testutil::Bytes bytes = testutil::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::filesystem::path& path, const std::string& text)
{
    testutil::WriteFile(path, testutil::Bytes(text.begin(), text.end()));
}

void ExpectSameTermination(const CDC6File& a, const CDC6File& b, const std::string& what)
{
    DC6FileHeader ha{}, hb{};
    a.GetDC6FileHeader(ha);
    b.GetDC6FileHeader(hb);
    EXPECT_EQ(std::vector<uint8_t>(ha.m_cTermination, ha.m_cTermination + 4),
              std::vector<uint8_t>(hb.m_cTermination, hb.m_cTermination + 4))
        << what;
}

const char* const kCorpus[] = {"authoring.dc6",       "chrome.dc6",  "composition.dc6",
                               "cursors-markers.dc6", "large.dc6",   "medium.dc6",
                               "small.dc6",           "utility.dc6", "very_small.dc6"};

} // namespace

TEST(SpriteSheet, LayoutsPlaceEveryCell)
{
    struct Case {
        SheetLayout layout;
        SheetCanvas canvas;
        int padding;
        int width, height;
        CAtlasRect rects[4];
    };
    const Case cases[] = {
        // A row of 15 x 25 cells and one of 8 x 3, a pixel apart; each frame
        // at its place in its canvas.
        {SheetLayout::Rows,
         SheetCanvas::Registered,
         1,
         31,
         29,
         {{0, 0, 10, 20}, {21, 15, 10, 10}, {0, 26, 4, 3}, {11, 26, 6, 2}}},
        {SheetLayout::Columns,
         SheetCanvas::Registered,
         0,
         23,
         50,
         {{0, 0, 10, 20}, {5, 40, 10, 10}, {15, 0, 4, 3}, {17, 3, 6, 2}}},
        {SheetLayout::Rows,
         SheetCanvas::Trimmed,
         0,
         20,
         23,
         {{0, 0, 10, 20}, {10, 0, 10, 10}, {0, 20, 4, 3}, {4, 20, 6, 2}}},
        {SheetLayout::Columns,
         SheetCanvas::Trimmed,
         2,
         18,
         32,
         {{0, 0, 10, 20}, {0, 22, 10, 10}, {12, 0, 4, 3}, {12, 5, 6, 2}}},
        // Tallest first, on shelves as wide as the narrowest sheet that is
        // no higher than wide.
        {SheetLayout::Packed,
         SheetCanvas::Trimmed,
         0,
         20,
         23,
         {{0, 0, 10, 20}, {10, 0, 10, 10}, {0, 20, 4, 3}, {4, 20, 6, 2}}},
        {SheetLayout::Packed,
         SheetCanvas::Registered,
         0,
         30,
         28,
         {{0, 0, 10, 20}, {20, 15, 10, 10}, {0, 25, 4, 3}, {10, 25, 6, 2}}},
    };
    CDC6File doc;
    MakeWalk(doc);
    const CPalette palette = DistinctPalette();
    for (const Case& c : cases) {
        const std::string what = "layout " + std::to_string(static_cast<int>(c.layout)) +
                                 " canvas " + std::to_string(static_cast<int>(c.canvas));
        CSheetOptions options;
        options.layout = c.layout;
        options.canvas = c.canvas;
        options.nPadding = c.padding;
        CImage sheet;
        CSheetAtlas atlas;
        std::string error;
        ASSERT_TRUE(ComposeSpriteSheet(doc, palette, options, sheet, atlas, error)) << error;
        EXPECT_EQ(sheet.GetWidth(), c.width) << what;
        EXPECT_EQ(sheet.GetHeight(), c.height) << what;
        EXPECT_EQ(atlas.nWidth, c.width) << what;
        ASSERT_EQ(atlas.frames.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            const CAtlasRect& r = atlas.frames[i].frame;
            EXPECT_EQ(
                (std::vector<int64_t>{r.x, r.y, r.w, r.h}),
                (std::vector<int64_t>{c.rects[i].x, c.rects[i].y, c.rects[i].w, c.rects[i].h}))
                << what << " frame " << i;
        }
        // Frame 1's top row (its last from the bottom) holds 20 in its last
        // column.
        const CAtlasRect& r = atlas.frames[1].frame;
        EXPECT_EQ(sheet.GetBits(static_cast<int>(sheet.GetHeight() - 1 - r.y))[r.x + 9], 20)
            << what;
    }
}

TEST(SpriteSheet, AtlasFollowsTheArrayFormWithTheSpritesOwnKeys)
{
    TempDir dir;
    CDC6File doc;
    MakeWalk(doc);
    CSheetOptions options;
    options.canvas = SheetCanvas::Trimmed;
    options.nFramesPerSecond = 12;
    std::filesystem::create_directory(dir / "atlas");
    std::string error;
    ASSERT_TRUE(ExportSpriteSheet(doc, DistinctPalette(), options, dir / "walk.png",
                                  dir / "atlas" / "walk.json", error))
        << error;
    const Json atlas = Json::parse(Text(dir / "atlas" / "walk.json"));
    ASSERT_EQ(atlas["frames"].size(), 4u);
    EXPECT_EQ(atlas["frames"][1], Json::parse(R"({"filename": "00_0001",
        "frame": {"x": 10, "y": 0, "w": 10, "h": 10}, "rotated": false, "trimmed": true,
        "spriteSourceSize": {"x": 5, "y": 15, "w": 10, "h": 10},
        "sourceSize": {"w": 15, "h": 25}, "duration": 83,
        "offset": {"x": 5, "y": 5}, "origin": {"x": 0, "y": -20}})"));
    EXPECT_EQ(atlas["frames"][0]["trimmed"], Json(true)) << "narrower than its canvas";
    EXPECT_EQ(atlas["frames"][2]["filename"], "01_0000");
    const Json& meta = atlas["meta"];
    EXPECT_EQ(meta["app"], "Spritewright");
    EXPECT_EQ(meta["image"], "../walk.png") << "as the atlas's folder sees it";
    EXPECT_EQ(meta["format"], "I8");
    EXPECT_EQ(meta["size"], Json::parse(R"({"w": 20, "h": 23})"));
    EXPECT_EQ(meta["scale"], "1");
    EXPECT_EQ(meta["directions"], 2);
    EXPECT_EQ(meta["framesPerDirection"], 2);
    EXPECT_EQ(meta["termination"], "cdcdcdcd");
    EXPECT_EQ(meta["frameTags"][1],
              Json::parse(R"({"name": "01", "from": 2, "to": 3, "direction": "forward"})"));

    CImage sheet;
    ASSERT_TRUE(sheet.Load(dir / "walk.png", IMAGE_TYPE_PNG));
    EXPECT_EQ(sheet.GetBpp(), 8);
    EXPECT_EQ(sheet.GetTransIndex(), 0);
}

TEST(SpriteSheet, AnAtlasWithOnlyTheNeededKeysReadsAndWritesTheSame)
{
    // Another writer may leave out what a sprite does not need.
    TempDir dir;
    CDC6File walk;
    MakeWalk(walk);
    const CPalette palette = DistinctPalette();
    std::string error;
    ASSERT_TRUE(ExportSpriteSheet(walk, palette, {}, dir / "walk.png", dir / "walk.json", error));
    Json atlas = Json::parse(Text(dir / "walk.json"));
    for (Json& frame : atlas["frames"])
        for (const char* key :
             {"rotated", "trimmed", "spriteSourceSize", "sourceSize", "duration", "origin"})
            frame.erase(key);
    for (const char* key : {"app", "version", "image", "format", "scale", "frameTags"})
        atlas["meta"].erase(key);
    WriteText(dir / "plain.json", atlas.dump());
    CDC6File back;
    ASSERT_TRUE(ImportSpriteSheet(dir / "walk.png", dir / "plain.json", palette, back, error))
        << error;
    ExpectSameSprite(walk, back, "plain");

    // Each frame is then its own source, its origin where its offsets put
    // it; written out, that reads the same.
    CSheetAtlas read, again;
    ASSERT_TRUE(ReadSheetAtlasFile(dir / "plain.json", read, error)) << error;
    EXPECT_EQ(read.frames[1].spriteSource, (CAtlasRect{0, 0, 10, 10}));
    EXPECT_EQ(read.frames[1].nOriginY, -5);
    EXPECT_FALSE(read.frames[1].bTrimmed);
    ASSERT_TRUE(ReadSheetAtlas(WriteSheetAtlas(read), again, error)) << error;
    EXPECT_TRUE(again == read);
}

TEST(SpriteSheet, RealSpritesComeBackIndexForIndexInEveryLayoutAndCanvas)
{
    // Their palette holds some colours more than once; their termination
    // bytes are not the ones this program writes.
    TempDir dir;
    CPalette palette{};
    ASSERT_EQ(ReadPaletteFile(testutil::DataDir() / "dc6" / "palette.dat", palette.data(), 256), 1);
    for (const char* name : kCorpus) {
        CDC6File doc;
        std::string repaired;
        ASSERT_TRUE(doc.LoadDC6Repaired(testutil::DataDir() / "dc6" / name, repaired))
            << doc.GetLastErrorText();
        for (const SheetLayout layout :
             {SheetLayout::Rows, SheetLayout::Columns, SheetLayout::Packed}) {
            for (const SheetCanvas canvas : {SheetCanvas::Registered, SheetCanvas::Trimmed}) {
                CSheetOptions options;
                options.layout = layout;
                options.canvas = canvas;
                options.nPadding = canvas == SheetCanvas::Trimmed ? 1 : 0;
                const std::string what = std::string(name) + " layout " +
                                         std::to_string(static_cast<int>(layout)) + " canvas " +
                                         std::to_string(static_cast<int>(canvas));
                std::string error;
                ASSERT_TRUE(ExportSpriteSheet(doc, palette, options, dir / "sheet.png",
                                              dir / "sheet.json", error))
                    << what << ": " << error;
                CDC6File back;
                ASSERT_TRUE(
                    ImportSpriteSheet(dir / "sheet.png", dir / "sheet.json", palette, back, error))
                    << what << ": " << error;
                ExpectSameSprite(doc, back, what);
                ExpectSameTermination(doc, back, what);
            }
        }
    }
}

TEST(SpriteSheet, EveryIndexedTypeComesBackAndJpegIsRefused)
{
    TempDir dir;
    CDC6File doc;
    MakeSprite(doc, 3, 4, 7);
    const CPalette palette = DistinctPalette();
    for (const char* extension : {"bmp", "gif", "tif", "pcx"}) {
        const auto sheet = dir / ("walk." + std::string(extension));
        std::string error;
        ASSERT_TRUE(ExportSpriteSheet(doc, palette, {}, sheet, dir / "walk.json", error)) << error;
        CImage picture;
        ASSERT_TRUE(picture.Load(sheet, ImageTypeFromExtension(sheet)));
        EXPECT_EQ(picture.GetBpp(), 8) << extension;
        CDC6File back;
        ASSERT_TRUE(ImportSpriteSheet(sheet, dir / "walk.json", palette, back, error)) << error;
        ExpectSameSprite(doc, back, extension);
    }
    std::string error;
    EXPECT_FALSE(ExportSpriteSheet(doc, palette, {}, dir / "walk.jpg", dir / "walk.json", error));
    EXPECT_EQ(error,
              "A sheet keeps its palette indices only as PNG, BMP, GIF, TIF or PCX, not JPG");
    EXPECT_FALSE(std::filesystem::exists(dir / "walk.jpg"));
}

TEST(SpriteSheet, SheetsSavedAgainWithTrueColourComeBackThroughTheColourRule)
{
    // A paint program that saves the sheet as RGB or RGBA: with colours
    // that stand once in the palette every index comes back; index 0 comes
    // back from its colour, or from transparency when its colour is taken.
    TempDir dir;
    CDC6File doc;
    MakeSprite(doc, 2, 3, 5);
    CPalette palette = DistinctPalette();
    std::string error;
    ASSERT_TRUE(ExportSpriteSheet(doc, palette, {}, dir / "walk.png", dir / "walk.json", error));
    for (const bool alpha : {false, true}) {
        CImage sheet;
        ASSERT_TRUE(sheet.Load(dir / "walk.png", IMAGE_TYPE_PNG));
        const CImage indexed = sheet;
        ASSERT_TRUE(sheet.IncreaseBpp(24));
        sheet.DeleteAlpha();
        if (alpha) {
            sheet.CreateAlpha();
            for (int y = 0; y < sheet.GetHeight(); ++y)
                for (int x = 0; x < sheet.GetWidth(); ++x)
                    if (indexed.GetBits(y)[x] == 0) {
                        sheet.GetAlphaBits(y)[x] = 0;
                        // The colour under transparency does not count.
                        std::fill_n(sheet.GetBits(y) + 3 * x, 3, 200);
                    }
        }
        ASSERT_TRUE(sheet.Save(dir / "rgb.png", IMAGE_TYPE_PNG));
        CImage saved;
        ASSERT_TRUE(saved.Load(dir / "rgb.png", IMAGE_TYPE_PNG));
        ASSERT_EQ(saved.GetBpp(), 24);
        ASSERT_EQ(saved.HasAlpha(), alpha);
        CDC6File back;
        ASSERT_TRUE(ImportSpriteSheet(dir / "rgb.png", dir / "walk.json", palette, back, error))
            << error;
        ExpectSameSprite(doc, back, alpha ? "RGBA" : "RGB");
    }
}

TEST(SpriteSheet, AtlasFaultsNameTheFrameAndLeaveTheSpriteAlone)
{
    TempDir dir;
    CDC6File walk;
    MakeWalk(walk);
    const CPalette palette = DistinctPalette();
    std::string error;
    ASSERT_TRUE(ExportSpriteSheet(walk, palette, {}, dir / "walk.png", dir / "walk.json", error));
    const Json good = Json::parse(Text(dir / "walk.json"));

    struct Case {
        const char* what;
        std::function<void(Json&)> edit;
        std::string message;
    };
    const Case cases[] = {
        {"the hash form",
         [](Json& a) {
             a["frames"] = Json::object({{"00_0000", a["frames"][0]}});
         },
         "The atlas's \"frames\" must be an array (the array form), not "
         "{\"00_0000\":{\"filename\":\"00_0000\",\"fra..."},
        {"no meta", [](Json& a) { a.erase("meta"); },
         "The atlas must be an object with \"frames\" and \"meta\""},
        {"a frame too few", [](Json& a) { a["frames"].erase(3); },
         "The atlas lists 3 frames, but its \"meta\" gives 2 directions of 2 frames (4)"},
        {"no directions", [](Json& a) { a["meta"].erase("directions"); },
         "The atlas's \"meta\": the key \"directions\" is missing"},
        {"directions 0", [](Json& a) { a["meta"]["directions"] = 0; },
         "The atlas's \"meta\": \"directions\" must be a whole number from 1 to 1048576, not 0"},
        {"too many frames",
         [](Json& a) {
             a["meta"]["directions"] = 2048;
             a["meta"]["framesPerDirection"] = 2048;
         },
         "The atlas's \"meta\": 2048 directions of 2048 frames are more than the limit of "
         "1048576 frames"},
        {"termination", [](Json& a) { a["meta"]["termination"] = "cdcdcdcg"; },
         "The atlas's \"meta\": \"termination\" must be the four termination bytes as 8 hex "
         "digits, not \"cdcdcdcg\""},
        {"scaled", [](Json& a) { a["meta"]["scale"] = "2"; },
         "The atlas's \"meta\": \"scale\" must be \"1\": a scaled sheet cannot be cut back into "
         "frames, not \"2\""},
        {"reordered", [](Json& a) { std::swap(a["frames"][1], a["frames"][2]); },
         "Atlas frame 1 (direction 0, frame 1): \"filename\" is \"01_0000\", not \"00_0001\": the "
         "frames must be listed direction by direction, in order"},
        {"no frame", [](Json& a) { a["frames"][2].erase("frame"); },
         "Atlas frame 2 (direction 1, frame 0): the key \"frame\" is missing"},
        {"no height", [](Json& a) { a["frames"][2]["frame"].erase("h"); },
         "Atlas frame 2 (direction 1, frame 0): the key \"frame.h\" is missing"},
        {"negative width", [](Json& a) { a["frames"][3]["frame"]["w"] = -6; },
         "Atlas frame 3 (direction 1, frame 1): \"frame.w\" must be a whole number from 1 to "
         "2147483647, not -6"},
        {"a number past 64 bits",
         [](Json& a) { a["frames"][3]["frame"]["x"] = 18446744073709551615u; },
         "Atlas frame 3 (direction 1, frame 1): \"frame.x\" must be a whole number from 0 to "
         "2147483647, not 18446744073709551615"},
        {"a fraction", [](Json& a) { a["frames"][0]["frame"]["y"] = 1.5; },
         "Atlas frame 0 (direction 0, frame 0): \"frame.y\" must be a whole number from 0 to "
         "2147483647, not 1.5"},
        {"a text", [](Json& a) { a["frames"][0]["offset"]["x"] = "3"; },
         "Atlas frame 0 (direction 0, frame 0): \"offset.x\" must be a whole number from "
         "-2147483648 to 2147483647, not \"3\""},
        {"an offset past 32 bits", [](Json& a) { a["frames"][0]["offset"]["y"] = 2147483648; },
         "Atlas frame 0 (direction 0, frame 0): \"offset.y\" must be a whole number from "
         "-2147483648 to 2147483647, not 2147483648"},
        {"rotated", [](Json& a) { a["frames"][1]["rotated"] = true; },
         "Atlas frame 1 (direction 0, frame 1): \"rotated\" must be false: a sprite's frames are "
         "never turned, not true"},
        {"resized in the source", [](Json& a) { a["frames"][1]["spriteSourceSize"]["w"] = 11; },
         "Atlas frame 1 (direction 0, frame 1): \"spriteSourceSize\" is 11 x 10, but \"frame\" is "
         "10 x 10"},
        {"outside its source", [](Json& a) { a["frames"][1]["sourceSize"]["w"] = 14; },
         "Atlas frame 1 (direction 0, frame 1): \"spriteSourceSize\" reaches outside the 14 x 25 "
         "of \"sourceSize\""},
        {"one size without the other", [](Json& a) { a["frames"][1].erase("sourceSize"); },
         "Atlas frame 1 (direction 0, frame 1): \"spriteSourceSize\" and \"sourceSize\" go "
         "together"},
        {"trimmed wrongly", [](Json& a) { a["frames"][1]["trimmed"] = false; },
         "Atlas frame 1 (direction 0, frame 1): \"trimmed\" must be true: the frame is smaller "
         "than its source"},
        {"moved offset", [](Json& a) { a["frames"][1]["offset"]["x"] = 6; },
         "Atlas frame 1 (direction 0, frame 1): \"origin\" is 0, -20, but \"offset\" and "
         "\"spriteSourceSize\" put the source's top left corner at 1, -20"},
        {"negative duration", [](Json& a) { a["frames"][0]["duration"] = -1; },
         "Atlas frame 0 (direction 0, frame 0): \"duration\" must be a whole number from 0 to "
         "2147483647, not -1"},
        {"a frame too large for a sprite",
         [](Json& a) {
             a["frames"][0]["frame"]["w"] = 16385;
             a["frames"][0]["frame"]["h"] = 16384;
         },
         "Atlas frame 0 (direction 0, frame 0): the frame is 16385 x 16384 pixels, more than the "
         "limit of 268435456 pixels a frame"},
        {"frames too large for a sprite",
         [](Json& a) {
             // Five frames of the largest size.
             Json frame = a["frames"][0];
             for (const char* key : {"spriteSourceSize", "sourceSize", "origin"})
                 frame.erase(key);
             frame["frame"] = {{"x", 0}, {"y", 0}, {"w", 16384}, {"h", 16384}};
             a["frames"] = Json::array();
             for (int f = 0; f < 5; ++f) {
                 frame["filename"] = AtlasFrameName(0, f);
                 a["frames"].push_back(frame);
             }
             a["meta"]["directions"] = 1;
             a["meta"]["framesPerDirection"] = 5;
         },
         "The atlas's frames up to frame 4 (00_0004) hold more than the limit of 1073741824 "
         "pixels a sprite"},
        // Checked against the sheet.
        {"another sheet", [](Json& a) { a["meta"]["size"]["w"] = 31; },
         "The atlas is for a sheet of 31 x 28 pixels, but the sheet is 30 x 28"},
        {"outside the sheet", [](Json& a) { a["frames"][3]["frame"]["y"] = 27; },
         "Atlas frame 3 (01_0001): its 6 x 2 rectangle at 10, 27 reaches outside the 30 x 28 "
         "sheet"},
    };
    for (const Case& c : cases) {
        Json atlas = good;
        c.edit(atlas);
        WriteText(dir / "broken.json", atlas.dump());
        CDC6File doc;
        MakeSprite(doc, 1, 2, 3);
        ASSERT_FALSE(ImportSpriteSheet(dir / "walk.png", dir / "broken.json", palette, doc, error))
            << c.what;
        EXPECT_EQ(error, (dir / "broken.json").string() + ": " + c.message) << c.what;
        CDC6File untouched;
        MakeSprite(untouched, 1, 2, 3);
        ExpectSameSprite(untouched, doc, c.what);
    }
    for (const auto& [text, message] :
         {std::pair<std::string, std::string>{
              "{\"frames\": [}",
              "The atlas is no JSON: parse error at line 1, column 13: syntax error while parsing "
              "value - unexpected '}'; expected '[', '{', or a literal"},
          {"", "The atlas is no JSON: parse error at line 1, column 1: syntax error while parsing "
               "value - unexpected end of input; expected '[', '{', or a literal"},
          {"[1, 2]", "The atlas must be an object with \"frames\" and \"meta\""}}) {
        WriteText(dir / "broken.json", text);
        CDC6File doc;
        EXPECT_FALSE(ImportSpriteSheet(dir / "walk.png", dir / "broken.json", palette, doc, error));
        EXPECT_EQ(error, (dir / "broken.json").string() + ": " + message);
    }
    CDC6File doc;
    EXPECT_FALSE(ImportSpriteSheet(dir / "missing.png", dir / "walk.json", palette, doc, error));
    EXPECT_EQ(error.rfind("Could not read the sheet " + (dir / "missing.png").string(), 0), 0u)
        << error;
    EXPECT_FALSE(ImportSpriteSheet(dir / "walk.png", dir / "missing.json", palette, doc, error));
    EXPECT_EQ(error, "Could not open the atlas " + (dir / "missing.json").string());
}

TEST(SpriteSheet, OptionsAndSizesOutOfRangeAreRefused)
{
    TempDir dir;
    CDC6File doc;
    MakeWalk(doc);
    CImage sheet;
    CSheetAtlas atlas;
    std::string error;
    CSheetOptions options;
    options.nPadding = kMaxSheetPadding + 1;
    EXPECT_FALSE(ComposeSpriteSheet(doc, DistinctPalette(), options, sheet, atlas, error));
    EXPECT_EQ(error, "The padding between cells is 0 to 256 pixels, not 257");
    options = {};
    options.nFramesPerSecond = 0;
    EXPECT_FALSE(ComposeSpriteSheet(doc, DistinctPalette(), options, sheet, atlas, error));
    EXPECT_EQ(error, "An animation plays at 1 to 100 frames a second, not 0");

    // Frames far apart make a canvas larger than a picture may be; trimmed
    // they fit.
    doc.SetFrameOffsetX(1, 1 << 30);
    options = {};
    EXPECT_FALSE(ComposeSpriteSheet(doc, DistinctPalette(), options, sheet, atlas, error));
    EXPECT_EQ(error, "The sheet would be 2147483668 x 28 pixels, more than the limit of "
                     "268435456 pixels a picture; a trimmed sheet needs no room around the "
                     "frames");
    options.canvas = SheetCanvas::Trimmed;
    EXPECT_TRUE(ComposeSpriteSheet(doc, DistinctPalette(), options, sheet, atlas, error)) << error;

    EXPECT_FALSE(ExportSpriteSheet(doc, DistinctPalette(), options, dir / "same.png",
                                   dir / "same.png", error));
    EXPECT_EQ(error,
              "The sheet and its atlas cannot be the same file " + (dir / "same.png").string());
}
