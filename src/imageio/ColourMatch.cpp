#include "ColourMatch.h"

#include "Image.h"

#include <algorithm>
#include <cmath>

// The colour cube is cut into cells of 8 x 8 x 8 colours. A cell keeps, in
// index order, the palette entries that can be nearest to some colour in it:
// those whose smallest distance to the cell is no larger than the largest
// distance of the entry that is closest at its farthest corner. Any other
// entry is farther from every colour of the cell than that one, so it can
// neither win nor tie, and the search over the short list stays exact.
struct CPaletteMatcher::CCell {
    std::vector<uint8_t> candidates;
};

namespace {

constexpr int kCellBits = 3;
constexpr int kCellSide = 1 << kCellBits;
constexpr int kCellsPerAxis = 256 / kCellSide;

int Square(int v)
{
    return v * v;
}

// Smallest and largest squared distance from v to the values lo..hi.
int NearSquare(int v, int lo, int hi)
{
    return v < lo ? Square(lo - v) : v > hi ? Square(v - hi) : 0;
}

int FarSquare(int v, int lo, int hi)
{
    return Square(std::max(v - lo, hi - v));
}

} // namespace

CPaletteMatcher::CPaletteMatcher(const std::vector<RGBQUAD>& palette)
    : m_Palette(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256)),
      m_Cells(static_cast<size_t>(kCellsPerAxis * kCellsPerAxis * kCellsPerAxis))
{
}

CPaletteMatcher::~CPaletteMatcher() = default;

const CPaletteMatcher::CCell& CPaletteMatcher::Cell(int red, int green, int blue)
{
    const int r = red >> kCellBits, g = green >> kCellBits, b = blue >> kCellBits;
    std::unique_ptr<CCell>& cell =
        m_Cells[static_cast<size_t>((r * kCellsPerAxis + g) * kCellsPerAxis + b)];
    if (cell)
        return *cell;
    cell = std::make_unique<CCell>();
    const int r0 = r << kCellBits, g0 = g << kCellBits, b0 = b << kCellBits;
    const int r1 = r0 + kCellSide - 1, g1 = g0 + kCellSide - 1, b1 = b0 + kCellSide - 1;
    int bound = INT32_MAX;
    for (const RGBQUAD& c : m_Palette)
        bound = std::min(bound, FarSquare(c.rgbRed, r0, r1) + FarSquare(c.rgbGreen, g0, g1) +
                                    FarSquare(c.rgbBlue, b0, b1));
    for (size_t i = 0; i < m_Palette.size(); ++i) {
        const RGBQUAD& c = m_Palette[i];
        if (NearSquare(c.rgbRed, r0, r1) + NearSquare(c.rgbGreen, g0, g1) +
                NearSquare(c.rgbBlue, b0, b1) <=
            bound)
            cell->candidates.push_back(static_cast<uint8_t>(i));
    }
    return *cell;
}

uint8_t CPaletteMatcher::Nearest(int red, int green, int blue)
{
    if (m_Palette.empty())
        return 0;
    uint8_t best = 0;
    int bestDistance = INT32_MAX;
    for (uint8_t i : Cell(red, green, blue).candidates) {
        const RGBQUAD& c = m_Palette[i];
        const int d =
            Square(c.rgbRed - red) + Square(c.rgbGreen - green) + Square(c.rgbBlue - blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

uint8_t CImage::GetNearestIndex(RGBQUAD colour) const
{
    uint8_t best = 0;
    int bestDistance = INT32_MAX;
    for (size_t i = 0; i < m_Palette.size() && i < 256; ++i) {
        const RGBQUAD& c = m_Palette[i];
        const int d = Square(c.rgbRed - colour.rgbRed) + Square(c.rgbGreen - colour.rgbGreen) +
                      Square(c.rgbBlue - colour.rgbBlue);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint8_t>(i);
        }
    }
    return best;
}

bool CImage::DecreaseBpp(int bpp, bool errorDiffusion, const RGBQUAD* table, int count)
{
    if (!IsValid() || bpp != 8 || table == nullptr || count <= 0)
        return false;
    if (m_nBpp < 24)
        IncreaseBpp(24);
    const std::vector<RGBQUAD> palette(table, table + std::min(count, 256));
    CPaletteMatcher matcher(palette);
    const size_t width = static_cast<size_t>(m_nWidth);
    std::vector<uint8_t> indices(width * static_cast<size_t>(m_nHeight));

    // Floyd-Steinberg, top row first, left to right: the error of each
    // pixel (its value, clamped and rounded, minus the chosen colour) goes
    // 7/16 to the right, 3/16 below left, 5/16 below and 1/16 below right.
    // A transparent pixel (alpha below 128) takes no part: it is the entry
    // nearest to its own colour, the error meant for it is dropped and it
    // passes none on, so a hidden colour never shows in its neighbours.
    // Without diffusion every pixel is simply its nearest entry.
    std::vector<float> here((width + 2) * 3, 0.0f);
    std::vector<float> below((width + 2) * 3, 0.0f);
    for (int y = m_nHeight - 1; y >= 0; --y) {
        const uint8_t* source = GetBits(y);
        const uint8_t* alpha = GetAlphaBits(y);
        uint8_t* target = indices.data() + static_cast<size_t>(y) * width;
        std::fill(below.begin(), below.end(), 0.0f);
        for (size_t x = 0; x < width; ++x) {
            const bool diffused = errorDiffusion && (alpha == nullptr || alpha[x] >= 128);
            float* e = &here[(x + 1) * 3];
            int value[3];
            for (int k = 0; k < 3; ++k) {
                // Buffer order is blue, green, red.
                const float v = source[3 * x + k] + (diffused ? e[k] : 0.0f);
                value[k] = static_cast<int>(std::lround(std::clamp(v, 0.0f, 255.0f)));
            }
            const uint8_t index = matcher.Nearest(value[2], value[1], value[0]);
            target[x] = index;
            if (!diffused)
                continue;
            const RGBQUAD& chosen = palette[index];
            const int chosenBgr[3] = {chosen.rgbBlue, chosen.rgbGreen, chosen.rgbRed};
            float* next = &below[(x + 1) * 3];
            for (int k = 0; k < 3; ++k) {
                const float error = static_cast<float>(value[k] - chosenBgr[k]);
                e[3 + k] += error * (7.0f / 16.0f);
                next[-3 + k] += error * (3.0f / 16.0f);
                next[k] += error * (5.0f / 16.0f);
                next[3 + k] += error * (1.0f / 16.0f);
            }
        }
        std::swap(here, below);
    }
    m_Pixels = std::move(indices);
    m_Palette = palette;
    m_nBpp = 8;
    m_nTransIndex = -1;
    return true;
}
