// Nearest-colour search and error diffusion, held to plain definitions.

#include "ColourMatch.h"
#include "Image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The nearest entry the plain way: smallest squared distance, lowest index
// on ties.
uint8_t PlainNearest(const std::vector<RGBQUAD>& palette, int r, int g, int b)
{
    int best = 0;
    int bestDistance = INT32_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int d = (palette[i].rgbRed - r) * (palette[i].rgbRed - r) +
                      (palette[i].rgbGreen - g) * (palette[i].rgbGreen - g) +
                      (palette[i].rgbBlue - b) * (palette[i].rgbBlue - b);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return static_cast<uint8_t>(best);
}

std::vector<RGBQUAD> RandomPalette(std::mt19937& rng, size_t size, int levels)
{
    // Few levels make many equal distances and duplicate entries.
    std::vector<RGBQUAD> palette(size);
    const int step = 255 / (levels - 1);
    for (RGBQUAD& c : palette)
        c = {static_cast<uint8_t>(rng() % levels * step),
             static_cast<uint8_t>(rng() % levels * step),
             static_cast<uint8_t>(rng() % levels * step), 0};
    return palette;
}

// Floyd-Steinberg the plain way, with the same arithmetic the image layer
// promises: top row first, left to right, each channel's value clamped and
// rounded, the error of the rounded value spread 7, 3, 5, 1 sixteenths.
// Transparent pixels (alpha below 128) are their own colour's nearest
// entry, and the error never reaches them or leaves them.
std::vector<uint8_t> PlainDither(const CImage& image, const std::vector<RGBQUAD>& palette)
{
    const int w = image.GetWidth(), h = image.GetHeight();
    std::vector<float> error(static_cast<size_t>((w + 2) * (h + 1) * 3), 0.0f);
    const auto at = [&](int x, int y, int k) -> float& {
        return error[static_cast<size_t>(((y * (w + 2)) + x + 1) * 3 + k)];
    };
    std::vector<uint8_t> out(static_cast<size_t>(w * h));
    for (int top = 0; top < h; ++top) {
        const int row = h - 1 - top;
        for (int x = 0; x < w; ++x) {
            const bool hidden = image.HasAlpha() && image.GetAlphaBits(row)[x] < 128;
            int v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = static_cast<int>(std::lround(
                    std::clamp(image.GetBits(row)[3 * x + k] + (hidden ? 0.0f : at(x, top, k)),
                               0.0f, 255.0f)));
            const uint8_t index = PlainNearest(palette, v[2], v[1], v[0]);
            out[static_cast<size_t>(row * w + x)] = index;
            if (hidden)
                continue;
            const int chosen[3] = {palette[index].rgbBlue, palette[index].rgbGreen,
                                   palette[index].rgbRed};
            for (int k = 0; k < 3; ++k) {
                const float e = static_cast<float>(v[k] - chosen[k]);
                at(x + 1, top, k) += e * (7.0f / 16.0f);
                at(x - 1, top + 1, k) += e * (3.0f / 16.0f);
                at(x, top + 1, k) += e * (5.0f / 16.0f);
                at(x + 1, top + 1, k) += e * (1.0f / 16.0f);
            }
        }
    }
    return out;
}

// Noise over the whole range, or smooth light and shade with a little
// noise, as in a photograph; with holes, about a fifth of the pixels
// transparent, alone and in runs.
CImage TestPicture(std::mt19937& rng, int w, int h, bool photograph, bool holes)
{
    CImage image;
    image.Create(w, h, 24, 0);
    if (holes)
        image.CreateAlpha();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* bgr = image.GetBits(y) + 3 * x;
            for (int k = 0; k < 3; ++k) {
                const double wave = 128 + 100 * std::sin(0.05 * x * (k + 1) + 0.07 * y) +
                                    static_cast<int>(rng() % 13) - 6;
                bgr[k] = photograph ? static_cast<uint8_t>(std::clamp(wave, 0.0, 255.0))
                                    : static_cast<uint8_t>(rng());
            }
            if (holes)
                image.GetAlphaBits(y)[x] = (x / 3 + y) % 7 == 0 || rng() % 11 == 0
                                               ? static_cast<uint8_t>(rng() % 128)
                                               : static_cast<uint8_t>(128 + rng() % 128);
        }
    }
    return image;
}

// The ways the search can run on this machine.
std::vector<CSearchUnit> AvailableUnits()
{
    std::vector<CSearchUnit> units;
    for (const CSearchUnit unit : {CSearchUnit::Plain, CSearchUnit::Avx2})
        if (IsSearchUnitAvailable(unit))
            units.push_back(unit);
    return units;
}

// Greys only: every entry on one line, where a box of colours has many
// entries at nearly the same distance.
std::vector<RGBQUAD> GreyPalette()
{
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                                           static_cast<uint8_t>(i), 0};
    return palette;
}

} // namespace

TEST(ColourMatch, NearestEntryIsExactWithTiesToTheLowestIndex)
{
    std::mt19937 rng(5);
    std::vector<std::vector<RGBQUAD>> palettes;
    for (const auto& [size, levels] : {std::pair{256, 256}, std::pair{256, 4}, std::pair{16, 3},
                                       std::pair{2, 256}, std::pair{256, 2}, std::pair{1, 256}})
        palettes.push_back(RandomPalette(rng, static_cast<size_t>(size), levels));
    palettes.push_back(GreyPalette());
    for (const std::vector<RGBQUAD>& palette : palettes) {
        SCOPED_TRACE(testing::Message() << palette.size() << " entries");
        CPaletteMatcher matcher(palette);
        CImage holder;
        holder.Create(5, 5, 8, 0);
        holder.SetPalette(palette.data(), static_cast<int>(palette.size()));
        for (int n = 0; n < 20000; ++n) {
            const int r = static_cast<int>(rng() % 256), g = static_cast<int>(rng() % 256),
                      b = static_cast<int>(rng() % 256);
            const uint8_t expected = PlainNearest(palette, r, g, b);
            for (const CSearchUnit unit : AvailableUnits())
                ASSERT_EQ(matcher.Nearest(r, g, b, unit), expected) << static_cast<int>(unit);
            ASSERT_EQ(matcher.Nearest(r, g, b), expected);
            ASSERT_EQ(holder.GetNearestIndex({static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                                              static_cast<uint8_t>(r), 0}),
                      expected);
        }
        // Both sides of every cell border on each axis, where bounds are
        // tightest.
        for (int r = 0; r < 256; r += 15)
            for (int g = 0; g < 256; g += 15)
                for (int b = 0; b < 256; ++b) {
                    if (b % 8 != 0 && b % 8 != 7)
                        continue;
                    for (const CSearchUnit unit : AvailableUnits())
                        ASSERT_EQ(matcher.Nearest(r, g, b, unit), PlainNearest(palette, r, g, b));
                }
    }
    EXPECT_EQ(CPaletteMatcher({}).Nearest(10, 20, 30), 0);
}

TEST(ColourMatch, DitheringFollowsFloydSteinberg)
{
    std::mt19937 rng(9);
    const std::vector<RGBQUAD> palette = RandomPalette(rng, 256, 256);
    CImage image;
    image.Create(37, 23, 24, 0);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37 * 3; ++x)
            image.GetBits(y)[x] = static_cast<uint8_t>((x * 7 + y * 11 + rng() % 16) % 256);
    const std::vector<uint8_t> expected = PlainDither(image, palette);

    CImage plain = image;
    ASSERT_TRUE(image.DecreaseBpp(8, true, palette.data(), 256));
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetPalette().size(), 256u);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(image.GetBits(y)[x], expected[static_cast<size_t>(y * 37 + x)])
                << x << "," << y;

    // Transparent pixels here and there, at the edges too.
    CImage holes = plain;
    holes.CreateAlpha();
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            holes.GetAlphaBits(y)[x] = static_cast<uint8_t>(rng() % 3 == 0 ? 127 : 128 + x);
    const std::vector<uint8_t> expectedWithHoles = PlainDither(holes, palette);
    ASSERT_TRUE(holes.DecreaseBpp(8, true, palette.data(), 256));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(holes.GetBits(y)[x], expectedWithHoles[static_cast<size_t>(y * 37 + x)])
                << x << "," << y;

    // Without diffusion each pixel is its nearest entry.
    const CImage original = plain;
    ASSERT_TRUE(plain.DecreaseBpp(8, false, palette.data(), 256));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint8_t* bgr = original.GetBits(y) + 3 * x;
            ASSERT_EQ(plain.GetBits(y)[x], PlainNearest(palette, bgr[2], bgr[1], bgr[0]));
        }
}

TEST(ColourMatch, EveryUnitAndThreadCountDithersAsThePlainWay)
{
    std::mt19937 rng(11);
    const std::vector<RGBQUAD> palettes[] = {RandomPalette(rng, 256, 256),
                                             RandomPalette(rng, 256, 3), GreyPalette(),
                                             RandomPalette(rng, 5, 256)};
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 40}, std::pair{300, 1},
                               std::pair{37, 23}, std::pair{257, 66}, std::pair{1000, 9}}) {
        // Noise, and a photograph with holes.
        for (const bool photograph : {false, true}) {
            const CImage picture = TestPicture(rng, w, h, photograph, photograph);
            for (size_t p = 0; p < std::size(palettes); ++p) {
                const std::vector<RGBQUAD>& palette = palettes[p];
                const std::vector<uint8_t> dithered = PlainDither(picture, palette);
                std::vector<uint8_t> nearest;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const uint8_t* bgr = picture.GetBits(y) + 3 * x;
                        nearest.push_back(PlainNearest(palette, bgr[2], bgr[1], bgr[0]));
                    }
                for (const CSearchUnit unit : AvailableUnits()) {
                    SCOPED_TRACE(testing::Message()
                                 << w << "x" << h << " photograph " << photograph << " palette "
                                 << p << " unit " << static_cast<int>(unit));
                    std::vector<uint8_t> indices;
                    for (const int threads : {1, 2, 3}) {
                        ASSERT_TRUE(
                            DitherToPalette(picture, palette, true, {unit, threads}, indices));
                        ASSERT_EQ(indices, dithered) << threads << " threads";
                    }
                    ASSERT_TRUE(DitherToPalette(picture, palette, false, {unit, 2}, indices));
                    ASSERT_EQ(indices, nearest);
                }
            }
        }
    }
    CImage indexed;
    indexed.Create(4, 4, 8, 0);
    std::vector<uint8_t> indices;
    EXPECT_FALSE(DitherToPalette(indexed, palettes[0], true, {}, indices));
}

TEST(ColourMatch, DitheringWhileReadingWaitsForTheRowsAndGivesUpWhenReadingFails)
{
    std::mt19937 rng(13);
    const std::vector<RGBQUAD> palette = RandomPalette(rng, 256, 256);
    const CImage picture = TestPicture(rng, 301, 77, true, true);
    const std::vector<uint8_t> expected = PlainDither(picture, palette);
    std::vector<uint8_t> indices;
    {
        // The rows come in steps, not on band borders.
        CDitherWhileReading dither(palette, true);
        for (const int rows : {0, 1, 6, 40, 76, 77})
            dither.RowsRead(picture, rows);
        ASSERT_TRUE(dither.Finish(indices));
        EXPECT_EQ(indices, expected);
    }
    // As a PNG tells them, row by row; and a PNG that ends early.
    CImage copy = picture;
    std::vector<uint8_t> png;
    ASSERT_TRUE(copy.Encode(png, IMAGE_TYPE_PNG));
    for (const size_t size : {png.size(), png.size() / 2}) {
        CDitherWhileReading dither(palette, true);
        CImage read;
        read.SetRowsRead(
            [&dither](const CImage& image, int rows) { dither.RowsRead(image, rows); });
        const bool whole = read.Decode(std::span(png.data(), size), IMAGE_TYPE_PNG);
        EXPECT_EQ(whole, size == png.size());
        ASSERT_EQ(dither.Finish(indices), whole);
        EXPECT_TRUE(!whole || indices == expected);
    }
    // An indexed picture is left to be matched after reading.
    CImage indexed;
    indexed.Create(4, 4, 8, 0);
    CDitherWhileReading dither(palette, true);
    dither.RowsRead(indexed, 0);
    dither.RowsRead(indexed, 4);
    EXPECT_FALSE(dither.Finish(indices));
}

TEST(ColourMatch, HiddenColoursDoNotShowInTheirNeighbours)
{
    // A 16 x 16 picture whose right half is transparent: red or grey
    // behind it, the visible half dithers the same.
    std::mt19937 rng(3);
    const std::vector<RGBQUAD> palette = RandomPalette(rng, 256, 6);
    std::vector<uint8_t> visible[2];
    for (const int hidden : {0, 1}) {
        CImage image;
        image.Create(16, 16, 24, 0);
        image.CreateAlpha();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                uint8_t* bgr = image.GetBits(y) + 3 * x;
                const bool transparent = x >= 8;
                image.GetAlphaBits(y)[x] = transparent ? 0 : 255;
                const uint8_t grey = static_cast<uint8_t>(7 * x + 11 * y);
                bgr[0] = transparent && hidden == 0 ? 0 : grey;
                bgr[1] = transparent && hidden == 0 ? 0 : grey;
                bgr[2] = transparent && hidden == 0 ? 255 : grey;
            }
        ASSERT_TRUE(image.DecreaseBpp(8, true, palette.data(), 256));
        for (int y = 0; y < 16; ++y)
            visible[hidden].insert(visible[hidden].end(), image.GetBits(y), image.GetBits(y) + 8);
    }
    EXPECT_EQ(visible[0], visible[1]);
}
