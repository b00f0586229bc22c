// spritewright-cli's palette verbs and the palettes --palette takes.

#include "DC6File.h"
#include "Image.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testutil::Bytes;
using testutil::ReadFile;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// 768 bytes whose byte k is k * 5 mod 256: as a raw palette, entry i has
// blue 15i, green 15i + 5, red 15i + 10 (mod 256).
Bytes Counting()
{
    Bytes bytes(768);
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<uint8_t>(k * 5);
    return bytes;
}

class CliPaletteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The programs started here look for user palettes in a folder of
        // the test's own.
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            m_OldXdg = old;
        ::setenv("XDG_DATA_HOME", (m_Dir / "xdg").c_str(), 1);
        std::filesystem::create_directories(UserPalettes());
        CDC6File doc;
        doc.NewDC6(1, 1);
        doc.ResizeFrame(0, 2, 1);
        doc.SetFramePixel(0, 1, 0, 9);
        ASSERT_TRUE(doc.SaveDC6(m_Dir / "sprite.dc6"));
    }

    void TearDown() override
    {
        if (m_OldXdg)
            ::setenv("XDG_DATA_HOME", m_OldXdg->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    std::filesystem::path UserPalettes() const { return m_Dir / "xdg" / "spritewright" / "pal"; }

    testutil::ProgramResult Run(const std::vector<std::string>& args) const
    {
        return RunProgram(SPRITEWRIGHT_CLI, args);
    }

    // Entry `index` of the palette the sprite's frame is exported with, as
    // (red, green, blue).
    std::array<int, 3> ExportedEntry(const std::string& palette, int index) const
    {
        const auto out = m_Dir / "frame.bmp";
        const auto r = Run(
            {"export-frame", (m_Dir / "sprite.dc6").string(), out.string(), "--palette", palette});
        EXPECT_EQ(r.status, 0) << r.err;
        CImage image;
        if (!image.Load(out, IMAGE_TYPE_BMP))
            return {-1, -1, -1};
        const RGBQUAD c = image.GetPalette().at(static_cast<size_t>(index));
        return {c.rgbRed, c.rgbGreen, c.rgbBlue};
    }

    TempDir m_Dir;
    std::optional<std::string> m_OldXdg;
};

} // namespace

TEST_F(CliPaletteTest, PalettesListsTheCatalogueThenTheUserFolder)
{
    WriteFile(UserPalettes() / "Game.act", Counting());
    WriteFile(UserPalettes() / "b.gpl", Text("GIMP Palette\n1 2 3\n"));
    const auto r = Run({"palettes"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bin = std::filesystem::path(SPRITEWRIGHT_CLI).parent_path();
    EXPECT_TRUE(r.out.starts_with("sprites\tcatalogue\t" +
                                  (bin / "data" / "pal" / "sprites.pal").string() + "\n"))
        << r.out;
    EXPECT_TRUE(r.out.ends_with("\nb.gpl\tuser\t" + (UserPalettes() / "b.gpl").string() +
                                "\nGame.act\tuser\t" + (UserPalettes() / "Game.act").string() +
                                "\n"))
        << r.out;
    EXPECT_EQ(Run({"palettes", "extra"}).status, 2);
}

TEST_F(CliPaletteTest, PaletteConvertsBetweenFormatsExactly)
{
    // The game's palette, as a modder has it.
    const Bytes original = ReadFile(testutil::DataDir() / "dc6" / "palette.dat");
    ASSERT_EQ(original.size(), 768u);
    WriteFile(m_Dir / "game.dat", original);
    const auto game = (m_Dir / "game.dat").string();
    for (const char* format : {"raw", "act", "jasc", "gpl", "riff"}) {
        SCOPED_TRACE(format);
        const auto converted = (m_Dir / (std::string("out.") + format)).string();
        auto r = Run({"palette", game, converted, "--format", format});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto back = (m_Dir / "back.pal").string();
        r = Run({"palette", converted, back});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(back), original);
    }
    // The extension names the format when --format does not.
    ASSERT_EQ(Run({"palette", game, (m_Dir / "game.gpl").string()}).status, 0);
    const Bytes gpl = ReadFile(m_Dir / "game.gpl");
    EXPECT_TRUE(std::string(gpl.begin(), gpl.end()).starts_with("GIMP Palette\nName: game\n"));
    ASSERT_EQ(Run({"palette", game, (m_Dir / "game.act").string()}).status, 0);
    EXPECT_EQ(ReadFile(m_Dir / "game.act").size(), 772u);
    // A catalogue name is a palette as well.
    EXPECT_EQ(Run({"palette", "greys", (m_Dir / "greys.gpl").string()}).status, 0);

    EXPECT_EQ(Run({"palette", game, (m_Dir / "x.txt").string()}).status, 2);
    EXPECT_EQ(Run({"palette", game, (m_Dir / "x.pal").string(), "--format", "png"}).status, 2);
    EXPECT_EQ(Run({"palette", game}).status, 2);
    WriteFile(m_Dir / "notes.txt", Text("not a palette"));
    const auto r = Run({"palette", (m_Dir / "notes.txt").string(), (m_Dir / "x.pal").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot read the palette " + (m_Dir / "notes.txt").string()),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(m_Dir / "x.pal"));
}

TEST_F(CliPaletteTest, ThePaletteOptionReadsEveryFormatAndNeverMisreads)
{
    // Entry 9 of Counting() read blue, green, red, and read red first.
    const std::array<int, 3> bgr{145, 140, 135};
    const std::array<int, 3> rgb{135, 140, 145};
    WriteFile(m_Dir / "game.dat", Counting());
    WriteFile(m_Dir / "colours.act", Counting());
    WriteFile(UserPalettes() / "Game.act", Counting());
    WriteFile(m_Dir / "paint.pal",
              Text("JASC-PAL\r\n0100\r\n10\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n0 0 "
                   "0\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n1 2 3\r\n"));

    EXPECT_EQ(ExportedEntry((m_Dir / "game.dat").string(), 9), bgr);
    EXPECT_EQ(ExportedEntry((m_Dir / "colours.act").string(), 9), rgb);
    EXPECT_EQ(ExportedEntry("Game.act", 9), rgb) << "a user palette by its name";
    EXPECT_EQ(ExportedEntry((m_Dir / "paint.pal").string(), 9), (std::array<int, 3>{1, 2, 3}));
    const auto r = Run({"export-frame", (m_Dir / "sprite.dc6").string(), (m_Dir / "f.bmp").string(),
                        "--palette", (m_Dir / "paint.pal").string()});
    EXPECT_EQ(r.err, "spritewright-cli: note: " + (m_Dir / "paint.pal").string() +
                         " has 10 colours; entries 10 to 255 are black\n");

    // Text that is no palette, and a name found nowhere, are errors.
    WriteFile(m_Dir / "notes.txt", Text("not a palette"));
    for (const std::string& palette : {(m_Dir / "notes.txt").string(), std::string("game")}) {
        const auto failed = Run({"export-frame", (m_Dir / "sprite.dc6").string(),
                                 (m_Dir / "g.bmp").string(), "--palette", palette});
        EXPECT_EQ(failed.status, 1) << palette;
        EXPECT_NE(failed.err.find(palette), std::string::npos) << failed.err;
        EXPECT_FALSE(std::filesystem::exists(m_Dir / "g.bmp"));
    }
}
