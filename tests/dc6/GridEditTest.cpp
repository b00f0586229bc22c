// The grid edits on the worked example: two directions of three frames,
// a0 a1 a2 b0 b1 b2, with direction 1 and frame 1 in hand.

#include "GridEdit.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

// Frames are told apart by their X offsets: a0..a2 are 10..12, b0..b2 are
// 20..22, and a blank frame has 0.
void MakeExample(CDC6File& doc)
{
    doc.NewDC6(2, 3);
    for (int i = 0; i < 6; ++i) {
        doc.SetFrameOffsetX(i, (i / 3 + 1) * 10 + i % 3);
        doc.ResizeFrame(i, 1 + i % 3, 1 + i / 3);
        doc.SetFramePixel(i, 0, 0, static_cast<uint8_t>(i + 1));
    }
}

// Each frame by its mark; a frame of the example must still have its
// pixels, a blank frame those of a blank frame.
std::string Frames(const CDC6File& doc)
{
    std::string text;
    for (int i = 0; i < doc.GetFrameListLength(); ++i) {
        const int mark = doc.GetFrameOffsetX(i);
        DC6Frame frame;
        if (mark != 0 && doc.GetDC6Frame(i, frame)) {
            const int original = (mark / 10 - 1) * 3 + mark % 10;
            EXPECT_EQ(frame.m_ImageData.size(),
                      static_cast<size_t>((1 + original % 3) * (1 + original / 3)));
            EXPECT_EQ(frame.m_ImageData.at(0), original + 1);
        }
        text += (text.empty() ? "" : " ") +
                (mark == 0 ? std::string("n")
                           : std::string(1, char('a' + mark / 10 - 1)) + std::to_string(mark % 10));
    }
    return text;
}

std::pair<int, int> Counts(const CDC6File& doc)
{
    DC6FileHeader header{};
    doc.GetDC6FileHeader(header);
    return {header.m_iDirections, header.m_iFramesPerDirection};
}

} // namespace

TEST(GridEdit, WorkedExample)
{
    std::string error;
    struct Case {
        const char* name;
        bool (*edit)(CDC6File&, std::string&);
        const char* frames;
        std::pair<int, int> counts;
    };
    const Case cases[] = {
        {"delete direction",
         [](CDC6File& d, std::string& e) { return DeleteDirection(d, 1, e); },
         "a0 a1 a2",
         {1, 3}},
        {"add direction", AddDirection, "a0 a1 a2 b0 b1 b2 n n n", {3, 3}},
        {"insert direction",
         [](CDC6File& d, std::string& e) { return InsertDirection(d, 1, e); },
         "a0 a1 a2 n n n b0 b1 b2",
         {3, 3}},
        {"delete frame",
         [](CDC6File& d, std::string& e) { return DeleteFrameNumber(d, 1, e); },
         "a0 a2 b0 b2",
         {2, 2}},
        {"add frame", AddFrameNumber, "a0 a1 a2 n b0 b1 b2 n", {2, 4}},
        {"insert frame",
         [](CDC6File& d, std::string& e) { return InsertFrameNumber(d, 1, e); },
         "a0 n a1 a2 b0 n b1 b2",
         {2, 4}},
    };
    for (const Case& c : cases) {
        CDC6File doc;
        MakeExample(doc);
        ASSERT_TRUE(c.edit(doc, error)) << c.name << ": " << error;
        EXPECT_EQ(Frames(doc), c.frames) << c.name;
        EXPECT_EQ(Counts(doc), c.counts) << c.name;
    }

    CDC6File doc;
    MakeExample(doc);
    ASSERT_TRUE(SetFrameOffset(doc, 1, 2, -12, 30, error));
    EXPECT_EQ(doc.GetFrameOffsetX(5), -12);
    EXPECT_EQ(doc.GetFrameOffsetY(5), 30);
}

TEST(GridEdit, EdgesOfTheGrid)
{
    std::string error;
    CDC6File doc;
    MakeExample(doc);
    ASSERT_TRUE(InsertDirection(doc, 0, error));
    EXPECT_EQ(Frames(doc), "n n n a0 a1 a2 b0 b1 b2");
    ASSERT_TRUE(InsertFrameNumber(doc, 2, error));
    EXPECT_EQ(Frames(doc), "n n n n a0 a1 n a2 b0 b1 n b2") << "before the last frame, not after";
    ASSERT_TRUE(DeleteFrameNumber(doc, 0, error));
    EXPECT_EQ(Frames(doc), "n n n a1 n a2 b1 n b2");
    ASSERT_TRUE(DeleteDirection(doc, 2, error));
    EXPECT_EQ(Frames(doc), "n n n a1 n a2");

    CDC6File one;
    one.NewDC6(1, 1);
    one.SetFrameOffsetX(0, 10);
    one.ResizeFrame(0, 1, 1);
    one.SetFramePixel(0, 0, 0, 1);
    ASSERT_TRUE(AddDirection(one, error));
    EXPECT_EQ(Frames(one), "a0 n");
    EXPECT_EQ(Counts(one), std::make_pair(2, 1));
}

TEST(GridEdit, RefusalsChangeNothing)
{
    std::string error;
    CDC6File doc;
    MakeExample(doc);
    EXPECT_FALSE(DeleteDirection(doc, 2, error));
    EXPECT_EQ(error, "direction 2 does not exist: the sprite has directions 0 to 1");
    EXPECT_FALSE(InsertFrameNumber(doc, -1, error));
    EXPECT_EQ(error, "frame -1 does not exist: the sprite has frames 0 to 2");
    EXPECT_FALSE(SetFrameOffset(doc, 0, 3, 1, 1, error));
    EXPECT_EQ(Frames(doc), "a0 a1 a2 b0 b1 b2");
    EXPECT_EQ(Counts(doc), std::make_pair(2, 3));

    CDC6File one;
    one.NewDC6(1, 1);
    EXPECT_FALSE(DeleteDirection(one, 0, error));
    EXPECT_EQ(error, "The sprite's only direction cannot be deleted");
    EXPECT_FALSE(DeleteFrameNumber(one, 0, error));
    EXPECT_EQ(error, "The only frame of each direction cannot be deleted");

    CDC6File big;
    big.NewDC6(1024, 1024);
    EXPECT_FALSE(AddFrameNumber(big, error));
    EXPECT_EQ(error, "A sprite of 1049600 frames is more than the limit of 1048576");

    CDC6File empty;
    EXPECT_FALSE(AddDirection(empty, error));
}

TEST(GridEdit, NothingGrowsPastWhatAFileMayHold)
{
    // Four frames of 16384 x 16384 hold exactly as many pixels as a sprite
    // may: each edit that would add a blank frame is refused and changes
    // nothing, and a document made larger behind the edits' back is not
    // written, so that no file is made that the reader would refuse.
    CDC6File doc;
    doc.NewDC6(2, 2);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(doc.ResizeFrame(i, 16384, 16384));
    ASSERT_EQ(doc.GetPixelTotal(), CDC6File::kMaxSpritePixels);
    const std::string twoMore = "A sprite whose frames hold 1073742024 pixels in all is more than "
                                "the limit of 1073741824";
    std::string error;
    EXPECT_FALSE(AddFrameNumber(doc, error));
    EXPECT_EQ(error, twoMore);
    EXPECT_FALSE(InsertFrameNumber(doc, 1, error));
    EXPECT_EQ(error, twoMore);
    EXPECT_FALSE(AddDirection(doc, error));
    EXPECT_EQ(error, twoMore);
    EXPECT_FALSE(InsertDirection(doc, 0, error));
    EXPECT_EQ(error, twoMore);
    EXPECT_EQ(Counts(doc), std::make_pair(2, 2));
    EXPECT_EQ(doc.GetFrameListLength(), 4);

    testutil::TempDir dir;
    doc.InsertFrame(4);
    DC6FileHeader header{};
    doc.GetDC6FileHeader(header);
    header.m_iDirections = 1;
    header.m_iFramesPerDirection = 5;
    doc.SetDC6FileHeader(header);
    EXPECT_FALSE(doc.SaveDC6(dir / "big.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: A sprite whose frames hold 1073741924 pixels in "
                                      "all is more than the limit of 1073741824");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(GridEdit, BatchesFollowTheSingleCalls)
{
    CDC6File doc;
    MakeExample(doc);
    const int increasing[] = {1, 2};
    const int repeated[] = {2, 2};
    const int pastTheHeader[] = {6};
    EXPECT_FALSE(doc.DeleteFrames(increasing));
    EXPECT_FALSE(doc.DeleteFrames(repeated));
    EXPECT_FALSE(doc.DeleteFrames(pastTheHeader));
    EXPECT_FALSE(doc.InsertFrames(increasing));
    const int pastTheList[] = {7};
    EXPECT_FALSE(doc.InsertFrames(pastTheList));
    EXPECT_EQ(Frames(doc), "a0 a1 a2 b0 b1 b2");

    const int appendTwice[] = {6, 6, 0};
    ASSERT_TRUE(doc.InsertFrames(appendTwice));
    EXPECT_EQ(Frames(doc), "n a0 a1 a2 b0 b1 b2 n n");
}
