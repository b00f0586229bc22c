// The document's frame list and its index rules.

#include "DC6File.h"
#include "DirectionCanvas.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Marks frame i by giving it offset x = 100 + i.
void MarkFrames(CDC6File& doc)
{
    for (int i = 0; i < doc.GetFrameListLength(); ++i)
        doc.SetFrameOffsetX(i, 100 + i);
}

std::vector<int> Marks(const CDC6File& doc)
{
    std::vector<int> marks;
    for (int i = 0; i < doc.GetFrameListLength(); ++i)
        marks.push_back(doc.GetFrameOffsetX(i));
    return marks;
}

} // namespace

TEST(DC6Document, NewDocumentsHoldBlankFrames)
{
    CDC6File doc;
    ASSERT_TRUE(doc.NewDC6(1, 1));
    DC6FileHeader header;
    ASSERT_TRUE(doc.GetDC6FileHeader(header));
    EXPECT_EQ(header.m_iVersion, 6);
    EXPECT_EQ(header.m_iFlags, 1);
    EXPECT_EQ(header.m_iEncoding, 0);
    for (uint8_t byte : header.m_cTermination)
        EXPECT_EQ(byte, 0xCD);
    EXPECT_EQ(header.m_iDirections, 1);
    EXPECT_EQ(header.m_iFramesPerDirection, 1);

    DC6Frame frame;
    ASSERT_TRUE(doc.GetDC6Frame(0, frame));
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iWidth, 10);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iHeight, 10);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iOffsetX, 0);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iReserved, 0);
    EXPECT_EQ(frame.m_ImageData, std::vector<uint8_t>(100, 0));

    ASSERT_TRUE(doc.NewDC6(3, 4));
    EXPECT_EQ(doc.GetFrameListLength(), 12);
    // Fewer than two frames in the header still give one frame.
    ASSERT_TRUE(doc.NewDC6(0, 5));
    EXPECT_EQ(doc.GetFrameListLength(), 1);

    EXPECT_FALSE(doc.NewDC6(0x7FFFFFFF, 0x7FFFFFFF));
    EXPECT_EQ(doc.GetLastErrorText(),
              "Error: A sprite of 4611686014132420609 frames is more than the limit of 1048576");
    EXPECT_EQ(doc.GetFrameListLength(), 1) << "a refused NewDC6 keeps the document";
}

TEST(DC6Document, InsertAndDeleteKeepFlatOrder)
{
    CDC6File doc;
    doc.NewDC6(1, 3);
    MarkFrames(doc);

    ASSERT_NE(doc.InsertFrame(0), nullptr);
    EXPECT_EQ(Marks(doc), (std::vector<int>{0, 100, 101, 102}));
    ASSERT_NE(doc.InsertFrame(4), nullptr) << "the list length appends";
    EXPECT_EQ(Marks(doc), (std::vector<int>{0, 100, 101, 102, 0}));
    EXPECT_EQ(doc.InsertFrame(6), nullptr);
    EXPECT_EQ(doc.InsertFrame(-1), nullptr);
    EXPECT_EQ(doc.GetFrameListLength(), 5);

    // Deleting is bounded by the header's count (3), not the list's length.
    doc.DeleteFrame(3);
    doc.DeleteFrame(-1);
    EXPECT_EQ(doc.GetFrameListLength(), 5);
    doc.DeleteFrame(0);
    EXPECT_EQ(Marks(doc), (std::vector<int>{100, 101, 102, 0}));
}

TEST(DC6Document, IndexRulesFollowTheHeaderOrTheList)
{
    CDC6File doc;
    doc.NewDC6(2, 2);
    doc.ResizeFrame(3, 4, 5);
    doc.SetFrameOffsetY(3, -12);

    // Shrink the header without touching the list: reads that go by the
    // header stop at its count; the frame setters and getters go by the list.
    DC6FileHeader header;
    doc.GetDC6FileHeader(header);
    header.m_iDirections = 1;
    doc.SetDC6FileHeader(header);
    EXPECT_EQ(doc.GetFrameListLength(), 4);

    DC6Frame frame;
    frame.m_DC6FrameHeader.m_iWidth = 77;
    EXPECT_FALSE(doc.GetDC6Frame(2, frame));
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iWidth, 77) << "nothing is copied";
    EXPECT_EQ(doc.GetFramePixelCount(2), 0);
    EXPECT_TRUE(doc.GetFramePixels(2).empty());
    EXPECT_EQ(doc.GetFramePixelCount(1), 100);
    EXPECT_EQ(doc.GetFrameOffsetY(3), -12);
    EXPECT_EQ(doc.GetFrameOffsetX(4), 0);
    EXPECT_EQ(doc.GetFrameOffsetY(-1), 0);

    header.m_iDirections = 2;
    doc.SetDC6FileHeader(header);
    ASSERT_TRUE(doc.GetDC6Frame(3, frame));
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iWidth, 4);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iHeight, 5);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iOffsetY, -12) << "resizing keeps the offsets";
    EXPECT_EQ(frame.m_ImageData, std::vector<uint8_t>(20, 0));
}

TEST(DC6Document, PixelsAndSizesStayConsistent)
{
    CDC6File doc;
    doc.NewDC6(1, 1);
    ASSERT_TRUE(doc.ResizeFrame(0, 3, 2));
    doc.SetFramePixel(0, 2, 1, 9);
    doc.SetFramePixel(0, 3, 0, 8);  // outside: ignored
    doc.SetFramePixel(0, 0, 2, 8);  // outside: ignored
    doc.SetFramePixel(0, -1, 0, 8); // outside: ignored
    doc.SetFramePixel(1, 0, 0, 8);  // no such frame
    DC6Frame frame;
    doc.GetDC6Frame(0, frame);
    EXPECT_EQ(frame.m_ImageData, (std::vector<uint8_t>{0, 0, 0, 0, 0, 9}));
    const std::span<const uint8_t> inPlace = doc.GetFramePixels(0);
    EXPECT_EQ(std::vector<uint8_t>(inPlace.begin(), inPlace.end()), frame.m_ImageData);
    const uint8_t row[] = {4, 5, 6, 7};
    doc.SetFrameRow(0, 0, std::span(row, 2)); // shorter: the rest stays
    doc.SetFrameRow(0, 1, row);               // longer: cut at the width
    doc.SetFrameRow(0, 2, row);               // outside: ignored
    doc.SetFrameRow(0, -1, row);              // outside: ignored
    doc.SetFrameRow(1, 0, row);               // no such frame
    doc.GetDC6Frame(0, frame);
    EXPECT_EQ(frame.m_ImageData, (std::vector<uint8_t>{4, 5, 0, 4, 5, 6}));

    EXPECT_FALSE(doc.ResizeFrame(0, -1, 5));
    EXPECT_FALSE(doc.ResizeFrame(0, 1 << 16, 1 << 16));
    EXPECT_FALSE(doc.ResizeFrame(1, 2, 2));
    EXPECT_EQ(doc.GetFramePixelCount(0), 6);

    DC6Frame loose = CDC6File::CreateFrame();
    CDC6File::FreeFramePixels(loose);
    EXPECT_TRUE(loose.m_ImageData.empty());
    ASSERT_TRUE(CDC6File::ResizeFramePixels(loose, 2, 2));
    EXPECT_EQ(loose.m_ImageData.size(), 4u);
}

TEST(DC6Document, EmptyDocumentsAnswerNothing)
{
    CDC6File doc;
    DC6FileHeader header{};
    EXPECT_FALSE(doc.GetDC6FileHeader(header));
    doc.SetDC6FileHeader(header);
    EXPECT_FALSE(doc.GetDC6FileHeader(header));
    EXPECT_EQ(doc.GetFramePixelCount(0), 0);
    EXPECT_TRUE(doc.GetFramePixels(0).empty());
    doc.DeleteFrame(0);
    EXPECT_EQ(doc.FreeDC6(), 0);
    EXPECT_EQ(doc.GetFileNamePart(true, false), "");
}

TEST(DC6Document, ADirectionsCanvasHoldsItsFramesAtTheirOffsets)
{
    // Direction 1: 10 x 20 at 0, 0 and 10 x 10 at 5, 5. Direction 0 lies
    // elsewhere and does not count.
    CDC6File doc;
    doc.NewDC6(2, 2);
    doc.SetFrameOffsetX(0, -500);
    doc.ResizeFrame(2, 10, 20);
    doc.SetFrameOffsetX(3, 5);
    doc.SetFrameOffsetY(3, 5);
    const CDirectionCanvas canvas = DirectionCanvas(doc, 1);
    EXPECT_EQ(canvas.m_iMinX, 0);
    EXPECT_EQ(canvas.m_iMinTop, -20);
    EXPECT_EQ(canvas.m_iMaxRight, 15);
    EXPECT_EQ(canvas.m_iMaxY, 5);
    EXPECT_EQ(canvas.Width(), 15);
    EXPECT_EQ(canvas.Height(), 25);

    for (int direction : {-1, 2})
        EXPECT_TRUE(DirectionCanvas(doc, direction).IsEmpty()) << direction;
    EXPECT_TRUE(DirectionCanvas(CDC6File(), 0).IsEmpty());

    // The farthest offsets do not overflow.
    doc.SetFrameOffsetX(0, INT_MIN);
    doc.SetFrameOffsetX(1, INT_MAX);
    EXPECT_EQ(DirectionCanvas(doc, 0).Width(), int64_t{INT_MAX} + 10 - INT_MIN);
}
