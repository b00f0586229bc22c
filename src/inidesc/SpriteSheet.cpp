#include "SpriteSheet.h"

#include "AtomicFile.h"
#include "DirectionCanvas.h"
#include "FrameImage.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

std::string Number(int64_t value)
{
    return std::to_string(value);
}

// A cell of the sheet: its size and its top left corner.
struct CCell {
    int64_t w = 0;
    int64_t h = 0;
    int64_t x = 0;
    int64_t y = 0;
};

// One line of cells a direction, its frames one after another: rows run
// left to right and lie one below the other, columns the transpose.
void LayLines(std::vector<CCell>& cells, int directions, int frames, int64_t padding, bool rows,
              int64_t& width, int64_t& height)
{
    int64_t longest = 0;
    int64_t lineStart = 0;
    for (int d = 0; d < directions; ++d) {
        int64_t along = 0;
        int64_t thickness = 0;
        for (int f = 0; f < frames; ++f) {
            CCell& c = cells[static_cast<size_t>(d) * static_cast<size_t>(frames) +
                             static_cast<size_t>(f)];
            (rows ? c.x : c.y) = along;
            (rows ? c.y : c.x) = lineStart;
            along += (rows ? c.w : c.h) + padding;
            thickness = std::max(thickness, rows ? c.h : c.w);
        }
        longest = std::max(longest, along - padding);
        lineStart += thickness + padding;
    }
    (rows ? width : height) = longest;
    (rows ? height : width) = lineStart - padding;
}

// Shelves of cells in `order`, each filled left to right up to `limit`
// pixels; the height they take, and the widest shelf in `width`.
int64_t Shelve(std::vector<CCell>& cells, const std::vector<size_t>& order, int64_t limit,
               int64_t padding, int64_t& width)
{
    int64_t x = 0, y = 0, shelf = 0;
    width = 0;
    for (size_t i : order) {
        CCell& c = cells[i];
        if (x > 0 && x + c.w > limit) {
            y += shelf + padding;
            x = 0;
            shelf = 0;
        }
        c.x = x;
        c.y = y;
        x += c.w + padding;
        shelf = std::max(shelf, c.h);
        width = std::max(width, x - padding);
    }
    return y + shelf;
}

// Shelves of the tallest cells first, as wide as the narrowest sheet that
// is no higher than wide.
void Pack(std::vector<CCell>& cells, int64_t padding, int64_t& width, int64_t& height)
{
    std::vector<size_t> order(cells.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return cells[a].h != cells[b].h ? cells[a].h > cells[b].h : cells[a].w > cells[b].w;
    });
    int64_t low = 0, high = -padding;
    for (const CCell& c : cells) {
        low = std::max(low, c.w);
        high += c.w + padding;
    }
    while (low < high) {
        const int64_t middle = low + (high - low) / 2;
        if (Shelve(cells, order, middle, padding, width) <= middle)
            high = middle;
        else
            low = middle + 1;
    }
    height = Shelve(cells, order, low, padding, width);
}

// Frame row y (counted from its bottom) of a frame whose top left lies at
// left, top of the sheet (counted from the sheet's top).
uint8_t* SheetRow(CImage& sheet, int64_t left, int64_t top, int height, int y)
{
    return sheet.GetBits(static_cast<int>(sheet.GetHeight() - 1 - (top + height - 1 - y))) + left;
}

} // namespace

bool ComposeSpriteSheet(const CDC6File& doc, const CPalette& palette, const CSheetOptions& options,
                        CImage& sheet, CSheetAtlas& atlas, std::string& error)
{
    DC6FileHeader header;
    if (!doc.GetDC6FileHeader(header)) {
        error = "There is no sprite to export";
        return false;
    }
    if (options.nPadding < 0 || options.nPadding > kMaxSheetPadding) {
        error = "The padding between cells is 0 to " + Number(kMaxSheetPadding) + " pixels, not " +
                Number(options.nPadding);
        return false;
    }
    if (options.nFramesPerSecond < 1 || options.nFramesPerSecond > kMaxFramesPerSecond) {
        error = "An animation plays at 1 to " + Number(kMaxFramesPerSecond) +
                " frames a second, not " + Number(options.nFramesPerSecond);
        return false;
    }
    const int directions = header.m_iDirections;
    const int frames = header.m_iFramesPerDirection;
    const bool registered = options.canvas == SheetCanvas::Registered;
    CSheetAtlas described;
    described.nDirections = directions;
    described.nFramesPerDirection = frames;
    std::copy(std::begin(header.m_cTermination), std::end(header.m_cTermination),
              described.termination.begin());
    described.frames.resize(static_cast<size_t>(directions) * static_cast<size_t>(frames));
    std::vector<CCell> cells(described.frames.size());
    for (int d = 0; d < directions; ++d) {
        const CDirectionCanvas canvas = DirectionCanvas(doc, d);
        for (int f = 0; f < frames; ++f) {
            const int i = d * frames + f;
            DC6FrameHeader fh{};
            doc.GetDC6FrameHeader(i, fh);
            CAtlasFrame& a = described.frames[static_cast<size_t>(i)];
            a.strName = AtlasFrameName(d, f);
            a.spriteSource = {fh.m_iOffsetX - canvas.m_iMinX,
                              int64_t{fh.m_iOffsetY} - fh.m_iHeight - canvas.m_iMinTop, fh.m_iWidth,
                              fh.m_iHeight};
            a.nSourceWidth = canvas.Width();
            a.nSourceHeight = canvas.Height();
            a.bTrimmed = a.spriteSource.x != 0 || a.spriteSource.y != 0 ||
                         fh.m_iWidth != a.nSourceWidth || fh.m_iHeight != a.nSourceHeight;
            a.nDuration = (1000 + options.nFramesPerSecond / 2) / options.nFramesPerSecond;
            a.nOffsetX = fh.m_iOffsetX;
            a.nOffsetY = fh.m_iOffsetY;
            a.nOriginX = canvas.m_iMinX;
            a.nOriginY = canvas.m_iMinTop;
            cells[static_cast<size_t>(i)].w = registered ? a.nSourceWidth : fh.m_iWidth;
            cells[static_cast<size_t>(i)].h = registered ? a.nSourceHeight : fh.m_iHeight;
        }
    }

    int64_t width = 0, height = 0;
    if (options.layout == SheetLayout::Packed)
        Pack(cells, options.nPadding, width, height);
    else
        LayLines(cells, directions, frames, options.nPadding, options.layout == SheetLayout::Rows,
                 width, height);
    if (width > INT_MAX || height > INT_MAX || width * height > CImage::kMaxPixels) {
        error = "The sheet would be " + Number(width) + " x " + Number(height) +
                " pixels, more than the limit of " + Number(CImage::kMaxPixels) +
                " pixels a picture" +
                (registered ? "; a trimmed sheet needs no room around the frames" : "");
        return false;
    }
    described.nWidth = static_cast<int>(width);
    described.nHeight = static_cast<int>(height);
    if (!sheet.Create(described.nWidth, described.nHeight, 8, IMAGE_TYPE_BMP)) {
        error = sheet.GetLastError();
        return false;
    }
    sheet.SetPalette(palette.data(), static_cast<int>(palette.size()));
    for (size_t i = 0; i < cells.size(); ++i) {
        CAtlasFrame& a = described.frames[i];
        a.frame = {cells[i].x + (registered ? a.spriteSource.x : 0),
                   cells[i].y + (registered ? a.spriteSource.y : 0), a.spriteSource.w,
                   a.spriteSource.h};
        const std::span<const uint8_t> pixels = doc.GetFramePixels(static_cast<int>(i));
        const int w = static_cast<int>(a.frame.w), h = static_cast<int>(a.frame.h);
        for (int y = 0; y < h; ++y)
            std::memcpy(SheetRow(sheet, a.frame.x, a.frame.y, h, y),
                        pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w),
                        static_cast<size_t>(w));
    }
    atlas = std::move(described);
    return true;
}

bool ExportSpriteSheet(const CDC6File& doc, const CPalette& palette, const CSheetOptions& options,
                       const std::filesystem::path& sheetPath,
                       const std::filesystem::path& atlasPath, std::string& error)
{
    const int type = ImageTypeFromExtension(sheetPath);
    if (type == IMAGE_TYPE_JPG) {
        error = "A sheet keeps its palette indices only as PNG, BMP, GIF, TIF or PCX, not JPG";
        return false;
    }
    std::error_code ec, atlasEc;
    const std::filesystem::path sheetFile = std::filesystem::weakly_canonical(sheetPath, ec);
    const std::filesystem::path atlasFile = std::filesystem::weakly_canonical(atlasPath, atlasEc);
    if (!ec && !atlasEc && sheetFile == atlasFile) {
        error = "The sheet and its atlas cannot be the same file " + sheetPath.string();
        return false;
    }
    CImage sheet;
    CSheetAtlas atlas;
    if (!ComposeSpriteSheet(doc, palette, options, sheet, atlas, error))
        return false;
    // The sheet as the atlas's folder sees it.
    const std::filesystem::path image = std::filesystem::proximate(
        sheetPath, std::filesystem::absolute(atlasPath, ec).parent_path(), ec);
    atlas.strImage = ec ? sheetPath.filename().string() : image.generic_string();
    PrepareForFileType(sheet, type, 100);
    std::vector<uint8_t> picture;
    if (!sheet.Encode(picture, type)) {
        error = "Could not save " + sheetPath.string() + " (" + sheet.GetLastError() + ")";
        return false;
    }
    const std::string text = WriteSheetAtlas(atlas);
    return WriteFileAtomically(sheetPath, picture, error) &&
           WriteFileAtomically(
               atlasPath, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
               error);
}

bool ImportSpriteSheet(const std::filesystem::path& sheetPath,
                       const std::filesystem::path& atlasPath, const CPalette& palette,
                       CDC6File& doc, std::string& error)
{
    CSheetAtlas atlas;
    if (!ReadSheetAtlasFile(atlasPath, atlas, error))
        return false;
    CImage sheet;
    if (!sheet.Load(sheetPath, ImageTypeFromExtension(sheetPath))) {
        error =
            "Could not read the sheet " + sheetPath.string() + " (" + sheet.GetLastError() + ")";
        return false;
    }
    if (!CheckSheetAtlas(atlas, sheet.GetWidth(), sheet.GetHeight(), error)) {
        error = atlasPath.string() + ": " + error;
        return false;
    }

    // Every value has been checked: from here on nothing fails.
    doc.NewDC6(atlas.nDirections, atlas.nFramesPerDirection);
    DC6FileHeader header;
    doc.GetDC6FileHeader(header);
    std::copy(atlas.termination.begin(), atlas.termination.end(), header.m_cTermination);
    doc.SetDC6FileHeader(header);
    for (size_t i = 0; i < atlas.frames.size(); ++i) {
        const CAtlasFrame& a = atlas.frames[i];
        const int index = static_cast<int>(i);
        CImage piece;
        sheet.Crop(static_cast<int>(a.frame.x), static_cast<int>(a.frame.y),
                   static_cast<int>(a.frame.x + a.frame.w), static_cast<int>(a.frame.y + a.frame.h),
                   &piece);
        ReduceToIndexed(piece, palette);
        ImageToFrame(doc, index, piece, palette);
        doc.SetFrameOffsetX(index, a.nOffsetX);
        doc.SetFrameOffsetY(index, a.nOffsetY);
    }
    return true;
}
