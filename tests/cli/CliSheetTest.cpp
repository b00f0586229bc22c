// spritewright-cli export-sheet and import-sheet.

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::RunProgram;
using testutil::TempDir;

namespace {

// The sprite as info --json describes it, but for the encoded lengths,
// which two writers may choose differently.
std::string Described(const std::filesystem::path& sprite)
{
    auto r = RunProgram(SPRITEWRIGHT_CLI, {"info", "--json", sprite.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    for (size_t at; (at = r.out.find("\"length\":")) != std::string::npos;)
        r.out.erase(at, r.out.find(',', at) - at + 1);
    return r.out;
}

// A sprite of blank frames in `dir`; its path.
std::string BlankSprite(const TempDir& dir, const std::string& name, int directions, int frames)
{
    CDC6File doc;
    doc.NewDC6(directions, frames);
    EXPECT_TRUE(doc.SaveDC6(dir / name));
    return (dir / name).string();
}

} // namespace

TEST(CliSheet, RealSpritesComeBackWithTheirOffsetsAndTerminationBytes)
{
    TempDir dir;
    const std::string palette = (testutil::DataDir() / "dc6" / "palette.dat").string();
    const std::vector<std::vector<std::string>> options = {
        {},
        {"--layout", "columns", "--canvas", "trimmed"},
        {"--layout", "packed", "--padding", "3"},
        {"--layout", "packed", "--canvas", "trimmed", "--fps", "10"},
        {"--layout", "rows", "--canvas", "trimmed", "--padding", "1"},
        {"--layout", "columns", "--canvas", "registered"},
    };
    int n = 0;
    for (const char* name : {"authoring", "chrome", "composition", "cursors-markers", "large",
                             "medium", "small", "utility", "very_small"}) {
        const std::string sprite = (dir / (std::string(name) + ".dc6")).string();
        auto r = RunProgram(
            SPRITEWRIGHT_CLI,
            {"repair", (testutil::DataDir() / "dc6" / name).string() + ".dc6", "-o", sprite});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string>& chosen = options[static_cast<size_t>(n++) % options.size()];
        // Every other sprite names its atlas; the others find it beside the sheet.
        const bool named = n % 2 == 0;
        const std::string sheet = (dir / (std::string(name) + ".png")).string();
        const std::string atlas =
            (dir / (std::string(name) + (named ? "-atlas" : "") + ".json")).string();
        std::vector<std::string> args = {"export-sheet", sprite, sheet, "--palette", palette};
        args.insert(args.end(), chosen.begin(), chosen.end());
        if (named)
            args.insert(args.end(), {"--json", atlas});
        r = RunProgram(SPRITEWRIGHT_CLI, args);
        ASSERT_EQ(r.status, 0) << name << r.err;
        const std::string back = (dir / (std::string(name) + "-back.dc6")).string();
        r = RunProgram(SPRITEWRIGHT_CLI,
                       {"import-sheet", sheet, atlas, "-o", back, "--palette", palette});
        ASSERT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(Described(back), Described(sprite)) << name;
    }
}

TEST(CliSheet, FaultsWriteNothing)
{
    TempDir dir;
    const auto walk = BlankSprite(dir, "walk.dc6", 2, 3);
    const auto sheet = (dir / "walk.png").string();
    const auto atlas = (dir / "walk.json").string();
    ASSERT_EQ(RunProgram(SPRITEWRIGHT_CLI, {"export-sheet", walk, sheet}).status, 0);

    // The atlas without its last frame, one a line; the sprite it would
    // replace stays.
    const testutil::Bytes written = testutil::ReadFile(atlas);
    std::string json(written.begin(), written.end());
    const size_t last = json.find(",\n {\"filename\":\"01_0002\"");
    ASSERT_NE(last, std::string::npos);
    json.erase(last, json.find("\n],", last) - last);
    testutil::WriteFile(dir / "short.json", testutil::Bytes(json.begin(), json.end()));
    const testutil::Bytes before = testutil::ReadFile(walk);
    auto r = RunProgram(SPRITEWRIGHT_CLI,
                        {"import-sheet", sheet, (dir / "short.json").string(), "-o", walk});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "spritewright-cli: " + (dir / "short.json").string() +
                         ": The atlas lists 5 frames, but its \"meta\" gives 2 directions of 3 "
                         "frames (6)\n");
    EXPECT_EQ(testutil::ReadFile(walk), before);

    // A JPG would lose the indices: neither it nor its atlas is written.
    r = RunProgram(SPRITEWRIGHT_CLI, {"export-sheet", walk, (dir / "walk.jpg").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "walk.jpg"));
    EXPECT_EQ(testutil::ReadFile(atlas), written);
}

TEST(CliSheet, UsageMistakes)
{
    TempDir dir;
    const auto a = BlankSprite(dir, "a.dc6", 1, 1);
    const auto png = (dir / "a.png").string();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"export-sheet", a, png, "--layout", "diagonal"},
         "--layout takes columns|packed|rows, not \"diagonal\""},
        {{"export-sheet", a, png, "--canvas", "cropped"},
         "--canvas takes registered|trimmed, not \"cropped\""},
        {{"export-sheet", a, png, "--padding", "257"}, "--padding takes 0 to 256"},
        {{"export-sheet", a, png, "--padding", "-1"}, "--padding takes 0 to 256"},
        {{"export-sheet", a, png, "--fps", "0"}, "--fps takes 1 to 100"},
        {{"export-sheet", a}, "export-sheet takes IN.dc6 OUT.png"},
        {{"import-sheet", png, (dir / "a.json").string()},
         "import-sheet takes SHEET ATLAS.json -o OUT.dc6"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = RunProgram(SPRITEWRIGHT_CLI, args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.err, "spritewright-cli: " + message + "\n(see spritewright-cli --help)\n");
    }
    EXPECT_FALSE(std::filesystem::exists(png));
}
