// spritewright-cli export-all and build, over several files at once.

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::RunProgram;
using testutil::TempDir;

namespace {

void MakeSprite(const std::filesystem::path& path, int seed)
{
    CDC6File doc;
    doc.NewDC6(2, 3);
    for (int i = 0; i < 6; ++i) {
        doc.ResizeFrame(i, 3 + i, 2 + seed);
        doc.SetFrameOffsetX(i, i - seed);
        doc.SetFramePixel(i, 1, 1, static_cast<uint8_t>(10 * seed + i + 1));
    }
    ASSERT_TRUE(doc.SaveDC6(path));
}

std::string Json(const std::filesystem::path& sprite)
{
    auto r = RunProgram(SPRITEWRIGHT_CLI, {"info", "--json", sprite.string()});
    // The encoded lengths of two writers may differ; everything else may not.
    std::string json = r.out;
    for (size_t at; (at = json.find("\"length\":")) != std::string::npos;)
        json.erase(at, json.find(',', at) - at + 1);
    return json;
}

} // namespace

TEST(CliIni, ExportAllAndBuildRoundTripManySprites)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "out");
    std::filesystem::create_directories(dir / "built");
    std::vector<std::string> args = {"export-all"};
    for (int s = 0; s < 3; ++s) {
        MakeSprite(dir / ("s" + std::to_string(s) + ".dc6"), s);
        args.push_back((dir / ("s" + std::to_string(s) + ".dc6")).string());
    }
    testutil::WriteFile(dir / "broken.dc6", {'x'});
    args.insert(args.begin() + 2, (dir / "broken.dc6").string());
    args.insert(args.end(), {"-o", (dir / "out").string(), "--format", "pcx", "--jobs", "2"});

    auto r = RunProgram(SPRITEWRIGHT_CLI, args);
    EXPECT_EQ(r.status, 1) << "one file failed";
    EXPECT_NE(r.err.find("FAILED " + (dir / "broken.dc6").string()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find((dir / "broken.dc6").string() + ": Error: Fileformat not DC6"),
              std::string::npos);
    EXPECT_NE(r.err.find("1 of 4 files failed"), std::string::npos);

    std::vector<std::string> build = {"build"};
    for (int s = 0; s < 3; ++s) {
        const std::string base = "s" + std::to_string(s) + "_pcx";
        build.push_back((dir / "out" / base / (base + ".ini")).string());
    }
    build.insert(build.end(), {"-o", (dir / "built").string(), "--jobs", "3"});
    r = RunProgram(SPRITEWRIGHT_CLI, build);
    ASSERT_EQ(r.status, 0) << r.err;
    for (int s = 0; s < 3; ++s) {
        const std::string name = "s" + std::to_string(s) + ".dc6";
        EXPECT_EQ(Json(dir / "built" / name), Json(dir / name)) << name;
    }

    // One description to a file of its own name; animated GIF exports too.
    r = RunProgram(SPRITEWRIGHT_CLI, {"export-all", (dir / "s1.dc6").string(), "-o",
                                      (dir / "out").string(), "--format", "gif", "--animated"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "s1_gif" / "01.gif"));
    r = RunProgram(SPRITEWRIGHT_CLI, {"build", (dir / "out" / "s1_gif" / "s1_gif.ini").string(),
                                      "-o", (dir / "again.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Json(dir / "again.dc6"), Json(dir / "s1.dc6"));
}

TEST(CliIni, UsageAndFolderMistakes)
{
    TempDir dir;
    MakeSprite(dir / "a.dc6", 1);
    const auto a = (dir / "a.dc6").string();
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI,
                         {"export-all", a, "-o", dir.Path().string(), "--format", "webp"})
                  .status,
              2);
    EXPECT_EQ(
        RunProgram(SPRITEWRIGHT_CLI, {"export-all", a, "-o", dir.Path().string(), "--animated"})
            .status,
        2);
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI, {"export-all", a}).status, 2);
    auto r = RunProgram(SPRITEWRIGHT_CLI, {"export-all", a, "-o", (dir / "missing").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos);
    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"build", (dir / "none.ini").string(), (dir / "none2.ini").string(), "-o",
                    (dir / "x.dc6").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos);
}
