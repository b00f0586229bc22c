// spritewright-cli edit on the worked example: two directions of three
// frames, told apart by their X offsets (a0..a2 are 10..12, b0..b2 20..22);
// replace-index on real sprites.

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using testutil::ReadFile;
using testutil::RunProgram;
using testutil::TempDir;

namespace {

std::string Marks(const std::filesystem::path& path)
{
    CDC6File doc;
    if (!doc.LoadDC6(path))
        return doc.GetLastErrorText();
    DC6FileHeader header;
    doc.GetDC6FileHeader(header);
    std::string text = std::to_string(header.m_iDirections) + "x" +
                       std::to_string(header.m_iFramesPerDirection) + ":";
    for (int i = 0; i < doc.GetFrameListLength(); ++i) {
        const int mark = doc.GetFrameOffsetX(i);
        text += " " + (mark == 0 ? std::string("n")
                                 : std::string(1, static_cast<char>('a' + mark / 10 - 1)) +
                                       std::to_string(mark % 10));
    }
    return text;
}

class CliEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CDC6File doc;
        doc.NewDC6(2, 3);
        for (int i = 0; i < 6; ++i)
            doc.SetFrameOffsetX(i, (i / 3 + 1) * 10 + i % 3);
        ASSERT_TRUE(doc.SaveDC6(m_Dir / "example.dc6"));
    }

    testutil::ProgramResult Edit(std::vector<std::string> operations)
    {
        std::vector<std::string> args = {"edit", (m_Dir / "example.dc6").string(), "-o",
                                         (m_Dir / "out.dc6").string()};
        args.insert(args.end(), operations.begin(), operations.end());
        return RunProgram(SPRITEWRIGHT_CLI, args);
    }

    TempDir m_Dir;
};

} // namespace

TEST_F(CliEditTest, WorkedExample)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--delete-direction", "1"}, "1x3: a0 a1 a2"},
        {{"--add-direction"}, "3x3: a0 a1 a2 b0 b1 b2 n n n"},
        {{"--insert-direction", "1"}, "3x3: a0 a1 a2 n n n b0 b1 b2"},
        {{"--delete-frame", "1"}, "2x2: a0 a2 b0 b2"},
        {{"--add-frame"}, "2x4: a0 a1 a2 n b0 b1 b2 n"},
        {{"--insert-frame", "1"}, "2x4: a0 n a1 a2 b0 n b1 b2"},
        // In the order given: the offset lands on the frame that is then
        // frame 1 of direction 1.
        {{"--insert-frame", "0", "--offset", "1:1:30:-5"}, "2x4: n a0 a1 a2 n c0 b1 b2"},
    };
    for (const auto& [operations, expected] : cases) {
        const auto r = Edit(operations);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Marks(m_Dir / "out.dc6"), expected) << operations.front();
    }
    CDC6File doc;
    doc.LoadDC6(m_Dir / "out.dc6");
    EXPECT_EQ(doc.GetFrameOffsetY(5), -5);
}

TEST_F(CliEditTest, ImpossibleEditsWriteNothing)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--delete-direction", "2"}, "direction 2 does not exist"},
        {{"--insert-frame", "3"}, "frame 3 does not exist"},
        {{"--delete-direction", "0", "--delete-direction", "0"},
         "operation 2: The sprite's only direction cannot be deleted"},
        {{"--delete-frame", "0", "--delete-frame", "0", "--delete-frame", "0"},
         "The only frame of each direction cannot be deleted"},
        {{"--offset", "0:3:1:1"}, "frame 3 does not exist"},
    };
    for (const auto& [operations, error] : cases) {
        const auto r = Edit(operations);
        EXPECT_EQ(r.status, 1) << error;
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(m_Dir / "out.dc6"));
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--insert-frame"},
                                                {"--delete-frame", "x"},
                                                {"--offset", "1:2:3"},
                                                {"--offset", "1:2:3:4:"},
                                                {"--spin"}}) {
        EXPECT_EQ(Edit(bad).status, 2) << bad.front();
    }
    EXPECT_EQ(RunProgram(SPRITEWRIGHT_CLI, {"edit", (m_Dir / "example.dc6").string()}).status, 2);
}

TEST(CliReplaceIndex, RealSpritesAgainstAPixelByPixelReckoning)
{
    TempDir dir;
    for (const char* name : {"authoring", "chrome", "composition", "cursors-markers", "large",
                             "medium", "small", "utility", "very_small"}) {
        SCOPED_TRACE(name);
        const std::string sprite = (dir / "sprite.dc6").string();
        const std::string out = (dir / "out.dc6").string();
        auto r = RunProgram(
            SPRITEWRIGHT_CLI,
            {"repair", (testutil::DataDir() / "dc6" / name).string() + ".dc6", "-o", sprite});
        ASSERT_EQ(r.status, 0) << r.err;
        CDC6File in;
        ASSERT_TRUE(in.LoadDC6(sprite));
        DC6FileHeader header;
        in.GetDC6FileHeader(header);
        const int directions = header.m_iDirections;
        const int frames = header.m_iFramesPerDirection;
        // The sprite's most frequent index but 0 becomes another.
        std::array<int64_t, 256> counts{};
        for (int i = 0; i < in.GetFrameListLength(); ++i)
            for (uint8_t pixel : in.GetFramePixels(i))
                ++counts[pixel];
        const int from =
            static_cast<int>(std::max_element(counts.begin() + 1, counts.end()) - counts.begin());
        const int to = from == 200 ? 201 : 200;
        // Direction and frame, -1 for none given.
        const std::pair<int, int> scopes[] = {
            {-1, -1}, {-1, frames / 2}, {directions - 1, -1}, {directions - 1, frames - 1}};
        for (const auto& [direction, frame] : scopes) {
            SCOPED_TRACE(testing::Message() << direction << ", " << frame);
            std::vector<std::string> args = {
                "replace-index",   sprite, "-o", out, "--from", std::to_string(from), "--to",
                std::to_string(to)};
            if (direction >= 0)
                args.insert(args.end(), {"--direction", std::to_string(direction)});
            if (frame >= 0)
                args.insert(args.end(), {"--frame", std::to_string(frame)});
            r = RunProgram(SPRITEWRIGHT_CLI, args);
            ASSERT_EQ(r.status, 0) << r.err;
            CDC6File result;
            ASSERT_TRUE(result.LoadDC6(out));
            ASSERT_EQ(result.GetFrameListLength(), in.GetFrameListLength());
            int64_t changed = 0;
            for (int i = 0; i < in.GetFrameListLength(); ++i) {
                const bool inScope = (direction < 0 || i / frames == direction) &&
                                     (frame < 0 || i % frames == frame);
                std::vector<uint8_t> expected(in.GetFramePixels(i).begin(),
                                              in.GetFramePixels(i).end());
                for (uint8_t& pixel : expected)
                    if (inScope && pixel == from) {
                        pixel = static_cast<uint8_t>(to);
                        ++changed;
                    }
                DC6FrameHeader before, after;
                in.GetDC6FrameHeader(i, before);
                result.GetDC6FrameHeader(i, after);
                EXPECT_EQ(after.m_iOffsetX, before.m_iOffsetX);
                EXPECT_EQ(after.m_iOffsetY, before.m_iOffsetY);
                ASSERT_TRUE(std::ranges::equal(result.GetFramePixels(i), expected))
                    << "frame " << i;
            }
            EXPECT_NE(r.out.find(": " + std::to_string(changed) + " pixels of index"),
                      std::string::npos)
                << r.out;
        }
    }
}

TEST(CliReplaceIndex, WrongArgumentsWriteNothing)
{
    TempDir dir;
    CDC6File doc;
    doc.NewDC6(2, 3);
    ASSERT_TRUE(doc.SaveDC6(dir / "in.dc6"));
    const std::string in = (dir / "in.dc6").string();
    const std::string out = (dir / "out.dc6").string();
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"--from", "0", "--to", "1", "--direction", "2"}, 1, "direction 2 does not exist"},
        {{"--from", "0", "--to", "1", "--frame", "3"}, 1, "frame 3 does not exist"},
        {{"--from", "0"}, 2, "replace-index takes"},
        {{"--from", "256", "--to", "1"}, 2, "--from takes a palette index from 0 to 255"},
        {{"--from", "0", "--to", "-1"}, 2, "--to takes a palette index from 0 to 255"},
        {{"--from", "0", "--to", "1", "--frame", "-1"}, 2, "--frame takes a number from 0"},
        {{"--from", "x", "--to", "1"}, 2, "--from"},
    };
    for (const auto& [options, status, message] : cases) {
        std::vector<std::string> args = {"replace-index", in, "-o", out};
        args.insert(args.end(), options.begin(), options.end());
        const auto r = RunProgram(SPRITEWRIGHT_CLI, args);
        EXPECT_EQ(r.status, status) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}
