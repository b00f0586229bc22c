#pragma once

// The source pictures of tests/data/images/bmp-pcx (see its README): the
// colour each shows at (x, y), y counted from the top, and how a decoded
// image compares with them.

#include "Image.h"
#include "TestUtil.h"

#include <array>
#include <string>

namespace bmppcx {

using Rgb = std::array<int, 3>;
using Source = Rgb (*)(int, int);

inline const Rgb kCols[16] = {{0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 200, 0},
                              {0, 0, 255},     {250, 200, 10},  {128, 64, 32},   {10, 240, 240},
                              {200, 0, 200},   {90, 90, 90},    {250, 120, 150}, {30, 60, 90},
                              {160, 220, 100}, {70, 0, 140},    {255, 160, 0},   {5, 5, 80}};

inline bool White(int x, int y)
{
    return (x * y) % 3 == 0 || (x + y) % 2 == 1;
}

inline Rgb C2(int x, int y)
{
    return kCols[White(x, y) ? 1 : 0];
}

inline Rgb C16(int x, int y)
{
    return kCols[(x * 3 + y * 5) % 16];
}

inline Rgb C24(int x, int y)
{
    return Rgb{(x * 19 + y * 7) % 256, (y * 37) % 256, (x * y * 11 + 3) % 256};
}

inline Rgb ColourAt(const CImage& image, int x, int y)
{
    const uint8_t* p = image.GetBits(image.GetHeight() - 1 - y);
    const RGBQUAD c = image.GetBpp() == 24 ? RGBQUAD{p[3 * x], p[3 * x + 1], p[3 * x + 2], 0}
                                           : image.GetPalette().at(p[x]);
    return {c.rgbRed, c.rgbGreen, c.rgbBlue};
}

inline testutil::Bytes Fixture(const std::string& name)
{
    return testutil::ReadFile(testutil::DataDir() / "images" / "bmp-pcx" / name);
}

} // namespace bmppcx
