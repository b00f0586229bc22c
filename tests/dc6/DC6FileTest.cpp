// Reading and writing whole DC6 files.

#include "DC6File.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <numeric>

using testutil::ByteBuilder;
using testutil::Bytes;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

struct BlockSpec {
    int32_t width = 1;
    int32_t height = 1;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t reserved = 0;
    Bytes data = {0x01, 0x05, 0x80};
    int32_t length = -1; // the data's size unless set
};

// A DC6 file with the given frames, whose blocks are stored in `order`
// (flat indices; table order when empty).
Bytes Craft(int32_t directions, int32_t frames, const std::vector<BlockSpec>& blocks,
            std::vector<size_t> order = {}, Bytes termination = {0xCD, 0xCD, 0xCD, 0xCD})
{
    if (order.empty()) {
        order.resize(blocks.size());
        std::iota(order.begin(), order.end(), 0);
    }
    ByteBuilder b;
    b.I32(6).I32(1).I32(0).Append(termination).I32(directions).I32(frames);
    const size_t table = b.Size();
    for (size_t i = 0; i < blocks.size(); ++i)
        b.I32(0);
    for (size_t i : order) {
        const BlockSpec& s = blocks[i];
        b.Patch32(table + 4 * i, static_cast<int32_t>(b.Size()));
        const int32_t length = s.length >= 0 ? s.length : static_cast<int32_t>(s.data.size());
        b.I32(0)
            .I32(s.width)
            .I32(s.height)
            .I32(s.offsetX)
            .I32(s.offsetY)
            .I32(s.reserved)
            .I32(0)
            .I32(length);
        b.Append(s.data).U8({0xCD, 0xCD, 0xCD});
    }
    return b.Get();
}

struct Loaded {
    bool ok;
    std::string error;
    int frames;
};

Loaded Load(CDC6File& doc, const Bytes& bytes)
{
    const bool ok = doc.LoadDC6(bytes);
    return {ok, doc.GetLastErrorText(), doc.GetFrameListLength()};
}

Bytes CorpusWithFlagsSet(const std::string& name)
{
    Bytes bytes = ReadFile(testutil::DataDir() / "dc6" / name);
    bytes.at(4) = 1;
    return bytes;
}

const char* const kCorpus[] = {"authoring.dc6",       "chrome.dc6",  "composition.dc6",
                               "cursors-markers.dc6", "large.dc6",   "medium.dc6",
                               "small.dc6",           "utility.dc6", "very_small.dc6"};

} // namespace

TEST(DC6File, NewSpriteSavesToTheSeventyThreeBytesOfTheFormat)
{
    TempDir dir;
    CDC6File doc;
    doc.NewDC6(1, 1);
    ASSERT_TRUE(doc.SaveDC6(dir / "new.dc6")) << doc.GetLastErrorText();

    ByteBuilder expected;
    expected.I32(6).I32(1).I32(0).U8({0xCD, 0xCD, 0xCD, 0xCD}).I32(1).I32(1).I32(28);
    expected.I32(0).I32(10).I32(10).I32(0).I32(0).I32(0).I32(73).I32(10);
    expected.Append(Bytes(10, 0x80)).U8({0xCD, 0xCD, 0xCD});
    EXPECT_EQ(ReadFile(dir / "new.dc6"), expected.Get());
}

TEST(DC6File, HeaderFailuresReportTheFirstBrokenField)
{
    // The reader's message names every header field that is wrong; a
    // repairing read takes any flags and stops at the next fault.
    const std::string notDc6 = "Error: Fileformat not DC6";
    const std::string version = "\nThe header's version field (bytes 0 to 3) holds 5; a DC6 "
                                "file holds 6 there";
    const std::string flags = "\nThe header's flags field (bytes 4 to 7) holds 0; a DC6 file "
                              "holds 1 there";
    const std::string encoding = "\nThe header's encoding field (bytes 8 to 11) holds 1; a DC6 "
                                 "file holds 0 there";
    struct Case {
        const char* name;
        int32_t version, flags, encoding, directions, frames;
        std::string error, repairError;
    };
    const Case cases[] = {
        {"version", 5, 1, 0, 1, 1, notDc6 + version, notDc6 + version},
        {"flags and counts", 6, 0, 0, 0, 0, notDc6 + flags, "Error: m_iDirections <= 0"},
        {"encoding", 6, 1, 1, 1, 1, notDc6 + encoding, notDc6 + encoding},
        {"all three", 5, 0, 1, 1, 1, notDc6 + version + flags + encoding,
         notDc6 + version + flags + encoding},
        {"no directions", 6, 1, 0, 0, 1, "Error: m_iDirections <= 0", "Error: m_iDirections <= 0"},
        {"negative directions", 6, 1, 0, -4, 0, "Error: m_iDirections <= 0",
         "Error: m_iDirections <= 0"},
        {"no frames", 6, 1, 0, 3, 0, "Error: m_iFramesPerDirection <= 0",
         "Error: m_iFramesPerDirection <= 0"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ByteBuilder b;
        b.I32(c.version)
            .I32(c.flags)
            .I32(c.encoding)
            .U8({1, 2, 3, 4})
            .I32(c.directions)
            .I32(c.frames);
        CDC6File doc;
        const Loaded r = Load(doc, b.Get());
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.frames, 0) << c.name;
        DC6FileHeader header;
        ASSERT_TRUE(doc.GetDC6FileHeader(header)) << "the header stays as read";
        EXPECT_EQ(header.m_iVersion, c.version);
        EXPECT_EQ(header.m_iDirections, c.directions);

        WriteFile(dir / "header.dc6", b.Get());
        std::string repaired;
        EXPECT_FALSE(doc.LoadDC6Repaired(dir / "header.dc6", repaired)) << c.name;
        EXPECT_EQ(doc.GetLastErrorText(), c.repairError) << c.name;
    }

    CDC6File doc;
    EXPECT_EQ(Load(doc, Bytes{6, 0, 0}).error, notDc6 + flags);
}

TEST(DC6File, FrameFailuresNameTheFrame)
{
    std::vector<BlockSpec> blocks(4);
    blocks[2].length = 0;
    CDC6File doc;
    Loaded r = Load(doc, Craft(2, 2, blocks));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [2]");
    EXPECT_EQ(r.frames, 3) << "frames 0 to 2 are in the list";

    blocks[2] = BlockSpec{.height = 0};
    r = Load(doc, Craft(2, 2, blocks));
    EXPECT_EQ(r.error, "DecodeDC6ImageData: m_iHeight <= 0");

    blocks[2] = BlockSpec{.width = 4, .data = {0x85, 0x01, 0x05, 0x80}};
    r = Load(doc, Craft(2, 2, blocks));
    EXPECT_EQ(r.error, "DecodeDC6ImageData: Offset > Imagesize");

    // The last entry points past the end of the file.
    Bytes bytes = Craft(2, 2, std::vector<BlockSpec>(4));
    bytes[24 + 12] = 0xF0;
    r = Load(doc, bytes);
    EXPECT_EQ(r.error, "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [3]");
}

TEST(DC6File, HugeCountsDoNotMakeTheReaderAllocateTheirTable)
{
    // 2^62 frames declared, one table entry there, pointing past the end.
    ByteBuilder b;
    b.I32(6).I32(1).I32(0).U8({0, 0, 0, 0}).I32(0x7FFFFFFF).I32(0x7FFFFFFF).I32(0x1000);
    CDC6File doc;
    Loaded r = Load(doc, b.Get());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [0]");
    EXPECT_EQ(r.frames, 1);

    // The file ends inside the first table entry.
    Bytes cut = b.Get();
    cut.resize(26);
    r = Load(doc, cut);
    EXPECT_EQ(r.error, "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [0]");
    cut.resize(24);
    r = Load(doc, cut);
    EXPECT_EQ(r.error, "Error: (pDC6Frame->m_pDC6FrameHeader->m_iLength <= 0 [0]");
}

TEST(DC6File, FilesOfMoreFramesThanALimitAreRefusedWhereTheLimitIsPassed)
{
    // 2^20 + 1 table entries, all naming one block of one pixel.
    const int32_t count = static_cast<int32_t>(CDC6File::kMaxFrames) + 1;
    ByteBuilder b;
    b.I32(6).I32(1).I32(0).U8({0, 0, 0, 0}).I32(1).I32(count);
    for (int32_t i = 0; i < count; ++i)
        b.I32(24 + 4 * count);
    b.I32(0).I32(1).I32(1).I32(0).I32(0).I32(0).I32(0).I32(3).U8({0x01, 0x05, 0x80});
    CDC6File doc;
    const Loaded r = Load(doc, b.Get());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Error: A sprite of 1048577 frames is more than the limit of 1048576");
}

TEST(DC6File, ShortAndOddFilesLoadFromTheBytesThatAreThere)
{
    CDC6File doc;
    // The last block ends with its terminator at the very end of the file.
    Bytes bytes = Craft(1, 2, std::vector<BlockSpec>(2));
    ASSERT_TRUE(Load(doc, bytes).ok) << doc.GetLastErrorText();

    // Terminator missing too: the data alone is enough.
    bytes.resize(bytes.size() - 3);
    ASSERT_TRUE(Load(doc, bytes).ok) << doc.GetLastErrorText();

    // A length far past the end of the file, over complete data.
    std::vector<BlockSpec> blocks(2);
    blocks[1].length = 0x7FFFFFF0;
    ASSERT_TRUE(Load(doc, Craft(1, 2, blocks)).ok) << doc.GetLastErrorText();

    // Data cut off before its last row.
    bytes =
        Craft(1, 1, {BlockSpec{.width = 2, .height = 2, .data = {0x01, 0x05, 0x80, 0x01, 0x06}}});
    bytes.resize(bytes.size() - 3);
    const Loaded r = Load(doc, bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "DecodeDC6ImageData: encoded data ends before the last row");

    // Absurd sizes fail before their pixels are allocated.
    EXPECT_EQ(Load(doc, Craft(1, 1, {BlockSpec{.width = 0x10000, .height = 0x10000}})).error,
              "DecodeDC6ImageData: a frame of 65536 x 65536 pixels is larger than the limit of "
              "268435456 pixels");
    EXPECT_EQ(Load(doc, Craft(1, 1, {BlockSpec{.width = 1000, .height = 100000}})).error,
              "DecodeDC6ImageData: encoded data ends before the last row");
}

TEST(DC6File, BlocksAreFoundThroughTheTableInAnyOrder)
{
    std::vector<BlockSpec> blocks = {
        {.width = 1, .height = 1, .offsetX = -12, .data = {0x01, 0x0A, 0x80}},
        {.width = 2, .height = 1, .offsetY = 30, .data = {0x02, 0x0B, 0x0C, 0x80}},
        {.width = 3, .height = 1, .reserved = 7, .data = {0x82, 0x01, 0x0D, 0x80}},
    };
    // Frame 1's block first, then frame 2's, then frame 0's; and frame 3
    // shares frame 0's block.
    Bytes bytes = Craft(2, 2, {blocks[0], blocks[1], blocks[2], blocks[0]}, {1, 2, 0, 3});
    const Bytes frame0Entry(bytes.begin() + 24, bytes.begin() + 28);
    std::copy(frame0Entry.begin(), frame0Entry.end(), bytes.begin() + 36);

    CDC6File doc;
    ASSERT_TRUE(Load(doc, bytes).ok) << doc.GetLastErrorText();
    DC6Frame frame;
    const Bytes expected[] = {{0x0A}, {0x0B, 0x0C}, {0, 0, 0x0D}, {0x0A}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(doc.GetDC6Frame(i, frame));
        EXPECT_EQ(frame.m_ImageData, expected[i]) << "frame " << i;
    }

    // Saving lays the blocks out in table order, one after the other.
    TempDir dir;
    ASSERT_TRUE(doc.SaveDC6(dir / "ordered.dc6"));
    const Bytes saved = ReadFile(dir / "ordered.dc6");
    int32_t expectedAt = 24 + 4 * 4;
    for (int i = 0; i < 4; ++i) {
        int32_t at;
        std::memcpy(&at, saved.data() + 24 + 4 * i, 4);
        EXPECT_EQ(at, expectedAt) << "frame " << i;
        DC6FrameHeader fh;
        std::memcpy(&fh, saved.data() + at, sizeof fh);
        EXPECT_EQ(fh.m_iNextBlock, at + 32 + fh.m_iLength + 3);
        expectedAt = fh.m_iNextBlock;
    }
    EXPECT_EQ(static_cast<size_t>(expectedAt), saved.size());
}

TEST(DC6File, SavingKeepsWhatTheFileHeldAndRecomputesTheRest)
{
    std::vector<BlockSpec> blocks = {
        {.width = 2,
         .height = 1,
         .offsetX = -12,
         .offsetY = -7,
         .reserved = 0x1234,
         .data = {0x02, 1, 2, 0x80}},
        {.width = 1, .height = 1, .offsetX = 30, .offsetY = 2147483647, .reserved = -1},
    };
    Bytes bytes = Craft(1, 2, blocks, {}, {0xEE, 0x01, 0x00, 0xEE});
    bytes[24 + 4 * 2] = 0x09;      // frame 0's flip
    bytes[24 + 4 * 2 + 24] = 0x55; // frame 0's next-block field
    CDC6File doc;
    ASSERT_TRUE(Load(doc, bytes).ok) << doc.GetLastErrorText();
    TempDir dir;
    ASSERT_TRUE(doc.SaveDC6(dir / "kept.dc6"));

    CDC6File back;
    ASSERT_TRUE(back.LoadDC6(dir / "kept.dc6")) << back.GetLastErrorText();
    DC6FileHeader header;
    back.GetDC6FileHeader(header);
    EXPECT_EQ(Bytes(header.m_cTermination, header.m_cTermination + 4),
              (Bytes{0xEE, 0x01, 0x00, 0xEE}));
    for (int i = 0; i < 2; ++i) {
        DC6Frame frame;
        back.GetDC6Frame(i, frame);
        const DC6FrameHeader& fh = frame.m_DC6FrameHeader;
        EXPECT_EQ(fh.m_iOffsetX, blocks[i].offsetX);
        EXPECT_EQ(fh.m_iOffsetY, blocks[i].offsetY);
        EXPECT_EQ(fh.m_iReserved, blocks[i].reserved);
        EXPECT_EQ(fh.m_iFlip, 0);
        EXPECT_EQ(fh.m_iLength, static_cast<int32_t>(blocks[i].data.size()));
    }
}

TEST(DC6File, StoredNameServesSaveWithoutAPath)
{
    TempDir dir;
    const auto walk = dir / "walk.dc6";
    CDC6File doc;
    doc.NewDC6(1, 1);
    EXPECT_FALSE(doc.SaveDC6());
    EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Created");
    ASSERT_TRUE(doc.SaveDC6(walk));

    ASSERT_TRUE(doc.LoadDC6(walk));
    EXPECT_EQ(doc.GetFileNamePart(true, false), "walk.dc6");
    EXPECT_EQ(doc.GetFileNamePart(false, false), "walk");
    EXPECT_EQ(doc.GetFileNamePart(false, true), "walk");
    EXPECT_EQ(doc.GetFileNamePart(true, true), ".dc6");
    doc.SetFrameOffsetX(0, 5);
    ASSERT_TRUE(doc.SaveDC6());
    CDC6File back;
    ASSERT_TRUE(back.LoadDC6(walk));
    EXPECT_EQ(back.GetFrameOffsetX(0), 5);

    // A failed load still takes the name; FreeDC6 and NewDC6 drop it.
    EXPECT_FALSE(doc.LoadDC6(dir / "missing.sprite.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Opened ");
    EXPECT_EQ(doc.GetFileNamePart(true, false), "missing.sprite.dc6");
    EXPECT_EQ(doc.GetFileNamePart(false, false), "missing.sprite");
    EXPECT_FALSE(doc.LoadDC6(dir.Path()));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Opened ");
    doc.NewDC6(1, 1);
    EXPECT_EQ(doc.GetFileNamePart(true, false), "");
}

TEST(DC6File, FailedSavesLeaveThePreviousFileAlone)
{
    TempDir dir;
    const auto target = dir / "keep.dc6";
    CDC6File doc;
    doc.NewDC6(2, 3);
    ASSERT_TRUE(doc.SaveDC6(target));
    ::chmod(target.c_str(), 0640);
    const Bytes before = ReadFile(target);
    const auto folderEntries = [&] {
        return std::distance(std::filesystem::directory_iterator(dir.Path()),
                             std::filesystem::directory_iterator());
    };

    // A frame without rows cannot be encoded.
    doc.ResizeFrame(4, 5, 0);
    EXPECT_FALSE(doc.SaveDC6(target));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: Image Could not be encoded");
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_EQ(folderEntries(), 1) << "the temporary file is gone";

    // The disk fills up part-way.
    doc.ResizeFrame(4, 2000, 2000);
    {
        const testutil::FileSizeLimit full(4096);
        EXPECT_FALSE(doc.SaveDC6(target));
    }
    EXPECT_EQ(doc.GetLastErrorText().rfind("Error: File Could Not Be Written", 0), 0u)
        << doc.GetLastErrorText();
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_EQ(folderEntries(), 1);

    // A successful save keeps the file's permissions.
    ASSERT_TRUE(doc.SaveDC6(target));
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Folders that do not exist, and folders in the target's place.
    EXPECT_FALSE(doc.SaveDC6(dir / "no-such-folder" / "x.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(),
              "Error: File Could Not Be Created (No such file or directory)");
    std::filesystem::create_directory(dir / "folder.dc6");
    EXPECT_FALSE(doc.SaveDC6(dir / "folder.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Created (Is a directory)");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.dc6"));
    EXPECT_EQ(folderEntries(), 2);
}

TEST(DC6File, DocumentsThatDoNotMatchTheirHeaderAreNotSaved)
{
    TempDir dir;
    CDC6File doc;
    EXPECT_FALSE(doc.SaveDC6(dir / "empty.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(), "Error: There is no sprite to save");
    doc.NewDC6(0, 0);
    EXPECT_FALSE(doc.SaveDC6(dir / "zero.dc6"));
    doc.NewDC6(2, 2);
    doc.InsertFrame(0);
    EXPECT_FALSE(doc.SaveDC6(dir / "extra.dc6"));
    EXPECT_EQ(doc.GetLastErrorText(),
              "Error: The frames do not match the directions and frames per direction");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(DC6File, LargeFramesPastTheOldEncodeBufferRoundTrip)
{
    TempDir dir;
    CDC6File doc;
    doc.NewDC6(1, 2);
    doc.ResizeFrame(1, 700, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = y % 2; x < 700; x += 2)
            doc.SetFramePixel(1, x, y, static_cast<uint8_t>(1 + (x + y) % 250));
    ASSERT_TRUE(doc.SaveDC6(dir / "big.dc6")) << doc.GetLastErrorText();
    CDC6File back;
    ASSERT_TRUE(back.LoadDC6(dir / "big.dc6")) << back.GetLastErrorText();
    DC6Frame a, b;
    doc.GetDC6Frame(1, a);
    back.GetDC6Frame(1, b);
    EXPECT_EQ(a.m_ImageData, b.m_ImageData);
}

TEST(DC6File, FilesOfAnotherEncoderLoadAndResaveUnchanged)
{
    TempDir dir;
    int negativeOffsets = 0;
    for (const char* name : kCorpus) {
        SCOPED_TRACE(name);
        CDC6File original;
        const auto path = testutil::DataDir() / "dc6" / name;
        EXPECT_FALSE(original.LoadDC6(path));
        EXPECT_EQ(original.GetLastErrorText(), "Error: Fileformat not DC6\nThe header's flags "
                                               "field (bytes 4 to 7) holds 0; a DC6 file holds 1 "
                                               "there");

        // Repaired, the file reads as it does with its flags set.
        std::string repaired;
        ASSERT_TRUE(original.LoadDC6Repaired(path, repaired)) << original.GetLastErrorText();
        EXPECT_EQ(repaired, "the header's flags field (bytes 4 to 7) held 0; it now holds 1");
        CDC6File flagsSet;
        ASSERT_TRUE(flagsSet.LoadDC6(CorpusWithFlagsSet(name)));
        ASSERT_TRUE(flagsSet.SaveDC6(dir / "flags-set.dc6"));
        ASSERT_TRUE(original.SaveDC6(dir / name));
        EXPECT_EQ(ReadFile(dir / name), ReadFile(dir / "flags-set.dc6"));
        ASSERT_TRUE(original.LoadDC6Repaired(dir / name, repaired));
        EXPECT_EQ(repaired, "") << "nothing left to repair";
        CDC6File back;
        ASSERT_TRUE(back.LoadDC6(dir / name)) << back.GetLastErrorText();

        DC6FileHeader a, b;
        original.GetDC6FileHeader(a);
        back.GetDC6FileHeader(b);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
        EXPECT_EQ(Bytes(b.m_cTermination, b.m_cTermination + 4), Bytes(4, 0xEE));
        const int count = b.m_iDirections * b.m_iFramesPerDirection;
        ASSERT_EQ(back.GetFrameListLength(), count);
        for (int i = 0; i < count; ++i) {
            DC6Frame fa, fb;
            original.GetDC6Frame(i, fa);
            back.GetDC6Frame(i, fb);
            EXPECT_EQ(fa.m_DC6FrameHeader.m_iWidth, fb.m_DC6FrameHeader.m_iWidth);
            EXPECT_EQ(fa.m_DC6FrameHeader.m_iHeight, fb.m_DC6FrameHeader.m_iHeight);
            EXPECT_EQ(fa.m_DC6FrameHeader.m_iOffsetX, fb.m_DC6FrameHeader.m_iOffsetX);
            EXPECT_EQ(fa.m_DC6FrameHeader.m_iOffsetY, fb.m_DC6FrameHeader.m_iOffsetY);
            ASSERT_EQ(fa.m_ImageData, fb.m_ImageData) << "frame " << i;
            negativeOffsets += fb.m_DC6FrameHeader.m_iOffsetX < 0;
        }
    }
    EXPECT_GT(negativeOffsets, 0);
}

TEST(DC6File, LargeFilesAreReadAFrameAtATime)
{
    // Past 16 MiB the reader no longer takes the file in one piece.
    TempDir dir;
    CDC6File doc;
    doc.NewDC6(1, 2);
    uint32_t state = 12345;
    for (int i = 0; i < 2; ++i) {
        doc.ResizeFrame(i, 4096, 2100);
        for (int y = 0; y < 2100; ++y)
            for (int x = 0; x < 4096; ++x) {
                state = state * 1103515245u + 12345u;
                doc.SetFramePixel(i, x, y, static_cast<uint8_t>(1 + (state >> 16) % 255));
            }
    }
    ASSERT_TRUE(doc.SaveDC6(dir / "big.dc6"));
    ASSERT_GT(std::filesystem::file_size(dir / "big.dc6"), 16u << 20);

    CDC6File back;
    ASSERT_TRUE(back.LoadDC6(dir / "big.dc6")) << back.GetLastErrorText();
    for (int i = 0; i < 2; ++i) {
        DC6Frame a, b;
        doc.GetDC6Frame(i, a);
        back.GetDC6Frame(i, b);
        ASSERT_EQ(a.m_ImageData, b.m_ImageData) << "frame " << i;
    }

    std::filesystem::resize_file(dir / "big.dc6",
                                 std::filesystem::file_size(dir / "big.dc6") - 5000);
    EXPECT_FALSE(back.LoadDC6(dir / "big.dc6"));
    EXPECT_EQ(back.GetLastErrorText(), "DecodeDC6ImageData: encoded data ends before the last row");
}

namespace {

// Reads every frame of `bytes` alone, from memory and from a file, and
// checks each against the frame a whole load gives, or against the whole
// load's error for the frame at which it stopped.
void ExpectFramesReadAsLoaded(const Bytes& bytes, const TempDir& dir)
{
    CDC6File whole;
    const bool loaded = whole.LoadDC6(bytes);
    DC6FileHeader header{};
    whole.GetDC6FileHeader(header);
    const int64_t count = whole.GetFrameListLength();
    WriteFile(dir / "frames.dc6", bytes);
    for (int64_t i = 0; i < std::max<int64_t>(count, 1); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        for (const bool fromFile : {false, true}) {
            CDC6File reader;
            DC6FileHeader readHeader{};
            DC6Frame frame;
            const bool read =
                fromFile ? reader.ReadDC6Frame(dir / "frames.dc6", i, CDC6File::kMaxFramePixels,
                                               INT32_MAX, readHeader, frame)
                         : reader.ReadDC6Frame(bytes, i, CDC6File::kMaxFramePixels, INT32_MAX,
                                               readHeader, frame);
            const bool lastOfFailedLoad = !loaded && i + 1 >= count;
            if (lastOfFailedLoad) {
                EXPECT_FALSE(read);
                EXPECT_EQ(reader.GetLastErrorText(), whole.GetLastErrorText());
                continue;
            }
            ASSERT_TRUE(read) << reader.GetLastErrorText();
            EXPECT_EQ(std::memcmp(&readHeader, &header, sizeof header), 0);
            DC6Frame expected;
            ASSERT_TRUE(whole.GetDC6Frame(static_cast<int>(i), expected));
            EXPECT_EQ(std::memcmp(&frame.m_DC6FrameHeader, &expected.m_DC6FrameHeader,
                                  sizeof(DC6FrameHeader)),
                      0);
            ASSERT_EQ(frame.m_ImageData, expected.m_ImageData);
        }
    }
}

} // namespace

TEST(DC6File, OneFrameReadsAsTheWholeLoadReadsIt)
{
    TempDir dir;
    for (const char* name : kCorpus) {
        SCOPED_TRACE(name);
        ExpectFramesReadAsLoaded(CorpusWithFlagsSet(name), dir);
    }
    std::vector<BlockSpec> blocks(4);
    blocks[1] =
        BlockSpec{.width = 3, .height = 2, .offsetX = -7, .data = {0x82, 0x01, 9, 0x80, 0x80}};
    SCOPED_TRACE("crafted");
    ExpectFramesReadAsLoaded(Craft(2, 2, blocks, {3, 1, 0, 2}), dir);

    // Each failure of a whole load, met by reading the frame alone.
    blocks[2].length = 0;
    ExpectFramesReadAsLoaded(Craft(2, 2, blocks), dir);
    blocks[2] = BlockSpec{.width = 4, .data = {0x85, 0x01, 0x05, 0x80}};
    ExpectFramesReadAsLoaded(Craft(2, 2, blocks), dir);
    blocks[2] = BlockSpec{.data = {0x01}};
    ExpectFramesReadAsLoaded(Craft(2, 2, blocks), dir);
    Bytes past = Craft(2, 2, std::vector<BlockSpec>(4));
    past[24 + 12] = 0xF0;
    ExpectFramesReadAsLoaded(past, dir);
    ExpectFramesReadAsLoaded(Bytes(past.begin(), past.begin() + 24 + 9), dir);
    past[8] = 1;
    ExpectFramesReadAsLoaded(past, dir);
}

TEST(DC6File, OneFrameReadRefusesWhatItsLimitsForbid)
{
    std::vector<BlockSpec> blocks(2);
    blocks[1] = BlockSpec{.width = 3, .height = 2, .data = {0x03, 1, 2, 3, 0x80, 0x80}};
    const Bytes bytes = Craft(1, 2, blocks);
    struct Case {
        int64_t index, maxPixels, maxEncoded;
        const char* error; // nullptr: read
    };
    const Case cases[] = {
        {1, 6, 6, nullptr},
        {1, 5, 6, "Error: a frame of 3 x 2 pixels is larger than the limit of 5 pixels [1]"},
        {1, 6, 5, "Error: a frame of 6 encoded bytes is longer than the limit of 5 bytes [1]"},
        {2, 6, 6, "Error: The sprite has no frame [2]"},
        {-1, 6, 6, "Error: The sprite has no frame [-1]"},
    };
    for (const Case& c : cases) {
        CDC6File reader;
        DC6FileHeader header;
        DC6Frame frame;
        const bool read =
            reader.ReadDC6Frame(bytes, c.index, c.maxPixels, c.maxEncoded, header, frame);
        EXPECT_EQ(read, c.error == nullptr) << c.index << " " << c.maxPixels << " " << c.maxEncoded;
        if (c.error != nullptr) {
            EXPECT_EQ(reader.GetLastErrorText(), c.error);
            EXPECT_TRUE(frame.m_ImageData.empty());
        } else {
            EXPECT_EQ(frame.m_ImageData, (Bytes{1, 2, 3, 0, 0, 0}));
        }
    }
}

TEST(DC6File, OnlyRegularFilesAreOpenedAndNamedPipesDoNotBlock)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.dc6").c_str(), 0600), 0);
    for (const auto& path : {dir / "pipe.dc6", dir.Path(), dir / "missing.dc6"}) {
        SCOPED_TRACE(path.string());
        CDC6File doc;
        EXPECT_FALSE(doc.LoadDC6(path));
        EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Opened ");
        DC6FileHeader header;
        DC6Frame frame;
        EXPECT_FALSE(doc.ReadDC6Frame(path, 0, 1, 1, header, frame));
        EXPECT_EQ(doc.GetLastErrorText(), "Error: File Could Not Be Opened ");
    }
}
