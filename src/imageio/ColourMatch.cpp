#include "ColourMatch.h"

#include "Image.h"
#include "LargeBuffer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SPRITEWRIGHT_X86 1
#endif

// The colour cube is cut into cells of 8 x 8 x 8 colours. A cell keeps, in
// index order, the palette entries that can be nearest to some colour in it;
// the search for a colour then only compares the few of its cell. The lists
// are made from the whole cube down, each box's list from its parent's,
// halving the side each time. An entry leaves a box's list when
// - its smallest distance to the box is larger than the largest distance of
//   some entry to the box: that one is nearer to every colour of the box; or
// - the entry nearest to the box's middle is nearer to every colour of the
//   box (or as near, with a lower index): the difference of the two squared
//   distances changes linearly across the box, so its smallest value is at
//   a corner and is computed exactly.
// Either way the entry can neither win nor tie anywhere in the box, so the
// search over the short list stays exact.
//
// The search compares keys, 256 * (|c|^2 - 2 c.p) + index for entry c and
// colour p: that is 256 * |c - p|^2 + index less 256 * |p|^2, the same for
// every entry, so the smallest key is the nearest entry, the lowest index
// on ties, and its low byte is that index.

namespace {

constexpr int kCellSide = 8;
constexpr size_t kCells = size_t{1} << 15;
constexpr int kLanes = 8; // candidates per block
constexpr int32_t kNoCandidate = INT32_MAX;

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

int Magnitude(const RGBQUAD& c)
{
    return Square(c.rgbRed) + Square(c.rgbGreen) + Square(c.rgbBlue);
}

using CBlock = CPaletteMatcher::CBlock;
using CTables = CPaletteMatcher::CTables;

size_t CellOf(int red, int green, int blue)
{
    return static_cast<size_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

inline int32_t SmallestKey(const CBlock& block, int red, int green, int blue, int32_t best)
{
    for (int i = 0; i < kLanes; ++i)
        best = std::min(best, block.key[i] - 512 * (block.redGreen[2 * i] * red +
                                                    block.redGreen[2 * i + 1] * green +
                                                    block.blueZero[2 * i] * blue));
    return best;
}

inline uint8_t FindPlain(CTables tables, int red, int green, int blue)
{
    const size_t cell = CellOf(red, green, blue);
    int32_t best = SmallestKey(tables.blocks[cell], red, green, blue, kNoCandidate);
    const uint32_t more = tables.more[cell];
    for (uint32_t k = 0; k < (more & 0xFF); ++k)
        best = SmallestKey(tables.blocks[(more >> 8) + k], red, green, blue, best);
    return static_cast<uint8_t>(best & 0xFF);
}

#ifdef SPRITEWRIGHT_X86
[[gnu::target("avx2")]] inline __m256i SmallestKeys(const CBlock& block, __m256i redGreen,
                                                    __m256i blueZero, __m256i best)
{
    const __m256i dot = _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(block.redGreen)),
                          redGreen),
        _mm256_madd_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(block.blueZero)),
                          blueZero));
    return _mm256_min_epi32(
        best, _mm256_sub_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(block.key)),
                               _mm256_slli_epi32(dot, 9)));
}

// bgr: blue, green, red and 0 as 16-bit lanes.
[[gnu::target("avx2")]] inline uint8_t FindAvx2(CTables tables, __m128i bgr)
{
    const __m128i cellParts =
        _mm_madd_epi16(_mm_srli_epi16(bgr, 3), _mm_setr_epi16(1, 32, 1024, 0, 0, 0, 0, 0));
    const size_t cell =
        static_cast<size_t>(_mm_cvtsi128_si32(cellParts) + _mm_extract_epi32(cellParts, 1));
    const __m256i redGreen = _mm256_broadcastd_epi32(
        _mm_shuffle_epi8(bgr, _mm_setr_epi8(4, 5, 2, 3, 4, 5, 2, 3, 4, 5, 2, 3, 4, 5, 2, 3)));
    const __m256i blueZero = _mm256_broadcastd_epi32(_mm_and_si128(bgr, _mm_cvtsi32_si128(0xFFFF)));
    __m256i best =
        SmallestKeys(tables.blocks[cell], redGreen, blueZero, _mm256_set1_epi32(kNoCandidate));
    const uint32_t more = tables.more[cell];
    for (uint32_t k = 0; k < (more & 0xFF); ++k)
        best = SmallestKeys(tables.blocks[(more >> 8) + k], redGreen, blueZero, best);
    __m128i m = _mm_min_epi32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, 0x4E));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, 0xB1));
    return static_cast<uint8_t>(_mm_cvtsi128_si32(m) & 0xFF);
}
#endif

} // namespace

bool IsSearchUnitAvailable(CSearchUnit unit)
{
    switch (unit) {
    case CSearchUnit::Plain:
        return true;
    case CSearchUnit::Avx2:
#ifdef SPRITEWRIGHT_X86
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

CSearchUnit BestSearchUnit()
{
    return IsSearchUnitAvailable(CSearchUnit::Avx2) ? CSearchUnit::Avx2 : CSearchUnit::Plain;
}

CPaletteMatcher::CPaletteMatcher(const std::vector<RGBQUAD>& palette)
    : m_Palette(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256)),
      m_Blocks(kCells), m_More(kCells, 0)
{
    uint8_t all[256];
    for (size_t i = 0; i < m_Palette.size(); ++i)
        all[i] = static_cast<uint8_t>(i);
    Split(0, 0, 0, 256, all, static_cast<int>(m_Palette.size()));
}

void CPaletteMatcher::Split(int red, int green, int blue, int side, const uint8_t* parent,
                            int parentCount)
{
    const int r1 = red + side - 1, g1 = green + side - 1, b1 = blue + side - 1;
    int bound = INT32_MAX;
    int middle = -1;
    int middleDistance = INT32_MAX;
    const int rm = red + side / 2, gm = green + side / 2, bm = blue + side / 2;
    for (int n = 0; n < parentCount; ++n) {
        const RGBQUAD& c = m_Palette[parent[n]];
        bound = std::min(bound, FarSquare(c.rgbRed, red, r1) + FarSquare(c.rgbGreen, green, g1) +
                                    FarSquare(c.rgbBlue, blue, b1));
        const int d = Square(c.rgbRed - rm) + Square(c.rgbGreen - gm) + Square(c.rgbBlue - bm);
        if (d < middleDistance) {
            middleDistance = d;
            middle = parent[n];
        }
    }
    uint8_t list[256];
    int count = 0;
    for (int n = 0; n < parentCount; ++n) {
        const int i = parent[n];
        const RGBQUAD& q = m_Palette[static_cast<size_t>(middle)];
        const RGBQUAD& c = m_Palette[static_cast<size_t>(i)];
        if (NearSquare(c.rgbRed, red, r1) + NearSquare(c.rgbGreen, green, g1) +
                NearSquare(c.rgbBlue, blue, b1) >
            bound)
            continue;
        // The smallest, over the box, of |x - c|^2 - |x - q|^2 =
        // 2 x.(q - c) + |c|^2 - |q|^2.
        const int dr = q.rgbRed - c.rgbRed, dg = q.rgbGreen - c.rgbGreen,
                  db = q.rgbBlue - c.rgbBlue;
        const int lead = 2 * ((dr > 0 ? red : r1) * dr + (dg > 0 ? green : g1) * dg +
                              (db > 0 ? blue : b1) * db) +
                         Magnitude(c) - Magnitude(q);
        if (lead > 0 || (lead == 0 && middle < i))
            continue;
        list[count++] = static_cast<uint8_t>(i);
    }

    // A list that fits one block serves every cell of the box as it is:
    // smaller lists would not make the search shorter.
    if (side > kCellSide && count > kLanes) {
        const int half = side / 2;
        for (int r = 0; r < 2; ++r)
            for (int g = 0; g < 2; ++g)
                for (int b = 0; b < 2; ++b)
                    Split(red + r * half, green + g * half, blue + b * half, half, list, count);
        return;
    }
    const int blocks = std::max(1, (count + kLanes - 1) / kLanes);
    CBlock filled[256 / kLanes];
    for (int n = 0; n < blocks * kLanes; ++n) {
        CBlock& block = filled[n / kLanes];
        const int lane = n % kLanes;
        const RGBQUAD c = n < count ? m_Palette[list[n]] : RGBQUAD{0, 0, 0, 0};
        block.redGreen[2 * lane] = c.rgbRed;
        block.redGreen[2 * lane + 1] = c.rgbGreen;
        block.blueZero[2 * lane] = c.rgbBlue;
        block.blueZero[2 * lane + 1] = 0;
        block.key[lane] = n < count ? 256 * Magnitude(c) + list[n] : kNoCandidate;
    }
    // Only a single cell has more than one block.
    const size_t cell = CellOf(red, green, blue);
    if (blocks > 1) {
        m_More[cell] =
            static_cast<uint32_t>(m_Blocks.size() << 8) | static_cast<uint32_t>(blocks - 1);
        m_Blocks.insert(m_Blocks.end(), filled + 1, filled + blocks);
    }
    for (int r = red; r < red + side; r += kCellSide)
        for (int g = green; g < green + side; g += kCellSide)
            for (int b = blue; b < blue + side; b += kCellSide)
                m_Blocks[CellOf(r, g, b)] = filled[0];
}

uint8_t CPaletteMatcher::Nearest(int red, int green, int blue) const
{
    return Nearest(red, green, blue, CSearchUnit::Plain);
}

#ifdef SPRITEWRIGHT_X86
namespace {
[[gnu::target("avx2")]] uint8_t NearestAvx2(const CPaletteMatcher& matcher, int red, int green,
                                            int blue)
{
    return FindAvx2(matcher.Tables(),
                    _mm_setr_epi16(static_cast<int16_t>(blue), static_cast<int16_t>(green),
                                   static_cast<int16_t>(red), 0, 0, 0, 0, 0));
}
} // namespace
#endif

uint8_t CPaletteMatcher::Nearest(int red, int green, int blue, CSearchUnit unit) const
{
    if (m_Palette.empty())
        return 0;
#ifdef SPRITEWRIGHT_X86
    if (unit == CSearchUnit::Avx2)
        return NearestAvx2(*this, red, green, blue);
#endif
    return FindPlain(Tables(), red, green, blue);
}

// Floyd-Steinberg, top row first, left to right: the error of each pixel
// (its value, clamped and rounded, minus the chosen colour) goes 7/16 to
// the right, 3/16 below left, 5/16 below and 1/16 below right. A
// transparent pixel (alpha below 128) takes no part: it is the entry nearest
// to its own colour, the error meant for it is dropped and it passes none
// on, so a hidden colour never shows in its neighbours. Without diffusion
// every pixel is simply its nearest entry.
//
// The errors are kept exactly, as whole sixteenths of a level. A pixel's
// incoming error is then the sum of at most four of them; its value
// v = source + error / 16, clamped to 0..255, is rounded half up.
//
// Rows go in bands of a few, one worker a band. Inside a band each row
// runs two pixels behind the one above it, whose errors it needs, so the
// rows' searches overlap in the processor; a band's first row follows the
// last row of the band before it, which may be another worker's, through
// that band's published progress. Every pixel thus sees exactly the errors
// it would see one pixel at a time.

namespace {

constexpr int kBandRows = 4;
constexpr int kRowLag = 2;
constexpr int kChunk = 64; // pixels between looks at the band above

// The errors a row leaves for the row below, in sixteenths: per pixel blue,
// green, red and an unused 0, with a spare pixel on the left.
using CErrorRow = std::vector<int16_t>;
constexpr int kErrorLanes = 4;

struct alignas(64) CProgress {
    std::atomic<int> pixels{0};
};

struct CDitherJob {
    const CImage* picture = nullptr;
    CTables tables{};
    std::vector<int16_t> paletteBgr; // per entry blue, green, red, 0
    bool diffuse = true;
    bool hidden = false; // some pixels take no part
    int width = 0;
    int height = 0;
    uint8_t* indices = nullptr;
    std::vector<CErrorRow> errors;         // a ring: row r reads r % size, writes (r + 1) % size
    std::unique_ptr<CProgress[]> progress; // per band: pixels its last row has done
    std::atomic<int> nextBand{0};
    int bands = 0;
    const std::atomic<int>* rowsRead = nullptr; // see CDitherSettings
    std::atomic<bool> abandoned{false};
};

// What every pixel of a band reads, held by the band so that the compiler
// keeps it in registers.
struct CPixelContext {
    CTables tables;
    const int16_t* paletteBgr;
    bool diffuse;
    int width;
};

struct CRowPointers {
    const uint8_t* source;
    const uint8_t* alpha;
    uint8_t* target;
    const int16_t* incoming; // from the row above, final
    int16_t* outgoing;       // to the row below
};

// One row's pixels, one channel at a time. The state of the row, per
// channel: right is 7 x the error of the pixel on the left, pending what
// the row below has so far at x - 1, next what it has at x.
struct CPlainRow {
    CRowPointers p;
    int right[3] = {};
    int pending[3] = {};
    int next[3] = {};

    template <bool Hidden> void Step(const CPixelContext& c, int x)
    {
        const bool diffused = !Hidden || (c.diffuse && (p.alpha == nullptr || p.alpha[x] >= 128));
        const int16_t* incoming = p.incoming + kErrorLanes * x;
        int value[3];
        for (int k = 0; k < 3; ++k) {
            const int sixteenths =
                16 * p.source[3 * x + k] + (diffused ? incoming[k] + right[k] : 0);
            value[k] = (std::clamp(sixteenths, 0, 16 * 255) + 8) >> 4;
        }
        const uint8_t index = FindPlain(c.tables, value[2], value[1], value[0]);
        p.target[x] = index;
        const int16_t* chosen = c.paletteBgr + kErrorLanes * index;
        int16_t* outgoing = p.outgoing + kErrorLanes * (x - 1);
        for (int k = 0; k < 3; ++k) {
            const int error = diffused ? value[k] - chosen[k] : 0;
            right[k] = 7 * error;
            outgoing[k] = static_cast<int16_t>(pending[k] + 3 * error);
            pending[k] = next[k] + 5 * error;
            next[k] = error;
        }
    }
    void Finish(int x)
    {
        for (int k = 0; k < 3; ++k)
            p.outgoing[kErrorLanes * x + k] = static_cast<int16_t>(pending[k]);
    }
};

#ifdef SPRITEWRIGHT_X86
// The same with the three channels side by side in 16-bit lanes.
struct CAvx2Row {
    CRowPointers p;
    __m128i right = _mm_setzero_si128();
    __m128i pending = _mm_setzero_si128();
    __m128i next = _mm_setzero_si128();

    template <bool Hidden> [[gnu::target("avx2")]] void Step(const CPixelContext& c, int x)
    {
        const bool diffused = !Hidden || (c.diffuse && (p.alpha == nullptr || p.alpha[x] >= 128));
        const __m128i taking = _mm_set1_epi16(diffused ? -1 : 0);
        // Blue, green and red widened to 16 bits; four bytes read where the
        // row has them.
        const uint8_t* s = p.source + 3 * x;
        uint32_t bytes;
        if (x + 1 < c.width)
            std::memcpy(&bytes, s, 4);
        else
            bytes = s[0] | s[1] << 8 | s[2] << 16;
        const __m128i source = _mm_shuffle_epi8(
            _mm_cvtsi32_si128(static_cast<int>(bytes)),
            _mm_setr_epi8(0, -1, 1, -1, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
        const __m128i incoming =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.incoming + kErrorLanes * x));
        const __m128i sixteenths = _mm_add_epi16(
            _mm_slli_epi16(source, 4), _mm_and_si128(taking, _mm_add_epi16(incoming, right)));
        const __m128i value = _mm_srli_epi16(
            _mm_add_epi16(_mm_min_epi16(_mm_max_epi16(sixteenths, _mm_setzero_si128()),
                                        _mm_set1_epi16(16 * 255)),
                          _mm_set1_epi16(8)),
            4);
        const uint8_t index = FindAvx2(c.tables, value);
        p.target[x] = index;
        const __m128i chosen =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.paletteBgr + kErrorLanes * index));
        const __m128i error = _mm_and_si128(taking, _mm_sub_epi16(value, chosen));
        right = _mm_sub_epi16(_mm_slli_epi16(error, 3), error);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p.outgoing + kErrorLanes * (x - 1)),
                         _mm_add_epi16(pending, _mm_add_epi16(_mm_slli_epi16(error, 1), error)));
        pending = _mm_add_epi16(next, _mm_add_epi16(_mm_slli_epi16(error, 2), error));
        next = error;
    }
    [[gnu::target("avx2")]] void Finish(int x)
    {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p.outgoing + kErrorLanes * x), pending);
    }
};
#endif

// The band above is usually a moment ahead: look again for a while, then
// sleep until it says it has moved on, so that a busy machine can give the
// processor to the thread that is behind.
void WaitFor(const std::atomic<int>& progress, int pixels)
{
    for (int looks = 0; looks < 1000; ++looks) {
        if (progress.load(std::memory_order_acquire) >= pixels)
            return;
#ifdef SPRITEWRIGHT_X86
        _mm_pause();
#endif
    }
    for (int seen; (seen = progress.load(std::memory_order_acquire)) < pixels;)
        progress.wait(seen, std::memory_order_acquire);
}

// Hidden: some pixels may take no part (the picture has alpha, or there is
// no diffusion at all).
template <class Row, bool Hidden> inline void DitherBand(CDitherJob& job, int band)
{
    const int top = band * kBandRows;
    const int rows = std::min(kBandRows, job.height - top);
    const int width = job.width;
    const size_t ring = job.errors.size();
    Row state[kBandRows];
    for (int j = 0; j < rows; ++j) {
        const int y = job.height - 1 - (top + j);
        state[j].p =
            CRowPointers{job.picture->GetBits(y), job.picture->GetAlphaBits(y),
                         job.indices + static_cast<size_t>(y) * static_cast<size_t>(width),
                         job.errors[static_cast<size_t>(top + j) % ring].data() + kErrorLanes,
                         job.errors[static_cast<size_t>(top + j + 1) % ring].data() + kErrorLanes};
    }
    const CPixelContext context{job.tables, job.paletteBgr.data(), job.diffuse, width};
    const std::atomic<int>* above = band > 0 ? &job.progress[band - 1].pixels : nullptr;
    std::atomic<int>& done = job.progress[band].pixels;
    const auto follow = [&](int s) {
        if (above != nullptr && s % kChunk == 0 && s < width)
            WaitFor(*above, std::min(s + kChunk + 1, width));
    };
    const auto publish = [&](int s) {
        const int last = s - kRowLag * (rows - 1);
        if (last >= 0 && ((last + 1) % kChunk == 0 || last == width - 1)) {
            done.store(last + 1, std::memory_order_release);
            done.notify_all();
        }
    };
    // Step s: row j at pixel s - kRowLag * j, where it has one.
    const auto someRows = [&](int s) {
        follow(s);
        for (int j = 0; j < rows; ++j) {
            const int x = s - kRowLag * j;
            if (x < 0 || x >= width)
                continue;
            state[j].template Step<Hidden>(context, x);
            if (x == width - 1)
                state[j].Finish(x);
        }
        publish(s);
    };
    const int steps = width + kRowLag * (rows - 1);
    int s = 0;
    for (; s < std::min(kRowLag * (rows - 1), steps); ++s)
        someRows(s);
    if (rows == kBandRows && s < width) {
        // Every row has a pixel until the first row ends.
        for (; s < width; ++s) {
            follow(s);
            for (int j = 0; j < kBandRows; ++j)
                state[j].template Step<Hidden>(context, s - kRowLag * j);
            publish(s);
        }
        state[0].Finish(width - 1);
    }
    for (; s < steps; ++s)
        someRows(s);
}

// Waits until the band's rows are read. False when the reading failed: the
// band is given up and marked done, so that no band waits for it.
bool RowsAreIn(CDitherJob& job, int band)
{
    if (job.rowsRead == nullptr)
        return true;
    const int needed = std::min((band + 1) * kBandRows, job.height);
    int seen;
    while ((seen = job.rowsRead->load(std::memory_order_acquire)) >= 0 && seen < needed)
        job.rowsRead->wait(seen, std::memory_order_acquire);
    if (seen >= 0)
        return true;
    job.abandoned.store(true);
    job.progress[band].pixels.store(job.width, std::memory_order_release);
    job.progress[band].pixels.notify_all();
    return false;
}

// Each worker's loop is compiled whole, every call inside it inlined, once
// for each unit.
[[gnu::flatten]] void DitherBandsPlain(CDitherJob& job)
{
    for (int band; (band = job.nextBand.fetch_add(1)) < job.bands;)
        if (RowsAreIn(job, band))
            job.hidden ? DitherBand<CPlainRow, true>(job, band)
                       : DitherBand<CPlainRow, false>(job, band);
}

#ifdef SPRITEWRIGHT_X86
[[gnu::target("avx2"), gnu::flatten]] void DitherBandsAvx2(CDitherJob& job)
{
    for (int band; (band = job.nextBand.fetch_add(1)) < job.bands;)
        if (RowsAreIn(job, band))
            job.hidden ? DitherBand<CAvx2Row, true>(job, band)
                       : DitherBand<CAvx2Row, false>(job, band);
}
#endif

// Small pictures are done before a thread would have started.
bool WorthAThread(int width, int height)
{
    return int64_t{width} * height >= (int64_t{1} << 16) && width >= 4 * kChunk;
}

// The cores the last minute left idle, at least one. Threads that wait on
// each other only gain while each has a core of its own; on a busy machine
// they lose more than they gain.
int IdleCores()
{
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    double load = 0.0;
    if (getloadavg(&load, 1) == 1)
        cores -= static_cast<int>(std::min(load, 1024.0));
    return std::max(cores, 1);
}

int ThreadsFor(int width, int height, int bands, int asked)
{
    if (asked > 0)
        return std::min(asked, bands);
    if (!WorthAThread(width, height))
        return 1;
    return std::clamp(std::min(IdleCores(), width / (2 * kChunk)), 1, bands);
}

} // namespace

bool DitherToPalette(const CImage& picture, const std::vector<RGBQUAD>& palette,
                     bool errorDiffusion, const CDitherSettings& settings,
                     std::vector<uint8_t>& indices)
{
    indices.clear();
    if (!picture.IsValid() || picture.GetBpp() != 24 || palette.empty() || palette.size() > 256)
        return false;
    const int width = picture.GetWidth(), height = picture.GetHeight();
    AssignLarge(indices, static_cast<size_t>(width) * static_cast<size_t>(height), uint8_t{0});
    const CPaletteMatcher matcher(palette);
    CDitherJob job;
    job.picture = &picture;
    job.tables = matcher.Tables();
    job.diffuse = errorDiffusion;
    job.hidden = !errorDiffusion || picture.HasAlpha();
    job.width = width;
    job.height = height;
    job.indices = indices.data();
    job.rowsRead = settings.rowsRead;
    for (const RGBQUAD& c : palette)
        job.paletteBgr.insert(job.paletteBgr.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
    job.bands = (height + kBandRows - 1) / kBandRows;
    const int threads = ThreadsFor(width, height, job.bands, settings.nThreads);
    // The bands in work at one time are consecutive and at most one per
    // worker; each reads and writes its own rows' errors.
    job.errors.assign(static_cast<size_t>(threads * kBandRows + 1),
                      CErrorRow(static_cast<size_t>(width + 1) * kErrorLanes, 0));
    job.progress = std::make_unique<CProgress[]>(static_cast<size_t>(job.bands));

    void (*work)(CDitherJob&) = DitherBandsPlain;
#ifdef SPRITEWRIGHT_X86
    if (settings.unit == CSearchUnit::Avx2 && IsSearchUnitAvailable(CSearchUnit::Avx2))
        work = DitherBandsAvx2;
#endif
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work, std::ref(job));
        } catch (const std::system_error&) {
            break; // the workers that did start share the bands
        }
    }
    work(job);
    for (std::thread& helper : helpers)
        helper.join();
    return !job.abandoned.load();
}

CDitherWhileReading::CDitherWhileReading(std::vector<RGBQUAD> palette, bool always)
    : m_Palette(std::move(palette)), m_bAlways(always)
{
}

CDitherWhileReading::~CDitherWhileReading()
{
    GiveUp();
}

void CDitherWhileReading::GiveUp()
{
    if (!m_Worker.joinable())
        return;
    m_Rows.store(-1, std::memory_order_release);
    m_Rows.notify_all();
    m_Worker.join();
}

void CDitherWhileReading::RowsRead(const CImage& picture, int rows)
{
    // The pixels are freed once a failed read has been told.
    if (rows < 0) {
        GiveUp();
        return;
    }
    if (m_Worker.joinable()) {
        m_Rows.store(rows, std::memory_order_release);
        m_Rows.notify_all();
        return;
    }
    if (m_bDithered || picture.GetBpp() != 24 || m_Palette.empty())
        return;
    // The reading keeps one core busy; the dither needs another.
    if (!m_bAlways && (!WorthAThread(picture.GetWidth(), picture.GetHeight()) || IdleCores() < 2))
        return;
    m_Rows.store(rows, std::memory_order_release);
    try {
        m_Worker = std::thread([this, &picture] {
            m_bDithered = DitherToPalette(picture, m_Palette, true, {BestSearchUnit(), 1, &m_Rows},
                                          m_Indices);
        });
    } catch (const std::system_error&) {
        // Finish says nothing was dithered; the picture is dithered after
        // reading instead.
    }
}

bool CDitherWhileReading::Finish(std::vector<uint8_t>& indices)
{
    if (m_Worker.joinable())
        m_Worker.join();
    if (!m_bDithered)
        return false;
    indices = std::move(m_Indices);
    m_bDithered = false;
    return true;
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
    std::vector<uint8_t> indices;
    return DitherToPalette(*this, palette, errorDiffusion, CDitherSettings{}, indices) &&
           SetIndexedPixels(std::move(indices), palette);
}
