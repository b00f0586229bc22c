#include "DC6CodecPaths.h"
#include "DC6File.h"
#include "PlainCodec.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using testutil::Bytes;

namespace {

// The pixels get a buffer of exactly their size (and the slack that frame
// pixels always have), so that AddressSanitizer sees any read past that.
DC6Frame MakeFrame(int width, int height, const Bytes& pixels)
{
    DC6Frame frame;
    frame.m_DC6FrameHeader.m_iWidth = width;
    frame.m_DC6FrameHeader.m_iHeight = height;
    frame.m_ImageData.assign(pixels.begin(), pixels.end());
    return frame;
}

Bytes Encode(DC6Frame frame)
{
    Bytes out;
    const int n = CDC6File::EncodeDC6ImageData(frame, out);
    out.resize(static_cast<size_t>(n));
    return out;
}

Bytes Repeat(size_t count, uint8_t value)
{
    return Bytes(count, value);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct DecodeResult {
    bool ok;
    std::string error;
    Bytes pixels;
};

// The data is copied into a buffer of exactly its size, for the same reason
// as in MakeFrame; and AddressSanitizer fills new allocations with 0xBE, so
// that a pixel the decoder fails to write shows.
DecodeResult Decode(int width, int height, const Bytes& data)
{
    CDC6File doc;
    DC6Frame frame = MakeFrame(width, height, {});
    const Bytes exact(data);
    const bool ok = doc.DecodeDC6ImageData(&frame, exact);
    return {ok, doc.GetLastErrorText(), Bytes(frame.m_ImageData.begin(), frame.m_ImageData.end())};
}

// Encodes with the codec and with the plain encoder, and decodes back.
void ExpectExactRoundTrip(int width, int height, const Bytes& pixels)
{
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    const Bytes encoded = Encode(MakeFrame(width, height, pixels));
    ASSERT_EQ(encoded, plaincodec::Encode(width, height, pixels));
    ASSERT_LE(encoded.size(), static_cast<size_t>((2 * width + 1) * height));
    const DecodeResult back = Decode(width, height, encoded);
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.pixels, pixels);
}

} // namespace

void PrintTo(ECodecPath path, std::ostream* os)
{
    *os << CodecPathName(path);
}

namespace {

// Every test runs on each vector path that this processor has.
class DC6Codec : public testing::TestWithParam<ECodecPath> {
private:
    CCodecPathScope m_Path{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Paths, DC6Codec,
                         testing::ValuesIn(SupportedCodecPaths().begin(),
                                           SupportedCodecPaths().end()),
                         [](const testing::TestParamInfo<ECodecPath>& path) {
                             return std::string(CodecPathName(path.param));
                         });

} // namespace

TEST_P(DC6Codec, WorkedExampleEncodesAndDecodes)
{
    DC6Frame frame = MakeFrame(5, 2, {0, 0, 7, 7, 0, 3, 0, 0, 0, 0});
    frame.m_DC6FrameHeader.m_iFlip = 5;
    Bytes out;
    EXPECT_EQ(CDC6File::EncodeDC6ImageData(frame, out), 8);
    out.resize(8);
    EXPECT_EQ(out, (Bytes{0x82, 0x02, 0x07, 0x07, 0x80, 0x01, 0x03, 0x80}));
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iLength, 8);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iFlip, 0);

    const DecodeResult back = Decode(5, 2, out);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.pixels, frame.m_ImageData);
}

TEST_P(DC6Codec, RunsAreCutAt127AndTrailingTransparencyHasNoCode)
{
    struct Case {
        const char* name;
        int width;
        Bytes row;
        Bytes encoded;
    };
    const Bytes px127 = Repeat(127, 4);
    const Case cases[] = {
        {"127 visible", 127, px127, Concat({{0x7F}, px127, {0x80}})},
        {"128 visible", 128, Repeat(128, 4), Concat({{0x7F}, px127, {0x01, 4, 0x80}})},
        {"300 visible", 300, Repeat(300, 4),
         Concat({{0x7F}, px127, {0x7F}, px127, {0x2E}, Repeat(46, 4), {0x80}})},
        {"127 transparent then 9", 128, Concat({Repeat(127, 0), {9}}), {0xFF, 0x01, 0x09, 0x80}},
        {"128 transparent then 9",
         129,
         Concat({Repeat(128, 0), {9}}),
         {0xFF, 0x81, 0x01, 0x09, 0x80}},
        {"200 transparent then 1",
         201,
         Concat({Repeat(200, 0), {1}}),
         {0xFF, 0xC9, 0x01, 0x01, 0x80}},
        {"only the last pixel", 4, {0, 0, 0, 5}, {0x83, 0x01, 0x05, 0x80}},
        {"wholly transparent", 127, Repeat(127, 0), {0x80}},
        // A full 127-run that more transparency follows is written, and the
        // rest of the row is not.
        {"transparent past 127", 200, Repeat(200, 0), {0xFF, 0x80}},
        {"visible then transparent", 6, {1, 2, 0, 0, 0, 0}, {0x02, 1, 2, 0x80}},
    };
    for (const Case& c : cases) {
        const DC6Frame frame = MakeFrame(c.width, 1, c.row);
        EXPECT_EQ(Encode(frame), c.encoded) << c.name;
        const DecodeResult back = Decode(c.width, 1, c.encoded);
        EXPECT_TRUE(back.ok) << c.name << ": " << back.error;
        EXPECT_EQ(back.pixels, c.row) << c.name;
    }

    EXPECT_EQ(Encode(MakeFrame(10, 10, Repeat(100, 0))), Repeat(10, 0x80));
}

TEST_P(DC6Codec, DecoderToleratesWhatTheFormatAllows)
{
    // Pixels past the right edge are read and dropped.
    DecodeResult r = Decode(2, 1, {0x03, 1, 2, 3, 0x80});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pixels, (Bytes{1, 2}));

    // A run may start exactly at the end of the buffer, not beyond it.
    r = Decode(4, 1, {0x84, 0x01, 0x05, 0x80});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pixels, Bytes(4, 0));
    r = Decode(4, 1, {0x85, 0x01, 0x05, 0x80});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "DecodeDC6ImageData: Offset > Imagesize");

    // Empty literal runs change nothing; bytes after the last row are ignored.
    r = Decode(3, 2, {0x01, 7, 0x00, 0x81, 0x01, 8, 0x80, 0x00, 0x80, 0x01, 0x02, 0x03});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pixels, (Bytes{7, 0, 8, 0, 0, 0}));
}

TEST_P(DC6Codec, DecoderRejectsBadFramesBeforeAllocating)
{
    CDC6File doc;
    EXPECT_FALSE(doc.DecodeDC6ImageData(nullptr, Bytes{0x80}));
    EXPECT_EQ(doc.GetLastErrorText(), "DecodeDC6ImageData: pDC6Frames == NULL");

    struct Case {
        int width, height;
        const char* error;
    };
    const Case cases[] = {
        {0, 0, "DecodeDC6ImageData: m_iHeight <= 0"},
        {5, -1, "DecodeDC6ImageData: m_iHeight <= 0"},
        {-3, 2, "DecodeDC6ImageData: m_iWidth <= 0"},
        {0x7FFFFFFF, 0x7FFFFFFF,
         "DecodeDC6ImageData: a frame of 2147483647 x 2147483647 pixels is larger than the limit "
         "of 268435456 pixels"},
        // More rows than bytes: the stream cannot hold them all.
        {1000000, 200, "DecodeDC6ImageData: encoded data ends before the last row"},
    };
    for (const Case& c : cases) {
        DC6Frame frame = MakeFrame(c.width, c.height, {});
        EXPECT_FALSE(doc.DecodeDC6ImageData(&frame, Bytes(100, 0x80)));
        EXPECT_EQ(doc.GetLastErrorText(), c.error);
        EXPECT_EQ(frame.m_ImageData.capacity(), 0u);
    }
}

TEST_P(DC6Codec, DecoderStopsAtTheEndOfItsData)
{
    const Bytes truncated[] = {
        {},
        {0x80},                   // one row of two
        {0x01, 5, 0x81},          // no end-of-row code at all
        {0x80, 0x05, 1, 2},       // literal run longer than what is left
        {0x80, 0x00, 0x00, 0x00}, // only empty runs after the first row
    };
    for (const Bytes& data : truncated) {
        const DecodeResult r = Decode(3, 2, data);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "DecodeDC6ImageData: encoded data ends before the last row");
    }
}

TEST_P(DC6Codec, RandomFramesOfEveryWidthMatchThePlainEncoder)
{
    std::mt19937 rng(20261208);
    for (int width = 1; width <= 300; ++width) {
        for (int frame = 0; frame < 3; ++frame) {
            const int height = 1 + static_cast<int>(rng() % 6);
            // Runs of random length, alternately visible and transparent:
            // short ones, ones around the vector widths, and ones around the
            // 127 limit.
            Bytes pixels;
            const size_t size = static_cast<size_t>(width) * height;
            const unsigned longRuns = rng() % 3;
            bool visible = rng() % 2;
            while (pixels.size() < size) {
                size_t run = longRuns == 0   ? 1 + rng() % 4
                             : longRuns == 1 ? 1 + rng() % 70
                                             : 100 + rng() % 60;
                run = std::min(run, size - pixels.size());
                for (size_t k = 0; k < run; ++k)
                    pixels.push_back(visible ? static_cast<uint8_t>(1 + rng() % 255) : 0);
                visible = !visible;
            }
            ExpectExactRoundTrip(width, height, pixels);
        }
    }
}

TEST_P(DC6Codec, EveryRunLengthAtEveryPositionMatchesThePlainEncoder)
{
    // A run of each length from 1 to 200 starting at each column from 0 to
    // 66, between runs of the other kind, in the first row of a frame (with
    // room past it for whole blocks) and in its last row (without).
    for (const bool visible : {true, false}) {
        const uint8_t inner = visible ? 7 : 0;
        const uint8_t outer = visible ? 0 : 9;
        for (int start = 0; start <= 66; ++start) {
            for (int length = 1; length <= 200; ++length) {
                Bytes row(static_cast<size_t>(start), outer);
                row.insert(row.end(), static_cast<size_t>(length), inner);
                row.insert(row.end(), {outer, outer, 5});
                const int width = static_cast<int>(row.size());
                const int blankRows = (256 + width - 1) / width;
                Bytes pixels = row;
                pixels.resize(pixels.size() + static_cast<size_t>(blankRows * width), 0);
                pixels.insert(pixels.end(), row.begin(), row.end());
                ExpectExactRoundTrip(width, blankRows + 2, pixels);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST_P(DC6Codec, RowsOfSeveralThousandPixelsMatchThePlainEncoder)
{
    // Rows of many blocks: nothing in their first 5,000 pixels, a run open
    // where the encoder writes out the runs of a row of many edges (after
    // the 1,024th), an edge at every pixel, or no edge at all. Each comes first in its frame and
    // again after a row with no visible pixel, which the encoder looks over
    // for one before it writes it.
    struct Case {
        const char* name;
        int width;
        std::function<uint8_t(int)> pixel;
    };
    const Case cases[] = {
        {"late run", 9000, [](int x) { return uint8_t{x >= 5000 && x < 5300}; }},
        {"run open at the write-out", 3000,
         [](int x) { return static_cast<uint8_t>(x < 1081 ? x % 2 : x < 1500); }},
        {"every other pixel", 9000, [](int x) { return static_cast<uint8_t>(x % 2 * 3); }},
        {"all visible", 8200, [](int x) { return static_cast<uint8_t>(1 + x % 255); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes pixels;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x)
                pixels.push_back(y == 1 ? uint8_t{0} : c.pixel(x + y));
        ExpectExactRoundTrip(c.width, 3, pixels);
    }
}

TEST_P(DC6Codec, OneVisiblePixelAfterARowWithNoneMatchesThePlainEncoder)
{
    // Rows wider than a block with one visible pixel, at either end of a
    // block or of the row, between rows with none.
    for (const int width : {65, 127, 128, 129, 255, 256, 300}) {
        for (const int x : {0, 1, 63, 64, 127, 128, width - 64, width - 2, width - 1}) {
            if (x < 0 || x >= width)
                continue;
            SCOPED_TRACE(testing::Message() << width << " wide, pixel " << x);
            Bytes pixels(static_cast<size_t>(width) * 4, 0);
            pixels[static_cast<size_t>(2 * width + x)] = 9;
            ExpectExactRoundTrip(width, 4, pixels);
        }
    }
}

TEST_P(DC6Codec, PixelsLeftPastTheEndOfAShrunkFrameDoNotShow)
{
    // The encoder reads whole blocks past a frame's last row; a frame made
    // smaller in place keeps its old, visible pixels there.
    std::mt19937 rng(7);
    for (const int width : {1, 63, 64, 65, 130}) {
        for (const uint8_t last : {0, 9}) {
            Bytes pixels(static_cast<size_t>(width) * 3);
            for (uint8_t& p : pixels)
                p = rng() % 3 == 0 ? 0 : static_cast<uint8_t>(1 + rng() % 255);
            pixels.back() = last;
            DC6Frame frame = MakeFrame(width, 3, Bytes(pixels.size() + 300, 0xEE));
            frame.m_ImageData.resize(pixels.size());
            std::copy(pixels.begin(), pixels.end(), frame.m_ImageData.begin());
            EXPECT_EQ(Encode(frame), plaincodec::Encode(width, 3, pixels)) << width;
        }
    }
}

TEST_P(DC6Codec, FramesOfAnotherEncoderMatchThePlainEncoder)
{
    for (const char* name :
         {"authoring.dc6", "chrome.dc6", "composition.dc6", "cursors-markers.dc6", "large.dc6",
          "medium.dc6", "small.dc6", "utility.dc6", "very_small.dc6"}) {
        SCOPED_TRACE(name);
        Bytes bytes = testutil::ReadFile(testutil::DataDir() / "dc6" / name);
        bytes.at(4) = 1; // these files' flags field is 0
        CDC6File doc;
        ASSERT_TRUE(doc.LoadDC6(bytes)) << doc.GetLastErrorText();
        DC6Frame frame;
        for (int i = 0; doc.GetDC6Frame(i, frame); ++i) {
            const DC6FrameHeader& h = frame.m_DC6FrameHeader;
            ExpectExactRoundTrip(h.m_iWidth, h.m_iHeight,
                                 Bytes(frame.m_ImageData.begin(), frame.m_ImageData.end()));
        }
    }
}

TEST_P(DC6Codec, EncoderSizesItsOwnBufferForTheWorstCase)
{
    // Alternating single pixels need about 1.5 bytes a pixel: far more than
    // a 256 x 256 frame's pixel count.
    Bytes pixels(256 * 256);
    for (size_t i = 0; i < pixels.size(); i += 2)
        pixels[i] = 1;
    DC6Frame frame = MakeFrame(256, 256, pixels);
    Bytes out(16);
    const int n = CDC6File::EncodeDC6ImageData(frame, out);
    EXPECT_EQ(n, 256 * (128 * 2 + 127 + 1));
    EXPECT_GE(out.size(), static_cast<size_t>(n));
}

TEST_P(DC6Codec, EncoderRefusesFramesWithoutRowsOrWithAWrongBuffer)
{
    Bytes out;
    DC6Frame noRows = MakeFrame(5, 0, {});
    noRows.m_DC6FrameHeader.m_iLength = 99;
    EXPECT_EQ(CDC6File::EncodeDC6ImageData(noRows, out), 0);
    EXPECT_EQ(noRows.m_DC6FrameHeader.m_iLength, 0);

    DC6Frame shortBuffer = MakeFrame(5, 2, Bytes(9, 1));
    EXPECT_EQ(CDC6File::EncodeDC6ImageData(shortBuffer, out), 0);

    // A frame without columns still has its rows, each an end-of-row code.
    DC6Frame noColumns = MakeFrame(0, 3, {});
    EXPECT_EQ(Encode(noColumns), Bytes(3, 0x80));
}

TEST_P(DC6Codec, DecoderMatchesThePlainDecoderOnArbitraryStreams)
{
    // Streams no encoder writes: literal runs that cross the right edge or
    // start past it (past the end of the pixels in the last row), skips far
    // past it, empty runs, several literal runs in a row, rows of different
    // lengths, and streams cut short anywhere.
    std::mt19937 rng(77);
    for (int iteration = 0; iteration < 600; ++iteration) {
        const int width = 1 + static_cast<int>(rng() % 200);
        const int height = 1 + static_cast<int>(rng() % 20);
        Bytes data;
        for (int y = 0; y < height; ++y) {
            int x = 0;
            const int codes = static_cast<int>(rng() % 12);
            for (int c = 0; c < codes && (x < width || rng() % 4 == 0); ++c) {
                if (rng() % 3 == 0) {
                    const int skip = 1 + static_cast<int>(rng() % 127);
                    data.push_back(static_cast<uint8_t>(0x80 + skip));
                    x += skip;
                } else {
                    const int run = static_cast<int>(rng() % 128);
                    data.push_back(static_cast<uint8_t>(run));
                    for (int k = 0; k < run; ++k)
                        data.push_back(static_cast<uint8_t>(rng()));
                    x += run;
                }
            }
            data.push_back(0x80);
        }
        if (rng() % 4 == 0)
            data.resize(rng() % data.size());
        SCOPED_TRACE(testing::Message()
                     << width << " x " << height << ", " << data.size() << " bytes");
        const DecodeResult r = Decode(width, height, data);
        const plaincodec::Decoded expected = plaincodec::Decode(width, height, data);
        ASSERT_EQ(r.ok ? "" : r.error, expected.error);
        // A frame that does not decode keeps what was decoded before the
        // failure, and zeros.
        ASSERT_EQ(r.pixels, expected.pixels);
    }
}

TEST_P(DC6Codec, DecoderMatchesThePlainDecoderNearTheEndOfTheFrameAndOfTheData)
{
    // Rows of runs of 127 and of lengths around the vector widths, skips
    // right after long runs, empty runs and runs past the row's end, in
    // frames whose last rows lie within a block of their end; each stream
    // decoded whole and cut after every byte, where the data runs short at
    // every point of a code.
    const int codes[] = {127, 127, 2, -1, 64, -3, 65, -127, 1, 0, 126, 16, -64, 63, 127};
    const std::pair<int, int> shapes[] = {{1, 150}, {3, 60},  {64, 4},  {100, 3}, {127, 3},
                                          {128, 2}, {129, 2}, {200, 2}, {256, 2}, {300, 2}};
    for (const auto& [width, height] : shapes) {
        for (size_t first = 0; first < std::size(codes); first += 5) {
            Bytes data;
            size_t next = first;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width + 20;) {
                    const int code = codes[next++ % std::size(codes)];
                    data.push_back(static_cast<uint8_t>(code < 0 ? 0x80 - code : code));
                    for (int k = 0; k < code; ++k)
                        data.push_back(static_cast<uint8_t>(1 + (x + k) % 251));
                    x += code < 0 ? -code : code;
                }
                data.push_back(0x80);
            }
            for (size_t length = 0; length <= data.size(); ++length) {
                SCOPED_TRACE(testing::Message() << width << " x " << height << ", codes from "
                                                << first << ", " << length << " bytes");
                const Bytes cut(data.begin(), data.begin() + static_cast<ptrdiff_t>(length));
                const DecodeResult r = Decode(width, height, cut);
                const plaincodec::Decoded expected = plaincodec::Decode(width, height, cut);
                ASSERT_EQ(r.ok ? "" : r.error, expected.error);
                ASSERT_EQ(r.pixels, expected.pixels);
            }
        }
    }
}

TEST_P(DC6Codec, RowsWithNoTransparentPixelMatchThePlainCodec)
{
    // Rows with no transparent pixel are written and read whole. Frames of
    // them, with a transparent pixel in a middle row (at its start, its end,
    // and the start of its last block) or without; and the codes of the
    // frame without, with one code of that row changed (its end, its first
    // piece's code and its last piece's code), to be read code by code. The
    // widths give last pieces on both sides of 16, 32, 64 and 127 pixels.
    std::mt19937 rng(5);
    for (const int width :
         {1, 16, 17, 32, 33, 63, 64, 65, 127, 128, 159, 160, 254, 255, 256, 300}) {
        const int height = 3 + 256 / width;
        const int row = height / 2;
        Bytes opaque(static_cast<size_t>(width * height));
        for (uint8_t& pixel : opaque)
            pixel = static_cast<uint8_t>(1 + rng() % 255);
        for (const int column : {-1, 0, width - 1, (width - 1) / 64 * 64}) {
            Bytes pixels = opaque;
            if (column >= 0)
                pixels[static_cast<size_t>(row * width + column)] = 0;
            ExpectExactRoundTrip(width, height, pixels);
            if (HasFatalFailure())
                return;
        }
        const Bytes encoded = plaincodec::Encode(width, height, opaque);
        const size_t rowLength = encoded.size() / static_cast<size_t>(height);
        const size_t start = static_cast<size_t>(row) * rowLength;
        const size_t last = start + 128 * static_cast<size_t>((width - 1) / 127);
        const std::pair<size_t, int> changes[] = {{start + rowLength - 1, 0x81},
                                                  {start, encoded[start] - 1},
                                                  {last, encoded[last] - 1},
                                                  {last, encoded[last] + 1}};
        for (const auto& [at, value] : changes) {
            SCOPED_TRACE(testing::Message() << width << " wide, byte " << at << " made " << value);
            Bytes data = encoded;
            data[at] = static_cast<uint8_t>(value);
            const DecodeResult r = Decode(width, height, data);
            const plaincodec::Decoded expected = plaincodec::Decode(width, height, data);
            ASSERT_EQ(r.ok ? "" : r.error, expected.error);
            ASSERT_EQ(r.pixels, expected.pixels);
        }
    }
}
