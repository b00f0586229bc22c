// GIF reading and writing over giflib.
//
// Reading walks the file record by record rather than slurping it, so that
// only the images up to the one asked for are decoded, the rest are merely
// counted, and every rectangle is clipped to the logical screen before a
// pixel is stored.

#include "ImageCodecs.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (length <= 0)
        return 0;
    const size_t count = std::min(static_cast<size_t>(length), reader->size - reader->pos);
    if (count == 0)
        return 0;
    std::memcpy(buffer, reader->data + reader->pos, count);
    reader->pos += count;
    return static_cast<int>(count);
}

std::string GifText(int code)
{
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "unknown giflib error " + std::to_string(code);
}

// Closes the decoder however the reading ends.
struct GifReaderCloser {
    GifFileType* gif;
    ~GifReaderCloser()
    {
        if (gif != nullptr) {
            int code = 0;
            DGifCloseFile(gif, &code);
        }
    }
};

using ColourTable = std::vector<RGBQUAD>;

ColourTable TableFromMap(const ColorMapObject* map)
{
    ColourTable table;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0)
        return table;
    const int count = std::min(map->ColorCount, 256);
    table.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[i];
        table.push_back(RGBQUAD{c.Blue, c.Green, c.Red, 0});
    }
    return table;
}

bool SameTable(const ColourTable& a, const ColourTable& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const RGBQUAD& x, const RGBQUAD& y) {
               return x.rgbBlue == y.rgbBlue && x.rgbGreen == y.rgbGreen && x.rgbRed == y.rgbRed;
           });
}

// The logical screen as it is composed image after image. Each pixel holds
// the index that painted it and which colour table that index belongs to
// (0 for a pixel nothing has painted, else the table's number plus one).
// Tables with the same colours count as one table.
class Screen {
public:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> index;
    std::vector<uint16_t> table;
    std::vector<ColourTable> tables;

    bool Allocate(int w, int h, std::string& error)
    {
        if (w <= 0 || h <= 0 || int64_t{w} * h > CImage::kMaxPixels) {
            error = "the GIF's logical screen of " + std::to_string(w) + " x " + std::to_string(h) +
                    " pixels is empty or larger than the limit of " +
                    std::to_string(CImage::kMaxPixels) + " pixels";
            return false;
        }
        width = w;
        height = h;
        const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
        index.assign(n, 0);
        table.assign(n, 0);
        return true;
    }

    // The number (plus one) that pixels painted from `colours` carry.
    int Intern(const ColourTable& colours, std::string& error)
    {
        for (size_t i = 0; i < tables.size(); ++i) {
            if (SameTable(tables[i], colours))
                return static_cast<int>(i) + 1;
        }
        if (tables.size() >= 0xFFFE) {
            error = "the GIF has too many different colour tables";
            return 0;
        }
        tables.push_back(colours);
        return static_cast<int>(tables.size());
    }
};

// An image's rectangle clipped to the screen.
struct Rect {
    int left, top, right, bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

Rect ClipToScreen(const GifImageDesc& desc, const Screen& screen)
{
    const int64_t right = int64_t{desc.Left} + desc.Width;
    const int64_t bottom = int64_t{desc.Top} + desc.Height;
    Rect r;
    r.left = std::clamp(desc.Left, 0, screen.width);
    r.top = std::clamp(desc.Top, 0, screen.height);
    r.right = static_cast<int>(std::clamp<int64_t>(right, r.left, screen.width));
    r.bottom = static_cast<int>(std::clamp<int64_t>(bottom, r.top, screen.height));
    return r;
}

// Skips the compressed pixels of the current image.
bool SkipRaster(GifFileType* gif)
{
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

// Decodes the current image's pixels onto the screen; pixels equal to
// `transparent` leave the screen as it is.
bool PaintRaster(GifFileType* gif, Screen& screen, int tableId, int transparent)
{
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0)
        return SkipRaster(gif);
    const Rect clip = ClipToScreen(desc, screen);
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    static constexpr int kPassStart[] = {0, 4, 2, 1};
    static constexpr int kPassStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = desc.Interlace ? kPassStart[pass] : 0;
        const int step = desc.Interlace ? kPassStep[pass] : 1;
        for (int y = start; y < desc.Height; y += step) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                return false;
            const int64_t sy = int64_t{desc.Top} + y;
            if (sy < clip.top || sy >= clip.bottom)
                continue;
            const size_t rowStart = static_cast<size_t>(sy) * static_cast<size_t>(screen.width);
            for (int sx = clip.left; sx < clip.right; ++sx) {
                const GifPixelType value = line[static_cast<size_t>(sx - desc.Left)];
                if (value == transparent)
                    continue;
                screen.index[rowStart + static_cast<size_t>(sx)] = value;
                screen.table[rowStart + static_cast<size_t>(sx)] = static_cast<uint16_t>(tableId);
            }
        }
    }
    return true;
}

struct SavedRect {
    Rect rect{0, 0, 0, 0};
    std::vector<uint8_t> index;
    std::vector<uint16_t> table;
};

void SaveRect(const Screen& screen, const Rect& rect, SavedRect& saved)
{
    saved.rect = rect;
    saved.index.clear();
    saved.table.clear();
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(screen.width);
        saved.index.insert(saved.index.end(), screen.index.begin() + at + rect.left,
                           screen.index.begin() + at + rect.right);
        saved.table.insert(saved.table.end(), screen.table.begin() + at + rect.left,
                           screen.table.begin() + at + rect.right);
    }
}

void RestoreRect(Screen& screen, const SavedRect& saved)
{
    const Rect& rect = saved.rect;
    const size_t w = static_cast<size_t>(rect.right - rect.left);
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(screen.width) + rect.left;
        const size_t from = static_cast<size_t>(y - rect.top) * w;
        std::copy_n(saved.index.begin() + from, w, screen.index.begin() + at);
        std::copy_n(saved.table.begin() + from, w, screen.table.begin() + at);
    }
}

void ClearRect(Screen& screen, const Rect& rect)
{
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(screen.width);
        std::fill(screen.table.begin() + at + rect.left, screen.table.begin() + at + rect.right, 0);
    }
}

// Turns the composed screen into the picture: 8 bits when one colour table
// painted every pixel, else 24 bits with alpha.
bool ScreenToImage(const Screen& screen, int targetTable, int transparent, int background,
                   CImage& image, std::string& error)
{
    int used = 0;
    bool mixed = false;
    for (uint16_t id : screen.table) {
        if (id == 0 || id == used)
            continue;
        if (used != 0) {
            mixed = true;
            break;
        }
        used = id;
    }
    const int w = screen.width;
    const int h = screen.height;
    if (!mixed) {
        const ColourTable& colours =
            screen.tables[static_cast<size_t>(used != 0 ? used : targetTable) - 1];
        const int fill = transparent >= 0 ? transparent : background;
        if (!image.Create(w, h, 8, IMAGE_TYPE_GIF)) {
            error = image.GetLastError();
            return false;
        }
        int highest = fill;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = image.GetBits(h - 1 - y);
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(w);
            for (int x = 0; x < w; ++x) {
                const uint8_t v =
                    screen.table[at + x] != 0 ? screen.index[at + x] : static_cast<uint8_t>(fill);
                row[x] = v;
                highest = std::max<int>(highest, v);
            }
        }
        // Indices past a short table (which a damaged file can hold) get
        // black entries rather than pointing outside the palette.
        ColourTable palette = colours;
        if (palette.empty() || highest >= static_cast<int>(palette.size()))
            palette.resize(256, RGBQUAD{0, 0, 0, 0});
        image.SetPalette(palette.data(), static_cast<int>(palette.size()));
        if (transparent >= 0)
            image.SetTransIndex(transparent);
        return true;
    }
    if (!image.Create(w, h, 24, IMAGE_TYPE_GIF)) {
        error = image.GetLastError();
        return false;
    }
    image.CreateAlpha();
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.GetBits(h - 1 - y);
        uint8_t* alpha = image.GetAlphaBits(h - 1 - y);
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) {
            const uint16_t id = screen.table[at + x];
            if (id == 0) {
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 0;
                alpha[x] = 0;
                continue;
            }
            const ColourTable& colours = screen.tables[id - 1];
            const uint8_t v = screen.index[at + x];
            const RGBQUAD c = v < colours.size() ? colours[v] : RGBQUAD{0, 0, 0, 0};
            row[3 * x] = c.rgbBlue;
            row[3 * x + 1] = c.rgbGreen;
            row[3 * x + 2] = c.rgbRed;
            alpha[x] = 255;
        }
    }
    return true;
}

// A picture ready for writing: indices top row first, a colour table of a
// power of two entries, and the transparency index or -1.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<GifPixelType> pixels;
    std::vector<GifColorType> colours;
    int transparent = -1;
};

void PadTable(std::vector<GifColorType>& colours, int needed)
{
    int size = 2;
    while (size < needed)
        size *= 2;
    colours.resize(static_cast<size_t>(size), GifColorType{0, 0, 0});
}

bool ToIndexed(const CImage& image, IndexedPicture& picture, std::string& error)
{
    if (!image.IsValid()) {
        error = "there is no picture to write";
        return false;
    }
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    if (w > 0xFFFF || h > 0xFFFF) {
        error = "GIF pictures are at most 65535 x 65535 pixels, not " + std::to_string(w) + " x " +
                std::to_string(h);
        return false;
    }
    picture.width = w;
    picture.height = h;
    picture.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    picture.colours.clear();
    picture.transparent = -1;
    if (image.GetBpp() != 24) {
        int highest = 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = image.GetBits(h - 1 - y);
            std::copy_n(row, w, picture.pixels.begin() + static_cast<ptrdiff_t>(y) * w);
            highest = std::max<int>(highest, *std::max_element(row, row + w));
        }
        for (const RGBQUAD& c : image.GetPalette())
            picture.colours.push_back(GifColorType{c.rgbRed, c.rgbGreen, c.rgbBlue});
        const int trans = image.GetTransIndex();
        if (trans >= 0 && trans <= 255) {
            picture.transparent = trans;
            highest = std::max(highest, trans);
        }
        PadTable(picture.colours, std::max(highest + 1, static_cast<int>(picture.colours.size())));
        return true;
    }
    // At 24 bits every colour becomes an entry, in the order the colours
    // first appear. Pixels an alpha plane makes transparent share one more
    // entry that the graphics control block names.
    std::unordered_map<uint32_t, int> entries;
    bool anyTransparent = false;
    for (int y = 0; y < h && !anyTransparent; ++y) {
        const uint8_t* alpha = image.GetAlphaBits(h - 1 - y);
        anyTransparent =
            alpha != nullptr && std::any_of(alpha, alpha + w, [](uint8_t a) { return a < 128; });
    }
    const size_t limit = anyTransparent ? 255 : 256;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = image.GetBits(h - 1 - y);
        const uint8_t* alpha = image.GetAlphaBits(h - 1 - y);
        GifPixelType* dst = picture.pixels.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            if (alpha != nullptr && alpha[x] < 128) {
                dst[x] = 0; // the transparent entry's number is set below
                continue;
            }
            const uint32_t key = uint32_t{row[3 * x]} | uint32_t{row[3 * x + 1]} << 8 |
                                 uint32_t{row[3 * x + 2]} << 16;
            auto [it, added] = entries.try_emplace(key, static_cast<int>(entries.size()));
            if (added) {
                if (entries.size() > limit) {
                    error = "the picture has more than " + std::to_string(limit) +
                            " colours, which a GIF cannot hold; reduce it to 256 colours first";
                    return false;
                }
                picture.colours.push_back(GifColorType{row[3 * x + 2], row[3 * x + 1], row[3 * x]});
            }
            dst[x] = static_cast<GifPixelType>(it->second);
        }
    }
    if (anyTransparent) {
        picture.transparent = static_cast<int>(picture.colours.size());
        picture.colours.push_back(GifColorType{0, 0, 0});
        for (int y = 0; y < h; ++y) {
            const uint8_t* alpha = image.GetAlphaBits(h - 1 - y);
            GifPixelType* dst = picture.pixels.data() + static_cast<size_t>(y) * w;
            for (int x = 0; x < w; ++x) {
                if (alpha[x] < 128)
                    dst[x] = static_cast<GifPixelType>(picture.transparent);
            }
        }
    }
    PadTable(picture.colours, static_cast<int>(picture.colours.size()));
    return true;
}

bool SameColours(const std::vector<GifColorType>& a, const std::vector<GifColorType>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](const GifColorType& x, const GifColorType& y) {
                                                  return x.Red == y.Red && x.Green == y.Green &&
                                                         x.Blue == y.Blue;
                                              });
}

struct MapOwner {
    ColorMapObject* map = nullptr;
    ~MapOwner() { GifFreeMapObject(map); }
};

// The graphics control block of a picture: `animate` gives every picture
// one, else only a transparent picture gets one.
bool PutControlBlock(GifFileType* gif, const IndexedPicture& p, bool animate, int disposal,
                     int delay)
{
    if (!animate && p.transparent < 0)
        return true;
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = animate ? std::clamp(disposal, 0, 7) : DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = animate ? std::clamp(delay, 0, 0xFFFF) : 0;
    gcb.TransparentColor = p.transparent >= 0 ? p.transparent : NO_TRANSPARENT_COLOR;
    GifByteType block[4];
    const size_t length = EGifGCBToExtension(&gcb, block);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) !=
           GIF_ERROR;
}

} // namespace

// A GIF written picture by picture: Begin writes the screen (and the looping
// extension of an animation), Put one picture at a time, End the trailer.
class CGifStream {
public:
    using Output = std::function<bool(const uint8_t* data, size_t size)>;

    explicit CGifStream(Output output) : m_Output(std::move(output)) {}
    ~CGifStream()
    {
        if (m_pGif != nullptr) {
            int code = 0;
            EGifCloseFile(m_pGif, &code);
        }
    }
    CGifStream(const CGifStream&) = delete;
    CGifStream& operator=(const CGifStream&) = delete;

    bool Started() const { return m_pGif != nullptr; }

    // The first picture's colours become the global table.
    bool Begin(int width, int height, const std::vector<GifColorType>& global, bool gif89,
               bool animate, std::string& error)
    {
        MapOwner globalMap{GifMakeMapObject(static_cast<int>(global.size()), global.data())};
        if (globalMap.map == nullptr) {
            error = "cannot make the GIF's colour table";
            return false;
        }
        m_Global = global;
        m_iWidth = width;
        m_iHeight = height;
        int code = 0;
        m_pGif = EGifOpen(this, Write, &code);
        if (m_pGif == nullptr) {
            error = "cannot start the GIF: " + GifText(code);
            return false;
        }
        EGifSetGifVersion(m_pGif, gif89);
        if (EGifPutScreenDesc(m_pGif, width, height, 8, 0, globalMap.map) == GIF_ERROR)
            return Failed(error);
        if (animate) {
            static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                                    'P', 'E', '2', '.', '0'};
            static const GifByteType kLoopForever[] = {1, 0, 0};
            if (EGifPutExtensionLeader(m_pGif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
                EGifPutExtensionBlock(m_pGif, sizeof kNetscape, kNetscape) == GIF_ERROR ||
                EGifPutExtensionBlock(m_pGif, sizeof kLoopForever, kLoopForever) == GIF_ERROR ||
                EGifPutExtensionTrailer(m_pGif) == GIF_ERROR)
                return Failed(error);
        }
        return true;
    }

    // One picture at the screen's top left.
    bool Put(IndexedPicture& p, bool animate, int disposal, int delay, std::string& error)
    {
        if (p.width > m_iWidth || p.height > m_iHeight) {
            error = "the picture of " + std::to_string(p.width) + " x " + std::to_string(p.height) +
                    " pixels is larger than the GIF's screen";
            return false;
        }
        if (!PutControlBlock(m_pGif, p, animate, disposal, delay))
            return Failed(error);
        MapOwner local;
        if (!SameColours(p.colours, m_Global)) {
            local.map = GifMakeMapObject(static_cast<int>(p.colours.size()), p.colours.data());
            if (local.map == nullptr) {
                error = "cannot make a GIF colour table";
                return false;
            }
        }
        if (EGifPutImageDesc(m_pGif, 0, 0, p.width, p.height, false, local.map) == GIF_ERROR)
            return Failed(error);
        for (int y = 0; y < p.height; ++y) {
            if (EGifPutLine(m_pGif, p.pixels.data() + static_cast<size_t>(y) * p.width, p.width) ==
                GIF_ERROR)
                return Failed(error);
        }
        return true;
    }

    bool End(std::string& error)
    {
        GifFileType* gif = std::exchange(m_pGif, nullptr);
        int code = 0;
        if (EGifCloseFile(gif, &code) == GIF_ERROR) {
            error = "cannot finish the GIF: " + GifText(code);
            return false;
        }
        return true;
    }

private:
    static int Write(GifFileType* gif, const GifByteType* data, int length)
    {
        auto* self = static_cast<CGifStream*>(gif->UserData);
        return length > 0 && self->m_Output(data, static_cast<size_t>(length)) ? length : 0;
    }
    bool Failed(std::string& error) const
    {
        error = "cannot write the GIF: " + GifText(m_pGif->Error);
        return false;
    }

    Output m_Output;
    GifFileType* m_pGif = nullptr;
    std::vector<GifColorType> m_Global;
    int m_iWidth = 0;
    int m_iHeight = 0;
};

namespace {

// Output that gathers the file in memory.
CGifStream::Output IntoVector(std::vector<uint8_t>& out)
{
    out.clear();
    return [&out](const uint8_t* data, size_t size) {
        try {
            out.insert(out.end(), data, data + size);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    };
}

// Composes the images of a GIF on its logical screen, in order, up to image
// `target`, which goes to `image`; with `each`, every image of the file goes
// to `each` as soon as it is composed (until it answers false), and `image`
// only counts them.
bool ComposeGif(std::span<const uint8_t> data, int target, const ImageSink* each, CImage& image,
                std::string& error)
{
    const bool all = each != nullptr;
    int count = 0;
    image.SetNumFrames(0);
    MemoryReader reader{data.data(), data.size(), 0};
    int code = 0;
    GifReaderCloser closer{DGifOpen(&reader, ReadFromMemory, &code)};
    if (closer.gif == nullptr) {
        error = "not a GIF file: " + GifText(code);
        return false;
    }
    GifFileType* gif = closer.gif;
    if (target < 0) {
        error = "there is no image " + std::to_string(target) + " in a GIF";
        return false;
    }

    Screen screen;
    if (gif->SWidth > 0 && gif->SHeight > 0 && !screen.Allocate(gif->SWidth, gif->SHeight, error))
        return false;
    const ColourTable global = TableFromMap(gif->SColorMap);
    int background = gif->SColorMap != nullptr ? gif->SBackGroundColor : 0;

    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    bool done = false; // image `target` is on the screen
    int targetTable = 0;
    int targetTransparent = -1;
    SavedRect saved;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        bool ok = DGifGetRecordType(gif, &record) != GIF_ERROR;
        if (ok && record == TERMINATE_RECORD_TYPE)
            break;
        if (ok && record == EXTENSION_RECORD_TYPE) {
            int extCode = 0;
            GifByteType* block = nullptr;
            ok = DGifGetExtension(gif, &extCode, &block) != GIF_ERROR;
            bool first = true;
            while (ok && block != nullptr) {
                if (first && extCode == GRAPHICS_EXT_FUNC_CODE && block[0] == 4)
                    DGifExtensionToGCB(4, block + 1, &gcb);
                first = false;
                ok = DGifGetExtensionNext(gif, &block) != GIF_ERROR;
            }
        } else if (ok && record == IMAGE_DESC_RECORD_TYPE) {
            ok = DGifGetImageHeader(gif) != GIF_ERROR;
            if (ok && (all || count <= target)) {
                const GifImageDesc& desc = gif->Image;
                if (screen.width == 0) {
                    // A screen of no size takes the first image's extent.
                    const int64_t w = int64_t{desc.Left} + desc.Width;
                    const int64_t h = int64_t{desc.Top} + desc.Height;
                    if (w > CImage::kMaxPixels || h > CImage::kMaxPixels ||
                        !screen.Allocate(static_cast<int>(w), static_cast<int>(h), error)) {
                        if (error.empty())
                            error = "the GIF's first image is larger than the limit of " +
                                    std::to_string(CImage::kMaxPixels) + " pixels";
                        image.SetNumFrames(count + 1);
                        return false;
                    }
                }
                ColourTable colours = TableFromMap(desc.ColorMap);
                if (colours.empty())
                    colours = global;
                if (colours.empty()) {
                    // Neither table is there: show the indices as greys.
                    const CPalette grey = GreyRampPalette();
                    colours.assign(grey.begin(), grey.end());
                }
                const int tableId = screen.Intern(colours, error);
                if (tableId == 0) {
                    image.SetNumFrames(count + 1);
                    return false;
                }
                const Rect rect = ClipToScreen(desc, screen);
                const bool last = !all && count == target;
                if (!last && gcb.DisposalMode == DISPOSE_PREVIOUS)
                    SaveRect(screen, rect, saved);
                ok = PaintRaster(gif, screen, tableId, gcb.TransparentColor);
                if (ok && all) {
                    // The image as it shows, then the screen as the next
                    // image finds it.
                    CImage shown;
                    if (!ScreenToImage(screen, tableId, gcb.TransparentColor,
                                       std::clamp(background, 0, 255), shown, error)) {
                        image.SetNumFrames(count + 1);
                        return false;
                    }
                    shown.SetFrame(count);
                    done = true;
                    if (!(*each)(shown)) {
                        image.SetNumFrames(count + 1);
                        return true;
                    }
                }
                if (ok && last) {
                    done = true;
                    targetTable = tableId;
                    targetTransparent = gcb.TransparentColor;
                } else if (ok && gcb.DisposalMode == DISPOSE_BACKGROUND) {
                    ClearRect(screen, rect);
                } else if (ok && gcb.DisposalMode == DISPOSE_PREVIOUS) {
                    RestoreRect(screen, saved);
                }
            } else if (ok) {
                ok = SkipRaster(gif);
            }
            ++count;
            gcb = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        } else if (ok) {
            ok = false;
            gif->Error = D_GIF_ERR_WRONG_RECORD;
        }
        if (!ok) {
            // Once the image asked for is complete, damage further on only
            // ends the count (files that stop without their trailer are
            // common).
            if (done)
                break;
            image.SetNumFrames(count);
            error = "the GIF is damaged before image " + std::to_string(target) +
                    " is complete: " + GifText(gif->Error);
            return false;
        }
    }
    image.SetNumFrames(count);
    if (!done) {
        error = "there is no image " + std::to_string(target) + " in a GIF of " +
                std::to_string(count) + (count == 1 ? " image" : " images");
        return false;
    }
    if (all)
        return true;
    if (background < 0 || background > 255)
        background = 0;
    if (!ScreenToImage(screen, targetTable, targetTransparent, background, image, error))
        return false;
    image.SetNumFrames(count);
    return true;
}

} // namespace

bool DecodeGif(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    return ComposeGif(data, image.GetFrame(), nullptr, image, error);
}

bool DecodeGifImages(std::span<const uint8_t> data, const ImageSink& each, std::string& error)
{
    CImage counter;
    return ComposeGif(data, 0, &each, counter, error);
}

bool EncodeGif(const CImage& image, std::vector<uint8_t>& out, std::string& error)
{
    IndexedPicture picture;
    if (!ToIndexed(image, picture, error))
        return false;
    CGifStream stream(IntoVector(out));
    return stream.Begin(picture.width, picture.height, picture.colours, picture.transparent >= 0,
                        false, error) &&
           stream.Put(picture, false, 0, 0, error) && stream.End(error);
}

CGifAnimationEncoder::CGifAnimationEncoder(Output output, int width, int height, int disposal,
                                           int delay)
    : m_pStream(std::make_unique<CGifStream>(std::move(output))), m_iWidth(width),
      m_iHeight(height), m_iDisposal(disposal), m_iDelay(delay)
{
}

CGifAnimationEncoder::~CGifAnimationEncoder() = default;

bool CGifAnimationEncoder::Add(const CImage& picture, std::string& error)
{
    IndexedPicture p;
    if (!ToIndexed(picture, p, error))
        return false;
    if (!m_pStream->Started() &&
        !m_pStream->Begin(m_iWidth, m_iHeight, p.colours, true, true, error))
        return false;
    return m_pStream->Put(p, true, m_iDisposal, m_iDelay, error);
}

bool CGifAnimationEncoder::Finish(std::string& error)
{
    if (!m_pStream->Started()) {
        error = "there are no pictures to write";
        return false;
    }
    return m_pStream->End(error);
}

bool EncodeGifAnimation(std::span<const CImage* const> frames, int disposal, int delay,
                        std::vector<uint8_t>& out, std::string& error)
{
    int width = 0;
    int height = 0;
    for (const CImage* frame : frames) {
        if (frame != nullptr) {
            width = std::max(width, frame->GetWidth());
            height = std::max(height, frame->GetHeight());
        }
    }
    CGifAnimationEncoder encoder(IntoVector(out), width, height, disposal, delay);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] == nullptr || !encoder.Add(*frames[i], error)) {
            error = "picture " + std::to_string(i) + ": " +
                    (frames[i] == nullptr ? std::string("there is no picture to write") : error);
            return false;
        }
    }
    return encoder.Finish(error);
}
