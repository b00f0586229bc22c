// Palette files: every format read and written, the blue-green-red rule for
// raw files, short palettes, refusals, the catalogue's own reading, and where
// named palettes are found.

#include "BmpPcxPictures.h"
#include "Image.h"
#include "PaletteFormats.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using testutil::Bytes;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// Entry i is (red, green, blue) = (i, 255 - i, 7i mod 256).
CPalette Distinct()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] =
            RGBQUAD{static_cast<uint8_t>(i * 7 % 256), static_cast<uint8_t>(255 - i),
                    static_cast<uint8_t>(i), 1};
    return palette;
}

Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

bool Same(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue &&
           a.rgbReserved == b.rgbReserved;
}

::testing::AssertionResult SamePalette(const CPalette& actual, const CPalette& expected)
{
    for (size_t i = 0; i < actual.size(); ++i) {
        if (!Same(actual[i], expected[i]))
            return ::testing::AssertionFailure()
                   << "entry " << i << " is (" << int{actual[i].rgbRed} << ", "
                   << int{actual[i].rgbGreen} << ", " << int{actual[i].rgbBlue} << ", "
                   << int{actual[i].rgbReserved} << ")";
    }
    return ::testing::AssertionSuccess();
}

// The first colours given (red, green, blue), every other entry black.
CPalette Leading(std::initializer_list<bmppcx::Rgb> colours)
{
    CPalette palette;
    palette.fill(RGBQUAD{0, 0, 0, 1});
    size_t i = 0;
    for (const bmppcx::Rgb& c : colours)
        palette[i++] = RGBQUAD{static_cast<uint8_t>(c[2]), static_cast<uint8_t>(c[1]),
                               static_cast<uint8_t>(c[0]), 1};
    return palette;
}

// A RIFF palette of `colours` entries (red = green = blue = 40 + i); its
// data chunk may claim another count.
Bytes RiffPalette(int colours, int claimed)
{
    testutil::ByteBuilder data;
    data.U8({'R', 'I', 'F', 'F'}).I32(4 + 8 + 4 + 4 * colours);
    data.U8({'P', 'A', 'L', ' ', 'd', 'a', 't', 'a'}).I32(4 + 4 * colours);
    data.U8({0x00, 0x03, static_cast<uint8_t>(claimed), static_cast<uint8_t>(claimed >> 8)});
    for (int i = 0; i < colours; ++i) {
        const auto v = static_cast<uint8_t>(40 + i);
        data.U8({v, v, v, 0});
    }
    return data.Get();
}

// 768 bytes counting up from `first`, and the 772-byte form with a trailer.
Bytes Counting(uint8_t first, size_t size = 768)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

Bytes WithTrailer(Bytes bytes, uint16_t count, uint16_t transparent)
{
    bytes.resize(768);
    bytes.insert(bytes.end(),
                 {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count),
                  static_cast<uint8_t>(transparent >> 8), static_cast<uint8_t>(transparent)});
    return bytes;
}

// A BMP of one pixel with two colours, (10, 20, 30) first, padded with
// zeros to the 768 bytes of a raw palette.
Bytes PaletteSizedBmp()
{
    testutil::ByteBuilder bmp;
    bmp.U8({'B', 'M'}).I32(768).I32(0).I32(14 + 40 + 8);
    bmp.I32(40).I32(1).I32(1).U8({1, 0, 8, 0}).I32(0).I32(4).I32(0).I32(0).I32(2).I32(0);
    bmp.U8({30, 20, 10, 0, 60, 50, 40, 0}).U8({1, 0, 0, 0});
    Bytes bytes = bmp.Get();
    bytes.resize(768);
    return bytes;
}

} // namespace

TEST(PaletteFormatsTest, EveryWrittenFormatReadsBackExactlyWhateverItsName)
{
    TempDir dir;
    const struct {
        PaletteFormat format;
        const char* name;
    } cases[] = {
        {PaletteFormat::Raw, "game.pal"},   {PaletteFormat::Act, "colours.act"},
        {PaletteFormat::Jasc, "paint.pal"}, {PaletteFormat::Gpl, "gimp.gpl"},
        {PaletteFormat::Riff, "riff.pal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        ASSERT_TRUE(WritePalette(dir / c.name, Distinct(), c.format, error)) << error;
        // Content decides: the same bytes under a name that says nothing.
        const Bytes bytes = testutil::ReadFile(dir / c.name);
        for (const std::string& name : {std::string(c.name), std::string("misnamed.bin")}) {
            CPaletteFile read;
            ASSERT_TRUE(DecodePalette(bytes, name, RawPalettes::Exact, read, error)) << error;
            EXPECT_TRUE(SamePalette(read.palette, Distinct())) << name;
            EXPECT_EQ(read.format, c.format) << name;
            EXPECT_EQ(read.nColours, 256);
        }
    }
    // GIMP's own layout: a name taken from the file name, aligned numbers.
    const Bytes gpl = testutil::ReadFile(dir / "gimp.gpl");
    EXPECT_TRUE(
        std::string(gpl.begin(), gpl.end())
            .starts_with("GIMP Palette\nName: gimp\nColumns: 16\n#\n  0 255   0\tIndex 0\n"));
    EXPECT_EQ(PaletteFormatFromName("jasc"), PaletteFormat::Jasc);
    EXPECT_EQ(PaletteFormatFromName("image"), std::nullopt);
    EXPECT_EQ(PaletteFormatFromExtension("x.DAT"), PaletteFormat::Raw);
    EXPECT_EQ(PaletteFormatFromExtension("x.txt"), std::nullopt);
}

TEST(PaletteFormatsTest, RawFilesAreBlueGreenRedUnlessNamedAct)
{
    const Bytes counting = Counting(10); // entry 0 holds 10, 11, 12
    Bytes bitmapLike = counting;         // "BM" but no picture
    bitmapLike[0] = 'B';
    bitmapLike[1] = 'M';
    const struct {
        const char* name;
        Bytes bytes;
        PaletteFormat format;
        bmppcx::Rgb first; // red, green, blue of entry 0
        int colours;
    } cases[] = {
        {"pal.dat", counting, PaletteFormat::Raw, {12, 11, 10}, 256},
        {"units.pal", counting, PaletteFormat::Raw, {12, 11, 10}, 256},
        {"noextension", counting, PaletteFormat::Raw, {12, 11, 10}, 256},
        {"colours.act", counting, PaletteFormat::Act, {10, 11, 12}, 256},
        {"COLOURS.ACT", counting, PaletteFormat::Act, {10, 11, 12}, 256},
        {"looks-like.bmp", bitmapLike, PaletteFormat::Raw, {12, 'M', 'B'}, 256},
        // A palette's first colours may make a picture that reads: only the
        // extension tells the two apart.
        {"bitmap.pal", PaletteSizedBmp(), PaletteFormat::Raw, {0, 'M', 'B'}, 256},
        {"bitmap.bmp", PaletteSizedBmp(), PaletteFormat::Image, {10, 20, 30}, 256},
        // The trailer of 772 bytes shows an Adobe table whatever the name.
        {"trailer.pal", WithTrailer(counting, 16, 0xFFFF), PaletteFormat::Act, {10, 11, 12}, 16},
        {"trailer.act", WithTrailer(counting, 256, 3), PaletteFormat::Act, {10, 11, 12}, 256},
        {"zero.act", WithTrailer(counting, 0, 0xFFFF), PaletteFormat::Act, {10, 11, 12}, 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPaletteFile read;
        std::string error;
        ASSERT_TRUE(DecodePalette(c.bytes, c.name, RawPalettes::Exact, read, error)) << error;
        EXPECT_EQ(read.format, c.format);
        EXPECT_EQ(read.nColours, c.colours);
        EXPECT_EQ((bmppcx::Rgb{read.palette[0].rgbRed, read.palette[0].rgbGreen,
                               read.palette[0].rgbBlue}),
                  c.first);
        EXPECT_EQ(read.palette[0].rgbReserved, 1);
        if (c.colours < 256) {
            EXPECT_TRUE(Same(read.palette[static_cast<size_t>(c.colours)], RGBQUAD{0, 0, 0, 1}));
        }
    }
}

TEST(PaletteFormatsTest, IndexedPicturesGiveTheirColourTable)
{
    TempDir dir;
    for (const char* name : {"p.bmp", "p.gif", "p.pcx", "p.tif", "p.png"}) {
        SCOPED_TRACE(name);
        CImage image;
        ASSERT_TRUE(image.Create(4, 3, 8, ImageTypeFromExtension(name)));
        image.SetPalette(Distinct().data(), 256);
        ASSERT_TRUE(image.Save(dir / name, ImageTypeFromExtension(name)));
        CPaletteFile read;
        std::string error;
        ASSERT_TRUE(ReadPalette(dir / name, RawPalettes::Exact, read, error)) << error;
        EXPECT_EQ(read.format, PaletteFormat::Image);
        EXPECT_TRUE(SamePalette(read.palette, Distinct()));
    }

    // A 4-bit picture that ImageMagick wrote: its 16 colours, then black.
    CPaletteFile read;
    std::string error;
    const auto file = testutil::DataDir() / "images" / "bmp-pcx" / "bmp4-v5.bmp";
    ASSERT_TRUE(ReadPalette(file, RawPalettes::Exact, read, error)) << error;
    EXPECT_EQ(read.nColours, 16);
    std::set<bmppcx::Rgb> colours;
    for (int i = 0; i < 16; ++i)
        colours.insert({read.palette[i].rgbRed, read.palette[i].rgbGreen, read.palette[i].rgbBlue});
    EXPECT_EQ(colours, std::set<bmppcx::Rgb>(std::begin(bmppcx::kCols), std::end(bmppcx::kCols)));
    EXPECT_EQ(ShortPaletteNote("bmp4-v5.bmp", read),
              "bmp4-v5.bmp has 16 colours; entries 16 to 255 are black");

    // Pictures of more bits have no table to give.
    for (const char* name : {"true.png", "true.jpg"}) {
        CImage image;
        ASSERT_TRUE(image.Create(4, 3, 24, ImageTypeFromExtension(name)));
        ASSERT_TRUE(image.Save(dir / name, ImageTypeFromExtension(name)));
        EXPECT_FALSE(ReadPalette(dir / name, RawPalettes::Exact, read, error)) << name;
        EXPECT_NE(error.find("without a colour table"), std::string::npos) << error;
    }
}

TEST(PaletteFormatsTest, ShortPalettesAreFilledWithBlackAndSaySo)
{
    // As paint programs write them, by hand: CR LF, a byte order mark,
    // GIMP's header fields, comments, blank lines and colour names.
    const Bytes jasc = Text("JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n0 128 255\r\n");
    const Bytes jascBom = Text("\xEF\xBB\xBFJASC-PAL\n0100\n2\n255 0 0\n0 128 255\n\n");
    const Bytes gpl = Text("GIMP Palette\nName: Sample\nColumns: 4\n#\n# a comment\n"
                           "255   0   0\tRed\n\n  0 128 255 Sky blue\n");
    const Bytes oldGpl = Text("GIMP Palette\n255 0 0\n0 128 255\n");
    Bytes act = WithTrailer(Bytes(768, 0), 2, 0xFFFF);
    act[0] = 255;
    act[4] = 128;
    act[5] = 255;
    const CPalette two = Leading({{255, 0, 0}, {0, 128, 255}});
    const struct {
        const char* name;
        Bytes bytes;
        CPalette expected;
        int colours;
    } cases[] = {
        {"paint.pal", jasc, two, 2},
        {"bom.pal", jascBom, two, 2},
        {"sample.gpl", gpl, two, 2},
        {"old.gpl", oldGpl, two, 2},
        {"trailer.act", act, two, 2},
        {"riff.pal", RiffPalette(3, 3), Leading({{40, 40, 40}, {41, 41, 41}, {42, 42, 42}}), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPaletteFile read;
        std::string error;
        ASSERT_TRUE(DecodePalette(c.bytes, c.name, RawPalettes::Exact, read, error)) << error;
        EXPECT_EQ(read.nColours, c.colours);
        EXPECT_TRUE(SamePalette(read.palette, c.expected));
        EXPECT_EQ(ShortPaletteNote(c.name, read),
                  std::string(c.name) + " has " + std::to_string(c.colours) + " colours; entries " +
                      std::to_string(c.colours) + " to 255 are black");
    }
}

TEST(PaletteFormatsTest, MalformedPalettesAreRefusedNamingTheFileAndTheProblem)
{
    std::string manyLines = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i)
        manyLines += "1 2 3\n";
    Bytes shortRiff = RiffPalette(2, 3);
    Bytes pastEnd = RiffPalette(2, 2);
    pastEnd.resize(pastEnd.size() - 1);
    Bytes noData = RiffPalette(2, 2);
    noData[12] = 'l'; // the data chunk becomes "lata"
    Bytes brokenPng = Counting(0, 900);
    std::copy_n("\x89PNG\r\n\x1A\n", 8, brokenPng.begin());
    const struct {
        const char* name;
        Bytes bytes;
        const char* problem;
    } cases[] = {
        {"big.pal", Text("JASC-PAL\r\n0100\r\n300\r\n"),
         "it has 300 colours, and a palette has at most 256"},
        {"version.pal", Text("JASC-PAL\n0200\n1\n1 2 3\n"),
         "line 2 is not the JASC-PAL version 0100"},
        {"count.pal", Text("JASC-PAL\n0100\nmany\n"),
         "line 3 is not a number of colours: \"many\""},
        {"two.pal", Text("JASC-PAL\n0100\n2\n1 2\n4 5 6\n"),
         "line 4 is not three numbers from 0 to 255"},
        {"range.pal", Text("JASC-PAL\n0100\n1\n1 256 3\n"), "line 4 is not three numbers"},
        {"sign.pal", Text("JASC-PAL\n0100\n1\n1 -2 3\n"), "line 4 is not three numbers"},
        {"four.pal", Text("JASC-PAL\n0100\n1\n1 2 3 4\n"), "line 4 is not three numbers"},
        {"cut.pal", Text("JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n"),
         "it ends after 2 of the 3 colours it announces"},
        {"more.pal", Text("JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n"),
         "line 5 comes after the last colour (it announces 1): \"4 5 6\""},
        {"many.gpl", Text(manyLines), "it has more than 256 colours"},
        {"empty.gpl", Text("GIMP Palette\nName: x\n# nothing\n"), "it holds no colours"},
        {"word.gpl", Text("GIMP Palette\n1 2 3\n12 x 3 name\n"), "line 3 is not three numbers"},
        {"glued.gpl", Text("GIMP Palette\n1 2 3name\n"), "line 2 is not three numbers"},
        {"short.pal", shortRiff, "its data chunk is shorter than the 3 colours it announces"},
        {"end.pal", pastEnd, "its \"data\" chunk runs past the end of the file"},
        {"nodata.pal", noData, "it is a RIFF palette without a data chunk"},
        {"none.pal", RiffPalette(0, 0), "its data chunk gives 0 colours"},
        {"huge.pal", RiffPalette(2, 257), "its data chunk gives 257 colours"},
        {"small.pal", Counting(0, 767),
         "it is neither JASC-PAL text, nor a RIFF palette, nor a raw palette of 768 bytes (it has "
         "767 bytes)"},
        {"long.dat", Counting(0, 769), "(it has 769 bytes)"},
        {"odd.act", Counting(0, 700), "it has 700 bytes, and an Adobe colour table has 768 or 772"},
        {"badtrailer.act", WithTrailer(Counting(0), 300, 0xFFFF),
         "its trailer does not give 1 to 256 colours"},
        {"gimp.gpl", Text("GIMP\n1 2 3\n"), "it does not begin with \"GIMP Palette\""},
        {"notes.txt", Text("hello\n"), "in no palette format known here"},
        {"picture.png", Text("hello\n"), "it is not a picture of the kind its extension names"},
        {"broken.png", brokenPng, "it cannot be read as a picture"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPaletteFile read;
        read.nColours = -1;
        std::string error;
        EXPECT_FALSE(DecodePalette(c.bytes, c.name, RawPalettes::Exact, read, error));
        EXPECT_TRUE(error.starts_with("Cannot read the palette " + std::string(c.name) + ": "))
            << error;
        EXPECT_NE(error.find(c.problem), std::string::npos) << error;
        EXPECT_EQ(read.nColours, -1) << "the result is left alone";
    }

    TempDir dir;
    CPaletteFile read;
    std::string error;
    EXPECT_FALSE(ReadPalette(dir / "missing.pal", RawPalettes::Exact, read, error));
    EXPECT_TRUE(error.starts_with("Cannot read the palette " + (dir / "missing.pal").string()))
        << error;
    EXPECT_FALSE(ReadPalette(dir.Path(), RawPalettes::Exact, read, error)) << "a folder";
}

TEST(PaletteFormatsTest, CatalogueFilesMayBeShortOrLongOrInAnotherFormat)
{
    TempDir dir;
    WriteFile(dir / "short.pal", {10, 20, 30, 40});
    WriteFile(dir / "long.pal", Counting(5, 800));
    WriteFile(dir / "text.pal", Text("JASC-PAL\n0100\n1\n1 2 3\n"));
    WriteFile(dir / "broken.pal", Text("JASC-PAL\n0100\n1\n1 2\n"));
    const struct {
        const char* name;
        int result;
        RGBQUAD entry0;
        RGBQUAD entry1;
    } cases[] = {
        // The bytes a short file lacks count as zeros.
        {"short.pal", 1, {10, 20, 30, 1}, {40, 0, 0, 1}},
        {"long.pal", 1, {5, 6, 7, 1}, {8, 9, 10, 1}},
        {"text.pal", 1, {3, 2, 1, 1}, {0, 0, 0, 1}},
        // Neither a text palette that cannot be read nor a missing file
        // touches the table.
        {"broken.pal", 0, {99, 99, 99, 99}, {99, 99, 99, 99}},
        {"missing.pal", 0, {99, 99, 99, 99}, {99, 99, 99, 99}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPalette table;
        table.fill(RGBQUAD{99, 99, 99, 99});
        EXPECT_EQ(ReadPaletteFile(dir / c.name, table.data(), 256), c.result);
        EXPECT_TRUE(Same(table[0], c.entry0));
        EXPECT_TRUE(Same(table[1], c.entry1));
    }
}

namespace {

// Sets an environment variable for the life of the object.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const char* value) : m_strName(name)
    {
        if (const char* old = std::getenv(name))
            m_Old = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~CScopedEnv()
    {
        if (m_Old)
            ::setenv(m_strName.c_str(), m_Old->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
    }

private:
    std::string m_strName;
    std::optional<std::string> m_Old;
};

} // namespace

TEST(PaletteFormatsTest, TheUserPaletteFolderFollowsXdgDataHome)
{
    const struct {
        const char* xdg;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/data", "/home/me", "/data/spritewright/pal"},
        {nullptr, "/home/me", "/home/me/.local/share/spritewright/pal"},
        {"", "/home/me", "/home/me/.local/share/spritewright/pal"},
        {"relative/data", "/home/me", "/home/me/.local/share/spritewright/pal"},
    };
    for (const auto& c : cases) {
        CScopedEnv xdg("XDG_DATA_HOME", c.xdg);
        CScopedEnv home("HOME", c.home);
        EXPECT_EQ(UserPaletteFolder(), std::filesystem::path(c.folder))
            << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(PaletteFormatsTest, NamesAreLookedUpInTheCatalogueThenTheUserFolderThenAsPaths)
{
    TempDir dir;
    const auto catalogue = dir / "data";
    const auto user = dir / "user";
    std::filesystem::create_directories(catalogue);
    std::filesystem::create_directories(user / "folder.pal");
    WriteFile(catalogue / "palettes.ini", Text("units\r\nact1\r\n"));
    WriteFile(catalogue / "units.pal", Counting(1));
    WriteFile(catalogue / "act1.pal", Counting(2));
    WriteFile(user / "Game.act", Counting(3));
    WriteFile(user / "act1", Counting(4)); // hidden behind the catalogue's act1
    WriteFile(user / "mine.gpl", Text("GIMP Palette\n9 8 7\n"));
    WriteFile(user / ".hidden.pal", Counting(5));
    WriteFile(dir / "elsewhere.pal", Text("JASC-PAL\n0100\n1\n6 6 6\n"));

    EXPECT_EQ(ListUserPalettes(user), (std::vector<std::string>{"act1", "Game.act", "mine.gpl"}));
    EXPECT_TRUE(ListUserPalettes(dir / "nothing").empty());

    const struct {
        std::string name;
        std::filesystem::path file;
        uint8_t red0;
    } cases[] = {
        {"", catalogue / "units.pal", 3},
        {"act1", catalogue / "act1.pal", 4},
        {"Game.act", user / "Game.act", 3},
        {"mine.gpl", user / "mine.gpl", 9},
        {(dir / "elsewhere.pal").string(), dir / "elsewhere.pal", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPaletteFile read;
        std::filesystem::path file;
        std::string error;
        ASSERT_TRUE(ResolvePalette(c.name, catalogue, user, read, file, error)) << error;
        EXPECT_EQ(file, c.file);
        EXPECT_EQ(read.palette[0].rgbRed, c.red0);
    }

    CPaletteFile read;
    std::filesystem::path file;
    std::string error;
    EXPECT_FALSE(ResolvePalette("game", catalogue, user, read, file, error));
    EXPECT_EQ(error, "No palette named \"game\" in the catalogue " +
                         (catalogue / "palettes.ini").string() + " or the user palettes in " +
                         user.string() + ", and no such file");
    std::filesystem::remove(catalogue / "palettes.ini");
    EXPECT_FALSE(ResolvePalette("", catalogue, user, read, file, error));
    EXPECT_TRUE(ResolvePalette("Game.act", catalogue, user, read, file, error)) << error;
}
