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
    // The encoded lengths of two writers may differ, and a description
    // keeps no termination bytes; everything else may not differ.
    std::string json = r.out;
    for (size_t at; (at = json.find("\"length\":")) != std::string::npos;)
        json.erase(at, json.find(',', at) - at + 1);
    const size_t termination = json.find("\"termination\":");
    if (termination != std::string::npos)
        json.erase(termination, json.find(',', termination) - termination + 1);
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

TEST(CliIni, RealSpritesBuildBackIndexForIndexInEveryLosslessFormat)
{
    // Sprites of another writer, repaired, then exported and built back
    // with their own palette, which holds some colours more than once;
    // the output folders do not exist yet.
    TempDir dir;
    const std::string palette = (testutil::DataDir() / "dc6" / "palette.dat").string();
    std::vector<std::string> sprites;
    for (const char* name : {"authoring", "chrome", "composition", "cursors-markers", "large",
                             "medium", "small", "utility", "very_small"}) {
        sprites.push_back((dir / (std::string(name) + ".dc6")).string());
        const auto r = RunProgram(SPRITEWRIGHT_CLI,
                                  {"repair", (testutil::DataDir() / "dc6" / name).string() + ".dc6",
                                   "-o", sprites.back()});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    for (const auto& [format, animated] :
         {std::pair{"bmp", false}, std::pair{"pcx", false}, std::pair{"tif", false},
          std::pair{"png", false}, std::pair{"gif", false}, std::pair{"gif", true}}) {
        const std::string what = std::string(format) + (animated ? "-animated" : "");
        const auto out = dir / what / "exported";
        std::vector<std::string> args = {"export-all"};
        args.insert(args.end(), sprites.begin(), sprites.end());
        args.insert(args.end(), {"-o", out.string(), "--format", format, "--palette", palette});
        if (animated)
            args.push_back("--animated");
        auto r = RunProgram(SPRITEWRIGHT_CLI, args);
        ASSERT_EQ(r.status, 0) << what << r.err;

        std::vector<std::string> build = {"build"};
        for (const std::string& sprite : sprites) {
            const std::string base = std::filesystem::path(sprite).stem().string() + "_" + format;
            build.push_back((out / base / (base + ".ini")).string());
        }
        build.insert(build.end(), {"-o", (dir / what / "built").string(), "--palette", palette});
        r = RunProgram(SPRITEWRIGHT_CLI, build);
        ASSERT_EQ(r.status, 0) << what << r.err;
        for (const std::string& sprite : sprites) {
            const auto name = std::filesystem::path(sprite).filename();
            EXPECT_EQ(Json(dir / what / "built" / name), Json(sprite)) << what << " " << name;
        }
    }
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
    // A rate only for an animation, and only 1 to 100 frames a second.
    const std::vector<std::string> gif = {"export-all",        a,          "-o",
                                          dir.Path().string(), "--format", "gif"};
    for (const std::vector<std::string>& rate : {std::vector<std::string>{"--fps", "10"},
                                                 {"--animated", "--fps", "0"},
                                                 {"--animated", "--fps", "101"},
                                                 {"--animated", "--fps", "ten"}}) {
        std::vector<std::string> args = gif;
        args.insert(args.end(), rate.begin(), rate.end());
        EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI, args).status, 2) << rate.back();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a_gif")) << "nothing written";

    // Output folders are made with their missing parents; a file where a
    // folder should be is an error.
    auto r =
        RunProgram(SPRITEWRIGHT_CLI, {"export-all", a, "-o", (dir / "new" / "deeper").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto description = dir / "new" / "deeper" / "a_bmp" / "a_bmp.ini";
    EXPECT_TRUE(std::filesystem::exists(description));
    r = RunProgram(SPRITEWRIGHT_CLI, {"export-all", a, "-o", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(a + ": is not a folder"), std::string::npos) << r.err;

    r = RunProgram(SPRITEWRIGHT_CLI, {"build", description.string(), description.string(), "-o",
                                      (dir / "built" / "twice").string()});
    EXPECT_EQ(r.status, 1) << "both build the same file";
    EXPECT_TRUE(std::filesystem::is_directory(dir / "built" / "twice"));
    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"build", description.string(), "-o", (dir / "built" / "once").string() + "/"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "built" / "once" / "a.dc6"));
    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"build", description.string(), "-o", (dir / "one.dc6").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "one.dc6"));
    r = RunProgram(SPRITEWRIGHT_CLI,
                   {"build", description.string(), description.string(), "-o", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(a + ": is not a folder"), std::string::npos) << r.err;
}
