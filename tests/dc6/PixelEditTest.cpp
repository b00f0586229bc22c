// The touch-up edits: lines in every octant without gaps, fills that keep to
// their 4-connected area, replacements over each scope, and points outside
// the frame.

#include "PixelEdit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A picture written as rows of digits, one digit a pixel (its index), the
// first string being buffer row 0.
struct CPicture {
    std::vector<uint8_t> m_Pixels;
    int m_iWidth = 0;
    int m_iHeight = 0;

    explicit CPicture(const std::vector<std::string>& rows)
        : m_iWidth(static_cast<int>(rows.front().size())), m_iHeight(static_cast<int>(rows.size()))
    {
        for (const std::string& row : rows)
            for (char c : row)
                m_Pixels.push_back(static_cast<uint8_t>(c - '0'));
    }
    CPicture(int width, int height)
        : m_Pixels(static_cast<size_t>(width * height)), m_iWidth(width), m_iHeight(height)
    {
    }
    DC6PixelView View() { return {m_Pixels, m_iWidth, m_iHeight}; }
    uint8_t At(int x, int y) const { return m_Pixels[static_cast<size_t>(y * m_iWidth + x)]; }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int y = 0; y < m_iHeight; ++y) {
            rows.emplace_back();
            for (int x = 0; x < m_iWidth; ++x)
                rows.back() += static_cast<char>('0' + At(x, y));
        }
        return rows;
    }
};

} // namespace

TEST(PixelEdit, LinesInEveryOctantHaveNoGaps)
{
    // From the middle of a 41 x 41 frame to points all round it: each
    // octant steep and shallow, the axes and the diagonals.
    const int c = 20;
    const std::pair<int, int> ends[] = {
        {20, 0},  {20, 7},   {20, 20},   {7, 20},   {0, 20},  {-7, 20}, {-20, 20}, {-20, 7},
        {-20, 0}, {-20, -7}, {-20, -20}, {-7, -20}, {0, -20}, {7, -20}, {20, -20}, {20, -7},
        {13, 3},  {-3, 13},  {-13, -3},  {3, -13},  {1, 1},   {0, 0},   {5, 2},    {-2, -5},
    };
    for (const auto& [dx, dy] : ends) {
        SCOPED_TRACE(testing::Message() << "to (" << dx << ", " << dy << ")");
        CPicture picture(41, 41);
        const int steps = std::max(std::abs(dx), std::abs(dy));
        EXPECT_EQ(DrawLine(picture.View(), c, c, c + dx, c + dy, 7), steps + 1);
        EXPECT_EQ(picture.At(c, c), 7);
        EXPECT_EQ(picture.At(c + dx, c + dy), 7);
        // Along the longer axis exactly one pixel a step, the one nearest
        // the ideal line, and each touches the one before.
        const bool xMajor = std::abs(dx) >= std::abs(dy);
        int previous = 0;
        for (int t = 0; t <= steps; ++t) {
            const int along = (xMajor ? dx : dy) < 0 ? -t : t;
            std::vector<int> across;
            for (int k = -20; k <= 20; ++k)
                if (picture.At(xMajor ? c + along : c + k, xMajor ? c + k : c + along) == 7)
                    across.push_back(k);
            ASSERT_EQ(across.size(), 1u) << "step " << t;
            const double ideal = steps == 0 ? 0 : double(xMajor ? dy : dx) * t / steps;
            EXPECT_LE(std::abs(across[0] - ideal), 0.5) << "step " << t;
            if (t > 0) {
                EXPECT_LE(std::abs(across[0] - previous), 1) << "step " << t;
            }
            previous = across[0];
        }
    }
}

TEST(PixelEdit, LinesAndPixelsOutsideTheFrameAreLeftOut)
{
    struct Case {
        const char* name;
        int x0, y0, x1, y1;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"through", -1000, 1, 1000, 1, {"0000", "1111", "0000"}},
        {"in from outside", 2, -5, 2, 1, {"0010", "0010", "0000"}},
        {"passing by", -3, 4, 6, 3, {"0000", "0000", "0000"}},
        {"corner to corner of int", INT_MIN, INT_MIN, INT_MAX, INT_MAX, {"1000", "0100", "0010"}},
        {"one point outside", 4, 0, 4, 0, {"0000", "0000", "0000"}},
        {"one point inside", 3, 2, 3, 2, {"0000", "0000", "0001"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        CPicture picture(4, 3);
        DrawLine(picture.View(), test.x0, test.y0, test.x1, test.y1, 1);
        EXPECT_EQ(picture.Rows(), test.after);
    }
    CPicture picture(4, 3);
    for (const auto& [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT_MIN, INT_MAX}})
        EXPECT_EQ(SetPixel(picture.View(), x, y, 1), 0);
    EXPECT_EQ(SetPixel(picture.View(), 3, 2, 1), 1);
    EXPECT_EQ(SetPixel(picture.View(), 3, 2, 1), 0);
    EXPECT_EQ(picture.Rows(), (std::vector<std::string>{"0000", "0000", "0001"}));
    EXPECT_EQ(DrawLine(DC6PixelView{}, 0, 0, 5, 5, 1), 0);
}

TEST(PixelEdit, FillKeepsToItsFourConnectedArea)
{
    struct Case {
        const char* name;
        std::vector<std::string> before;
        int x, y;
        uint8_t index;
        std::vector<std::string> after;
        int64_t changed;
    };
    const Case cases[] = {
        {"not through a corner",
         {"00100", "00010", "11100", "00000"},
         0,
         0,
         5,
         {"55100", "55510", "11100", "00000"},
         5},
        {"to every edge", {"0000", "0220", "0000"}, 3, 2, 9, {"9999", "9229", "9999"}, 10},
        {"down, across and up again",
         {"1111111", "1000001", "1011101", "1010101", "1110111"},
         1,
         3,
         4,
         {"1111111", "1444441", "1411141", "1410141", "1110111"},
         9},
        {"inside an outline", {"1111", "1001", "1111"}, 1, 1, 3, {"1111", "1331", "1111"}, 2},
        {"the same index", {"1111", "1001", "1111"}, 1, 1, 0, {"1111", "1001", "1111"}, 0},
        {"outside the frame", {"1111", "1001", "1111"}, 4, 1, 3, {"1111", "1001", "1111"}, 0},
        {"below the frame", {"1111", "1001", "1111"}, 1, -1, 3, {"1111", "1001", "1111"}, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        CPicture picture(test.before);
        EXPECT_EQ(FloodFill(picture.View(), test.x, test.y, test.index), test.changed);
        EXPECT_EQ(picture.Rows(), test.after);
    }
}

TEST(PixelEdit, ReplaceOverEachScope)
{
    // Two directions of three frames; frame i is 2 x 1 pixels {5, i}, so
    // every frame holds index 5 and frame 5 holds it twice.
    const auto make = [](CDC6File& doc) {
        doc.NewDC6(2, 3);
        for (int i = 0; i < 6; ++i) {
            doc.ResizeFrame(i, 2, 1);
            doc.SetFramePixel(i, 0, 0, 5);
            doc.SetFramePixel(i, 1, 0, static_cast<uint8_t>(i));
        }
    };
    struct Case {
        int direction, frame;
        std::vector<int> touched;
        int64_t changed;
    };
    const Case cases[] = {
        {-1, -1, {0, 1, 2, 3, 4, 5}, 7},
        {1, -1, {3, 4, 5}, 4},
        {-1, 2, {2, 5}, 3},
        {1, 2, {5}, 2},
        {0, 1, {1}, 1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << test.direction << ", " << test.frame);
        CDC6File doc;
        make(doc);
        std::vector<int> touched;
        int64_t changed = -1;
        std::string error;
        ASSERT_TRUE(ReplaceIndex(doc, 5, 9, test.direction, test.frame, changed, error,
                                 [&](int i, std::span<const uint8_t> before) {
                                     touched.push_back(i);
                                     EXPECT_EQ(before[0], 5);
                                 }));
        EXPECT_EQ(touched, test.touched);
        EXPECT_EQ(changed, test.changed);
        for (int i = 0; i < 6; ++i) {
            const bool in = std::ranges::find(test.touched, i) != test.touched.end();
            const std::span<const uint8_t> pixels = doc.GetFramePixels(i);
            EXPECT_EQ(pixels[0], in ? 9 : 5) << "frame " << i;
            EXPECT_EQ(pixels[1], in && i == 5 ? 9 : i) << "frame " << i;
        }
    }

    // No such direction or frame: nothing changes, and the reason is given.
    for (const auto& [direction, frame, message] :
         {std::tuple{2, -1, "direction 2 does not exist: the sprite has directions 0 to 1"},
          std::tuple{0, 3, "frame 3 does not exist: the sprite has frames 0 to 2"},
          std::tuple{-2, 0, "direction -2 does not exist: the sprite has directions 0 to 1"}}) {
        CDC6File doc;
        make(doc);
        int64_t changed = -1;
        std::string error;
        EXPECT_FALSE(ReplaceIndex(doc, 5, 9, direction, frame, changed, error));
        EXPECT_EQ(error, message);
        EXPECT_EQ(changed, 0);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(doc.GetFramePixels(i)[0], 5);
    }
}
