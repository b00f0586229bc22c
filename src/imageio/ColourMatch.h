#pragma once

// Matching colours to a palette: the nearest entry of each colour (smallest
// squared RGB distance, lowest index on ties), and Floyd-Steinberg error
// diffusion of a 24-bit picture onto a palette.

#include "Palette.h"

#include <cstdint>
#include <memory>
#include <vector>

class CPaletteMatcher {
public:
    explicit CPaletteMatcher(const std::vector<RGBQUAD>& palette);
    ~CPaletteMatcher();
    CPaletteMatcher(const CPaletteMatcher&) = delete;
    CPaletteMatcher& operator=(const CPaletteMatcher&) = delete;

    uint8_t Nearest(int red, int green, int blue);

private:
    struct CCell;
    const CCell& Cell(int red, int green, int blue);

    std::vector<RGBQUAD> m_Palette;
    std::vector<std::unique_ptr<CCell>> m_Cells;
};
