// spritewright-cli edit on the worked example: two directions of three
// frames, told apart by their X offsets (a0..a2 are 10..12, b0..b2 20..22).

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

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
