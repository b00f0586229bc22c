#pragma once

// Sprites and palettes that the tests of the description and the sheet
// share, and the comparison of two sprites frame by frame.

#include "DC6File.h"
#include "Palette.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

// Colours far apart from each other, so that every index comes back as
// itself.
inline CPalette DistinctPalette()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>((i % 8) * 36),
                                           static_cast<uint8_t>((i / 8 % 8) * 36),
                                           static_cast<uint8_t>((i / 64) * 85), 1};
    return palette;
}

// A sprite of frames of different sizes and offsets, with random pixels
// (about a third transparent).
inline void MakeSprite(CDC6File& doc, int directions, int frames, unsigned seed)
{
    std::mt19937 rng(seed);
    doc.NewDC6(directions, frames);
    for (int i = 0; i < directions * frames; ++i) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
        doc.ResizeFrame(i, w, h);
        doc.SetFrameOffsetX(i, static_cast<int>(rng() % 60) - 30);
        doc.SetFrameOffsetY(i, static_cast<int>(rng() % 60) - 20);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                doc.SetFramePixel(i, x, y,
                                  rng() % 3 == 0 ? 0 : static_cast<uint8_t>(1 + rng() % 255));
    }
}

inline void ExpectSameSprite(const CDC6File& a, const CDC6File& b, const std::string& what)
{
    DC6FileHeader ha{}, hb{};
    a.GetDC6FileHeader(ha);
    b.GetDC6FileHeader(hb);
    ASSERT_EQ(ha.m_iDirections, hb.m_iDirections) << what;
    ASSERT_EQ(ha.m_iFramesPerDirection, hb.m_iFramesPerDirection) << what;
    for (int i = 0; i < ha.m_iDirections * ha.m_iFramesPerDirection; ++i) {
        DC6Frame fa, fb;
        a.GetDC6Frame(i, fa);
        b.GetDC6Frame(i, fb);
        EXPECT_EQ(fa.m_DC6FrameHeader.m_iWidth, fb.m_DC6FrameHeader.m_iWidth)
            << what << " frame " << i;
        EXPECT_EQ(fa.m_DC6FrameHeader.m_iHeight, fb.m_DC6FrameHeader.m_iHeight)
            << what << " frame " << i;
        EXPECT_EQ(fa.m_DC6FrameHeader.m_iOffsetX, fb.m_DC6FrameHeader.m_iOffsetX)
            << what << " frame " << i;
        EXPECT_EQ(fa.m_DC6FrameHeader.m_iOffsetY, fb.m_DC6FrameHeader.m_iOffsetY)
            << what << " frame " << i;
        ASSERT_EQ(fa.m_ImageData, fb.m_ImageData) << what << " frame " << i;
    }
}
