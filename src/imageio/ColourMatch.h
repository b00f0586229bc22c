#pragma once

// Matching colours to a palette: the nearest entry of each colour (smallest
// squared RGB distance, lowest index on ties), and Floyd-Steinberg error
// diffusion of a 24-bit picture onto a palette.

#include "Palette.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class CImage;

// The ways the nearest-colour search can run. Each gives the same indices;
// the vector ones only where the processor has the instructions.
enum class CSearchUnit { Plain, Avx2 };
bool IsSearchUnitAvailable(CSearchUnit unit);
CSearchUnit BestSearchUnit();

class CPaletteMatcher {
public:
    // Prepares the search cells for every colour at once: afterwards the
    // matcher is only read, by as many threads as like.
    explicit CPaletteMatcher(const std::vector<RGBQUAD>& palette);

    uint8_t Nearest(int red, int green, int blue) const;
    // The same with the given unit, which must be available.
    uint8_t Nearest(int red, int green, int blue, CSearchUnit unit) const;

    // Eight candidates side by side, as the searches read them: red and
    // green pairs, blue and zero pairs, and the part of each candidate's key
    // that does not depend on the colour searched for.
    struct alignas(32) CBlock {
        int16_t redGreen[16];
        int16_t blueZero[16];
        int32_t key[8];
    };
    // What the searches read: block c is the first of cell c (the cell of
    // 8 x 8 x 8 colours numbered red, green, blue, five bits each); more[c]
    // says where the cell's further blocks are (first << 8 | count).
    struct CTables {
        const CBlock* blocks;
        const uint32_t* more;
    };
    CTables Tables() const { return {m_Blocks.data(), m_More.data()}; }

private:
    void Split(int red, int green, int blue, int side, const uint8_t* parent, int parentCount);

    std::vector<RGBQUAD> m_Palette;
    std::vector<CBlock> m_Blocks;
    std::vector<uint32_t> m_More;
};

// How a dither runs. Every setting gives the same indices.
struct CDitherSettings {
    CSearchUnit unit = BestSearchUnit();
    // 0: as many as suit the picture and the machine.
    int nThreads = 0;
    // While the picture is being read: how many of its rows, counted from
    // the top, are in (each band waits for its own), negative when the
    // reading failed (the dither gives up).
    const std::atomic<int>* rowsRead = nullptr;
};

// Matches a 24-bit picture to `palette` (at most 256 entries, at least
// one), one index per pixel into `indices`, rows as the picture's: each
// pixel the nearest entry, with Floyd-Steinberg error diffusion when asked,
// in which transparent pixels (alpha below 128) neither take nor pass on
// error. False, with nothing done, for a picture of other than 24 bits, and
// when the reading of the picture failed.
bool DitherToPalette(const CImage& picture, const std::vector<RGBQUAD>& palette,
                     bool errorDiffusion, const CDitherSettings& settings,
                     std::vector<uint8_t>& indices);

// Dithers a 24-bit picture, with diffusion, on a thread of its own while the
// picture is being read, each band as soon as its rows are in: give RowsRead
// to CImage::SetRowsRead before Load, and call Finish after it. Unless
// `always`, only a picture large enough, on a machine with a core to spare,
// is dithered so; any other is left to be dithered after reading.
class CDitherWhileReading {
public:
    explicit CDitherWhileReading(std::vector<RGBQUAD> palette, bool always = false);
    ~CDitherWhileReading();
    CDitherWhileReading(const CDitherWhileReading&) = delete;
    CDitherWhileReading& operator=(const CDitherWhileReading&) = delete;

    void RowsRead(const CImage& picture, int rows);
    // Waits for the dither. True, with one index per pixel as DitherToPalette
    // gives them, when a whole picture of 24 bits was read and dithered.
    bool Finish(std::vector<uint8_t>& indices);

private:
    void GiveUp();

    std::vector<RGBQUAD> m_Palette;
    bool m_bAlways;
    std::atomic<int> m_Rows{0};
    std::thread m_Worker;
    std::vector<uint8_t> m_Indices;
    bool m_bDithered = false; // the worker's result, read after it ends
};
