// spritewright-cli's DC6 verbs, run as a user runs them.

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <zlib.h>

using testutil::Bytes;
using testutil::ReadFile;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

testutil::ProgramResult Cli(const std::vector<std::string>& args)
{
    return RunProgram(SPRITEWRIGHT_CLI, args);
}

std::string Crc32Hex(const Bytes& bytes)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08lx",
                  crc32(crc32(0, Z_NULL, 0), bytes.data(), bytes.size()));
    return text;
}

} // namespace

TEST(CliDc6, NewWritesBlankSprites)
{
    TempDir dir;
    auto r = Cli({"new", (dir / "one.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes one = ReadFile(dir / "one.dc6");
    ASSERT_EQ(one.size(), 73u);
    EXPECT_EQ(one[0], 6);
    EXPECT_EQ(Bytes(one.begin() + 60, one.begin() + 70), Bytes(10, 0x80));

    r = Cli({"new", (dir / "grid.dc6").string(), "--frames", "3", "--directions", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    CDC6File doc;
    ASSERT_TRUE(doc.LoadDC6(dir / "grid.dc6"));
    DC6FileHeader header;
    doc.GetDC6FileHeader(header);
    EXPECT_EQ(header.m_iDirections, 2);
    EXPECT_EQ(header.m_iFramesPerDirection, 3);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"new"},
                                                {"new", "x.dc6", "--frames", "0"},
                                                {"new", "x.dc6", "--frames", "2x"},
                                                {"new", "x.dc6", "--frames"},
                                                {"new", "x.dc6", "--colour", "red"},
                                                {"new", "a.dc6", "b.dc6"}}) {
        r = Cli(bad);
        EXPECT_EQ(r.status, 2) << bad.back();
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
    r = Cli({"new", (dir / "many.dc6").string(), "--directions", "100000", "--frames", "100000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("more than the limit"), std::string::npos) << r.err;
}

TEST(CliDc6, InfoJsonDescribesEveryFrame)
{
    TempDir dir;
    CDC6File doc;
    doc.NewDC6(2, 1);
    doc.ResizeFrame(1, 3, 2);
    doc.SetFramePixel(1, 0, 0, 7);
    doc.SetFramePixel(1, 2, 1, 9);
    doc.SetFrameOffsetX(1, -12);
    doc.SetFrameOffsetY(1, 30);
    ASSERT_TRUE(doc.SaveDC6(dir / "two.dc6"));

    const auto r = Cli({"info", "--json", (dir / "two.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string expected =
        "{\"directions\":2,\"framesPerDirection\":1,\"termination\":\"cdcdcdcd\",\"frames\":[\n"
        "  {\"direction\":0,\"frame\":0,\"width\":10,\"height\":10,\"offsetX\":0,\"offsetY\":0,"
        "\"flip\":0,\"reserved\":0,\"length\":10,\"pixelsCrc32\":\"" +
        Crc32Hex(Bytes(100, 0)) +
        "\"},\n"
        "  {\"direction\":1,\"frame\":0,\"width\":3,\"height\":2,\"offsetX\":-12,\"offsetY\":30,"
        "\"flip\":0,\"reserved\":0,\"length\":7,\"pixelsCrc32\":\"" +
        Crc32Hex(Bytes{7, 0, 0, 0, 0, 9}) + "\"}\n]}\n";
    EXPECT_EQ(r.out, expected);
}

TEST(CliDc6, InfoSummarisesSeveralFilesAndReportsTheBrokenOnes)
{
    TempDir dir;
    Bytes sprite = ReadFile(testutil::DataDir() / "dc6" / "chrome.dc6");
    sprite.at(4) = 1;
    WriteFile(dir / "chrome.dc6", sprite);
    WriteFile(dir / "text.dc6", Bytes{'h', 'e', 'l', 'l', 'o'});

    const auto r = Cli({"info", (dir / "chrome.dc6").string(), (dir / "text.dc6").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("directions:           1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("termination bytes:    ee ee ee ee"), std::string::npos);
    EXPECT_EQ(r.err, "spritewright-cli: " + (dir / "text.dc6").string() +
                         ": Error: Fileformat not DC6\n"
                         "The header's version field (bytes 0 to 3) holds 1819043176; a DC6 file "
                         "holds 6 there\n"
                         "The header's flags field (bytes 4 to 7) holds 111; a DC6 file holds 1 "
                         "there\n");

    EXPECT_EQ(Cli({"info", "--json", "a.dc6", "b.dc6"}).status, 2);
    EXPECT_EQ(Cli({"info"}).status, 2);
}

TEST(CliDc6, ResaveRewritesAndRefusesToDamage)
{
    TempDir dir;
    Bytes sprite = ReadFile(testutil::DataDir() / "dc6" / "small.dc6");
    sprite.at(4) = 1;
    WriteFile(dir / "small.dc6", sprite);
    auto r = Cli({"resave", (dir / "small.dc6").string(), (dir / "again.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto before = Cli({"info", "--json", (dir / "small.dc6").string()});
    const auto after = Cli({"info", "--json", (dir / "again.dc6").string()});
    // The other encoder's lengths may differ; sizes, offsets and pixels may not.
    const auto strip = [](std::string json) {
        for (size_t at; (at = json.find("\"length\":")) != std::string::npos;)
            json.erase(at, json.find(',', at) - at + 1);
        return json;
    };
    EXPECT_EQ(strip(before.out), strip(after.out));

    WriteFile(dir / "keep.dc6", Bytes{1, 2, 3});
    r = Cli({"resave", (dir / "missing.dc6").string(), (dir / "keep.dc6").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error: File Could Not Be Opened "), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "keep.dc6"), (Bytes{1, 2, 3}));
    r = Cli({"resave", (dir / "small.dc6").string(), (dir / "nowhere" / "x.dc6").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error: File Could Not Be Created"), std::string::npos);
}

TEST(CliDc6, RepairWritesAConformingCopyOrSaysWhyNot)
{
    // A file of another writer, flags 0: the copy is what resaving the
    // file with its flags set gives.
    TempDir dir;
    const auto original = testutil::DataDir() / "dc6" / "medium.dc6";
    auto r = Cli({"repair", original.string(), "-o", (dir / "medium.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, original.string() +
                         ": the header's flags field (bytes 4 to 7) held 0; it now holds 1\n");
    Bytes flagsSet = ReadFile(original);
    flagsSet.at(4) = 1;
    WriteFile(dir / "flags-set.dc6", flagsSet);
    ASSERT_EQ(
        Cli({"resave", (dir / "flags-set.dc6").string(), (dir / "resaved.dc6").string()}).status,
        0);
    EXPECT_EQ(ReadFile(dir / "medium.dc6"), ReadFile(dir / "resaved.dc6"));

    r = Cli({"repair", (dir / "medium.dc6").string(), "-o", (dir / "again.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "medium.dc6").string() + ": nothing to repair\n");
    EXPECT_EQ(ReadFile(dir / "again.dc6"), ReadFile(dir / "medium.dc6"));

    // Anything else is refused with the reader's message, and nothing is
    // written.
    Bytes cut(flagsSet.begin(), flagsSet.begin() + 30);
    cut.at(4) = 0;
    WriteFile(dir / "cut.dc6", cut);
    r = Cli({"repair", (dir / "cut.dc6").string(), "-o", (dir / "out.dc6").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "spritewright-cli: " + (dir / "cut.dc6").string() +
                         ": Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [0]\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.dc6"));
    EXPECT_EQ(Cli({"repair", original.string()}).status, 2);
    EXPECT_EQ(Cli({"repair", "-o", (dir / "out.dc6").string()}).status, 2);
}

TEST(CliDc6, HelpDescribesEveryVerb)
{
    const auto r = Cli({"--help"});
    ASSERT_EQ(r.status, 0);
    for (const char* verb : {"info FILE", "info --json", "new OUT", "resave IN", "repair IN"})
        EXPECT_NE(r.out.find(verb), std::string::npos) << verb;
    EXPECT_EQ(Cli({"frobnicate"}).status, 2);
    EXPECT_EQ(Cli({}).status, 2);
}
