// spritewright-thumbnailer, run as a file manager runs it.

#include "DC6File.h"
#include "DataFolder.h"
#include "Image.h"
#include "Palette.h"
#include "PaletteFormats.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::Bytes;
using testutil::ReadFile;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

testutil::ProgramResult Thumbnailer(const std::vector<std::string>& args)
{
    return RunProgram(SPRITEWRIGHT_THUMBNAILER, args);
}

} // namespace

TEST(Thumbnailer, WritesTheFirstFrameWithTheFirstCataloguePalette)
{
    TempDir dir;
    Bytes sprite = ReadFile(testutil::DataDir() / "dc6" / "composition.dc6");
    sprite.at(4) = 1;
    // No extension: the bytes are what count.
    WriteFile(dir / "sprite", sprite);
    CDC6File doc;
    ASSERT_TRUE(doc.LoadDC6(sprite));
    DC6Frame first;
    ASSERT_TRUE(doc.GetDC6Frame(0, first));
    const int width = first.m_DC6FrameHeader.m_iWidth;
    const int height = first.m_DC6FrameHeader.m_iHeight;

    // At the frame's own size the thumbnail holds its indices unchanged.
    const auto out = dir / "thumb.png";
    const auto r = Thumbnailer(
        {"-s", std::to_string(std::max(width, height)), (dir / "sprite").string(), out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    CImage thumb;
    ASSERT_TRUE(thumb.Load(out, IMAGE_TYPE_PNG)) << thumb.GetLastError();
    ASSERT_EQ(thumb.GetWidth(), width);
    ASSERT_EQ(thumb.GetHeight(), height);
    ASSERT_EQ(thumb.GetBpp(), 8);
    EXPECT_EQ(thumb.GetTransIndex(), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = first.m_ImageData.data() + static_cast<size_t>(y) * width;
        ASSERT_EQ(Bytes(thumb.GetBits(y), thumb.GetBits(y) + width), Bytes(row, row + width))
            << "row " << y;
    }

    CPaletteFile catalogue;
    std::filesystem::path file;
    std::string error;
    const auto programs = std::filesystem::path(SPRITEWRIGHT_THUMBNAILER).parent_path();
    ASSERT_TRUE(
        ResolvePalette("", PaletteFolder(FindDataFolder(programs)), {}, catalogue, file, error));
    const CPalette& expected = catalogue.palette;
    for (size_t i = 1; i < expected.size(); ++i) {
        const RGBQUAD& c = thumb.GetPalette().at(i);
        ASSERT_EQ(std::tie(c.rgbRed, c.rgbGreen, c.rgbBlue),
                  std::tie(expected[i].rgbRed, expected[i].rgbGreen, expected[i].rgbBlue))
            << "entry " << i;
    }
}

TEST(Thumbnailer, BadFilesAndArgumentsLeaveTheOutputAlone)
{
    TempDir dir;
    const auto out = dir / "thumb.png";
    WriteFile(out, {'o', 'l', 'd'});
    testutil::ByteBuilder huge;
    huge.I32(6).I32(1).I32(0).I32(0).I32(1).I32(1).I32(28);
    huge.I32(0).I32(16384).I32(16384).I32(0).I32(0).I32(0).I32(0).I32(16384);
    huge.Append(Bytes(16384, 0x80));
    WriteFile(dir / "huge.dc6", huge.Get());
    Bytes flagsZero = ReadFile(testutil::DataDir() / "dc6" / "small.dc6");
    WriteFile(dir / "flags0.dc6", flagsZero);

    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::string in = (dir / "huge.dc6").string();
    const Case cases[] = {
        {{"-s", "128", in, out.string()}, 1},
        {{"-s", "128", (dir / "flags0.dc6").string(), out.string()}, 1},
        {{"-s", "128", (dir / "missing.dc6").string(), out.string()}, 1},
        {{"-s", "128", dir.Path().string(), out.string()}, 1},
        {{"-s", "0", in, out.string()}, 2},
        {{"-s", "12x", in, out.string()}, 2},
        {{"-s", "128", in}, 2},
        {{"--size", "128", in, out.string()}, 2},
        {{}, 2},
    };
    for (const Case& c : cases) {
        const auto r = Thumbnailer(c.args);
        EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[c.args.size() / 2]);
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(ReadFile(out), (Bytes{'o', 'l', 'd'}));
    }
    EXPECT_EQ(Thumbnailer({"--help"}).status, 0);
}

TEST(ShippedData, TheLogoShowsTheProgramsNameWhole)
{
    // A name too wide for its box is cut off at the box's edge, a few
    // columns short of the logo's right-hand side.
    const auto programs = std::filesystem::path(SPRITEWRIGHT_THUMBNAILER).parent_path();
    CDC6File logo;
    ASSERT_TRUE(logo.LoadDC6(ReadFile(FindDataFolder(programs) / "logo.dc6")));
    DC6Frame frame;
    ASSERT_TRUE(logo.GetDC6Frame(0, frame));
    const int width = frame.m_DC6FrameHeader.m_iWidth;
    for (int y = 0; y < frame.m_DC6FrameHeader.m_iHeight; ++y) {
        for (int x = width - 4; x < width; ++x)
            ASSERT_EQ(frame.m_ImageData.at(static_cast<size_t>(y) * width + x), 0)
                << "column " << x << ", row " << y;
    }
}
