#include "PixelEdit.h"

#include "GridEdit.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Wide enough for the product of two differences of int coordinates, twice.
using Wide = __int128;

bool Inside(const DC6PixelView& view, Wide x, Wide y)
{
    return x >= 0 && y >= 0 && x < view.m_iWidth && y < view.m_iHeight;
}

uint8_t* Row(const DC6PixelView& view, int64_t y)
{
    return view.m_Pixels.data() + y * view.m_iWidth;
}

int64_t Plot(const DC6PixelView& view, Wide x, Wide y, uint8_t index)
{
    if (!Inside(view, x, y))
        return 0;
    uint8_t& pixel = Row(view, static_cast<int64_t>(y))[static_cast<int64_t>(x)];
    if (pixel == index)
        return 0;
    pixel = index;
    return 1;
}

} // namespace

int64_t SetPixel(DC6PixelView view, int x, int y, uint8_t index)
{
    return Plot(view, x, y, index);
}

int64_t DrawLine(DC6PixelView view, int x0, int y0, int x1, int y1, uint8_t index)
{
    const Wide dx = Wide{x1} - x0;
    const Wide dy = Wide{y1} - y0;
    const Wide adx = dx < 0 ? -dx : dx;
    const Wide ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0)
        return Plot(view, x0, y0, index);
    // Step t goes t pixels along the longer (major) axis and the nearest
    // whole number of t * minor / major along the other, halves rounded up.
    // Only the steps whose major coordinate lies in the frame are taken.
    const bool xMajor = adx >= ady;
    const Wide major = xMajor ? adx : ady;
    const Wide minor = xMajor ? ady : adx;
    const Wide start = xMajor ? x0 : y0;
    const Wide other = xMajor ? y0 : x0;
    const int sign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int otherSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const Wide limit = xMajor ? view.m_iWidth : view.m_iHeight;
    const Wide first = std::max<Wide>(0, sign > 0 ? -start : start - (limit - 1));
    const Wide last = std::min<Wide>(major, sign > 0 ? limit - 1 - start : start);
    int64_t changed = 0;
    for (Wide t = first; t <= last; ++t) {
        const Wide along = start + sign * t;
        const Wide across = other + otherSign * ((2 * t * minor + major) / (2 * major));
        changed += xMajor ? Plot(view, along, across, index) : Plot(view, across, along, index);
    }
    return changed;
}

int64_t FloodFill(DC6PixelView view, int x, int y, uint8_t index)
{
    if (!Inside(view, x, y))
        return 0;
    const uint8_t target = Row(view, y)[x];
    if (target == index)
        return 0;
    // Each seed fills the run of target pixels through it and leaves a seed
    // at the start of every run of target pixels above and below that run.
    const int64_t width = view.m_iWidth;
    std::vector<std::pair<int64_t, int64_t>> seeds{{x, y}};
    int64_t changed = 0;
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        uint8_t* row = Row(view, sy);
        if (row[sx] != target)
            continue;
        int64_t left = sx;
        int64_t right = sx;
        while (left > 0 && row[left - 1] == target)
            --left;
        while (right + 1 < width && row[right + 1] == target)
            ++right;
        std::fill(row + left, row + right + 1, index);
        changed += right - left + 1;
        for (const int64_t ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= view.m_iHeight)
                continue;
            const uint8_t* next = Row(view, ny);
            for (int64_t i = left; i <= right; ++i)
                if (next[i] == target && (i == left || next[i - 1] != target))
                    seeds.emplace_back(i, ny);
        }
    }
    return changed;
}

int64_t ReplaceIndex(DC6PixelView view, uint8_t from, uint8_t to)
{
    if (from == to)
        return 0;
    int64_t changed = 0;
    for (uint8_t& pixel : view.m_Pixels) {
        if (pixel == from) {
            pixel = to;
            ++changed;
        }
    }
    return changed;
}

bool ReplaceIndex(CDC6File& doc, uint8_t from, uint8_t to, int direction, int frame,
                  int64_t& changed, std::string& error,
                  const std::function<void(int, std::span<const uint8_t>)>& beforeChange)
{
    changed = 0;
    DC6FileHeader header;
    if (!ReadGridHeader(doc, header, error) ||
        (direction != -1 && !CheckGridIndex(direction, header.m_iDirections, "direction", error)) ||
        (frame != -1 && !CheckGridIndex(frame, header.m_iFramesPerDirection, "frame", error)))
        return false;
    const int frames = header.m_iFramesPerDirection;
    const int firstDirection = direction == -1 ? 0 : direction;
    const int endDirection = direction == -1 ? header.m_iDirections : direction + 1;
    const int firstFrame = frame == -1 ? 0 : frame;
    const int endFrame = frame == -1 ? frames : frame + 1;
    for (int d = firstDirection; d < endDirection; ++d) {
        for (int f = firstFrame; f < endFrame; ++f) {
            const DC6PixelView view = doc.EditFramePixels(d * frames + f);
            if (from == to || std::ranges::find(view.m_Pixels, from) == view.m_Pixels.end())
                continue;
            if (beforeChange)
                beforeChange(d * frames + f, view.m_Pixels);
            changed += ReplaceIndex(view, from, to);
        }
    }
    return true;
}
