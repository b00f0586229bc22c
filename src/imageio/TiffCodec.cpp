// TIFF reading and writing over libtiff, from and to memory.
//
// libtiff reports through handlers. Each file opened here gets handlers of
// its own that keep the first error for the caller; the process-wide ones
// are replaced once by handlers that print nothing and pass anything
// reported outside a file's own handlers to the call running on this thread.

#include "ImageCodecs.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace {

struct Messages {
    std::string error;
    // libtiff only warns when a directory's values lie past the end of the
    // data, and reads on without them; that is a damaged file here.
    std::string cutShort;
};

thread_local Messages* t_current = nullptr;

void Keep(Messages* messages, const char* module, const char* format, va_list ap)
{
    if (messages == nullptr || !messages->error.empty())
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, ap);
    messages->error = text;
    (void)module;
}

int FileErrorHandler(TIFF*, void* user, const char* module, const char* format, va_list ap)
{
    Keep(static_cast<Messages*>(user), module, format, ap);
    return 1;
}

int FileWarningHandler(TIFF*, void* user, const char*, const char* format, va_list ap)
{
    auto* messages = static_cast<Messages*>(user);
    char text[512];
    std::vsnprintf(text, sizeof text, format, ap);
    if (messages != nullptr && messages->cutShort.empty() && std::strstr(text, "IO error"))
        messages->cutShort = text;
    return 1;
}

void GlobalErrorHandler(thandle_t, const char* module, const char* format, va_list ap)
{
    Keep(t_current, module, format, ap);
}

void InstallQuietHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandlerExt(GlobalErrorHandler);
        TIFFSetWarningHandlerExt(nullptr);
    });
}

// The bytes a TIFF is read from or written to.
struct MemoryFile {
    const uint8_t* readData = nullptr;
    std::vector<uint8_t>* out = nullptr;
    size_t size = 0;
    uint64_t pos = 0;

    const uint8_t* Data() const { return out != nullptr ? out->data() : readData; }
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t length)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (length <= 0 || file->pos >= file->size)
        return 0;
    const size_t count = std::min(static_cast<size_t>(length), file->size - file->pos);
    std::memcpy(buffer, file->Data() + file->pos, count);
    file->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t length)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (file->out == nullptr || length < 0)
        return 0;
    const uint64_t end = file->pos + static_cast<uint64_t>(length);
    if (end > uint64_t{1} << 32)
        return 0;
    try {
        if (end > file->out->size())
            file->out->resize(static_cast<size_t>(end));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (length > 0)
        std::memcpy(file->out->data() + file->pos, buffer, static_cast<size_t>(length));
    file->pos = end;
    file->size = file->out->size();
    return length;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file->pos;
    else if (whence == SEEK_END)
        base = file->size;
    const uint64_t target = base + offset;
    if (target < base || target > uint64_t{1} << 32)
        return static_cast<toff_t>(-1);
    file->pos = target;
    return target;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    return static_cast<MemoryFile*>(handle)->size;
}

int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// An open TIFF with its message capture, closed on every way out.
class TiffFile {
public:
    TiffFile() : m_Previous(t_current) { t_current = &m_Messages; }
    ~TiffFile()
    {
        if (m_Tif != nullptr)
            TIFFClose(m_Tif);
        t_current = m_Previous;
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    bool Open(MemoryFile& file, const char* mode)
    {
        InstallQuietHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr)
            return false;
        TIFFOpenOptionsSetErrorHandlerExtR(options, FileErrorHandler, &m_Messages);
        TIFFOpenOptionsSetWarningHandlerExtR(options, FileWarningHandler, &m_Messages);
        m_Tif = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
        return m_Tif != nullptr;
    }
    // Closes the file (which writes out what is still buffered); false when
    // that fails.
    bool Close()
    {
        if (m_Tif == nullptr)
            return false;
        TIFF* tif = m_Tif;
        m_Tif = nullptr;
        TIFFClose(tif);
        return m_Messages.error.empty();
    }
    TIFF* Get() const { return m_Tif; }
    // Why the directory just read is incomplete; empty when it is whole.
    const std::string& CutShort() const { return m_Messages.cutShort; }
    // libtiff's first complaint, or `fallback`.
    std::string Reason(const std::string& fallback) const
    {
        return m_Messages.error.empty() ? fallback : m_Messages.error;
    }

private:
    TIFF* m_Tif = nullptr;
    Messages m_Messages;
    Messages* m_Previous;
};

// The samples of the current directory, one row after another, each row
// packed as libtiff keeps it (contiguous, a single plane), from strips or
// tiles.
bool ReadPackedRows(TiffFile& file, uint32_t width, uint32_t height, int bits,
                    std::vector<uint8_t>& rows, size_t& rowBytes, std::string& error)
{
    TIFF* tif = file.Get();
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline <= 0) {
        error = file.Reason("the TIFF's rows have no size");
        return false;
    }
    rowBytes = static_cast<size_t>(scanline);
    rows.assign(rowBytes * height, 0);
    if (!TIFFIsTiled(tif)) {
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, rows.data() + rowBytes * y, y, 0) < 0) {
                error = file.Reason("cannot read row " + std::to_string(y) + " of the TIFF");
                return false;
            }
        }
        return true;
    }
    uint32_t tileW = 0;
    uint32_t tileH = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
    const tmsize_t tileRow = TIFFTileRowSize(tif);
    const tmsize_t tileSize = TIFFTileSize(tif);
    if (tileW == 0 || tileH == 0 || tileW % 8 != 0 || tileRow <= 0 || tileSize < tileRow * tileH) {
        error = file.Reason("the TIFF's tiles have no size");
        return false;
    }
    std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
    for (uint32_t ty = 0; ty < height; ty += tileH) {
        for (uint32_t tx = 0; tx < width; tx += tileW) {
            if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0) {
                error = file.Reason("cannot read a tile of the TIFF");
                return false;
            }
            const size_t offset = static_cast<size_t>(uint64_t{tx} * bits / 8);
            const size_t bytes = std::min(static_cast<size_t>(tileRow), rowBytes - offset);
            for (uint32_t y = 0; y < tileH && ty + y < height; ++y)
                std::memcpy(rows.data() + rowBytes * (ty + y) + offset,
                            tile.data() + static_cast<size_t>(tileRow) * y, bytes);
        }
    }
    return true;
}

// Sample x of a packed row of `bits`-bit samples (most significant first;
// 16-bit samples are in the machine's order).
uint32_t Sample(const uint8_t* row, uint32_t x, int bits)
{
    switch (bits) {
    case 8:
        return row[x];
    case 16: {
        uint16_t v;
        std::memcpy(&v, row + 2 * size_t{x}, 2);
        return v;
    }
    default:
        break;
    }
    uint32_t v = 0;
    uint64_t bit = uint64_t{x} * bits;
    for (int i = 0; i < bits; ++i, ++bit)
        v = v << 1 | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
    return v;
}

bool ReadPalette(TiffFile& file, uint32_t width, uint32_t height, int bits, CImage& image,
                 std::string& error)
{
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (!TIFFGetField(file.Get(), TIFFTAG_COLORMAP, &red, &green, &blue) || red == nullptr ||
        green == nullptr || blue == nullptr) {
        error = file.Reason("the palette TIFF has no colour map");
        return false;
    }
    std::vector<uint8_t> rows;
    size_t rowBytes = 0;
    if (!ReadPackedRows(file, width, height, bits, rows, rowBytes, error))
        return false;
    const int bpp = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), bpp, IMAGE_TYPE_TIF)) {
        error = image.GetLastError();
        return false;
    }
    // The map has 2^bits entries of 16 bits. Writers fill it with a colour
    // c of 0 to 255 in one of three ways: c itself, which shows as no entry
    // above 255; c x 256, which shows as every low byte 0; or c x 257 (the
    // full 16-bit scale), where rounding to the nearest of 255 steps gives
    // c back, as it gives the nearest colour for any other 16-bit value.
    const size_t entries = size_t{1} << bits;
    bool eightBit = true;
    bool highByte = true;
    for (size_t i = 0; i < entries; ++i) {
        eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
        highByte = highByte && ((red[i] | green[i] | blue[i]) & 0xFF) == 0;
    }
    auto scale = [eightBit, highByte](uint16_t v) {
        if (eightBit)
            return static_cast<uint8_t>(v);
        if (highByte)
            return static_cast<uint8_t>(v >> 8);
        return static_cast<uint8_t>((uint32_t{v} * 255 + 32767) / 65535);
    };
    std::vector<RGBQUAD> palette(size_t{1} << bpp, RGBQUAD{0, 0, 0, 0});
    for (size_t i = 0; i < entries; ++i)
        palette[i] = RGBQUAD{scale(blue[i]), scale(green[i]), scale(red[i]), 0};
    image.SetPalette(palette.data(), static_cast<int>(palette.size()));
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* dst = image.GetBits(static_cast<int>(height - 1 - y));
        const uint8_t* src = rows.data() + rowBytes * y;
        for (uint32_t x = 0; x < width; ++x)
            dst[x] = static_cast<uint8_t>(Sample(src, x, bits));
    }
    return true;
}

bool ReadGrey(TiffFile& file, uint32_t width, uint32_t height, int bits, bool minIsWhite,
              CImage& image, std::string& error)
{
    std::vector<uint8_t> rows;
    size_t rowBytes = 0;
    if (!ReadPackedRows(file, width, height, bits, rows, rowBytes, error))
        return false;
    const int bpp = bits == 1 ? 1 : 8;
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), bpp, IMAGE_TYPE_TIF)) {
        error = image.GetLastError();
        return false;
    }
    // Index v shows grey v (at 1 bit: 0 black, 1 white) whichever way the
    // file counts.
    std::vector<RGBQUAD> palette;
    if (bpp == 1) {
        palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    } else {
        for (int v = 0; v < 256; ++v) {
            const auto g = static_cast<uint8_t>(v);
            palette.push_back(RGBQUAD{g, g, g, 0});
        }
    }
    image.SetPalette(palette.data(), static_cast<int>(palette.size()));
    const uint32_t maxValue = (uint32_t{1} << bits) - 1;
    const uint32_t maxIndex = bpp == 1 ? 1 : 255;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* dst = image.GetBits(static_cast<int>(height - 1 - y));
        const uint8_t* src = rows.data() + rowBytes * y;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t v = Sample(src, x, bits);
            if (minIsWhite)
                v = maxValue - v;
            dst[x] = static_cast<uint8_t>((v * maxIndex + maxValue / 2) / maxValue);
        }
    }
    return true;
}

bool ReadThroughRgba(TiffFile& file, uint32_t width, uint32_t height, CImage& image,
                     std::string& error)
{
    TIFF* tif = file.Get();
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif, message)) {
        error = std::string("this kind of TIFF cannot be read: ") + message;
        return false;
    }
    TIFFRGBAImage reader;
    if (!TIFFRGBAImageBegin(&reader, tif, 0, message)) {
        error = std::string("this kind of TIFF cannot be read: ") + message;
        return false;
    }
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    reader.req_orientation = ORIENTATION_TOPLEFT;
    const int ok = TIFFRGBAImageGet(&reader, raster.data(), width, height);
    const bool alpha = reader.alpha != 0;
    TIFFRGBAImageEnd(&reader);
    if (!ok) {
        error = file.Reason("cannot read the TIFF's pixels");
        return false;
    }
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), 24, IMAGE_TYPE_TIF)) {
        error = image.GetLastError();
        return false;
    }
    if (alpha)
        image.CreateAlpha();
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* dst = image.GetBits(static_cast<int>(height - 1 - y));
        uint8_t* dstAlpha = image.GetAlphaBits(static_cast<int>(height - 1 - y));
        const uint32_t* src = raster.data() + size_t{width} * y;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t r = TIFFGetR(src[x]);
            uint32_t g = TIFFGetG(src[x]);
            uint32_t b = TIFFGetB(src[x]);
            const uint32_t a = TIFFGetA(src[x]);
            if (alpha) {
                // libtiff hands colours over multiplied by alpha.
                if (a != 0 && a != 255) {
                    r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
                    g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
                    b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
                }
                dstAlpha[x] = static_cast<uint8_t>(a);
            }
            dst[3 * x] = static_cast<uint8_t>(b);
            dst[3 * x + 1] = static_cast<uint8_t>(g);
            dst[3 * x + 2] = static_cast<uint8_t>(r);
        }
    }
    return true;
}

} // namespace

bool DecodeTiff(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    MemoryFile memory;
    memory.readData = data.data();
    memory.size = data.size();
    TiffFile file;
    if (!file.Open(memory, "rm")) {
        error = "not a TIFF file: " + file.Reason("libtiff cannot open it");
        return false;
    }
    TIFF* tif = file.Get();
    const tdir_t pages = TIFFNumberOfDirectories(tif);
    image.SetNumFrames(static_cast<int>(pages));
    const int page = image.GetFrame();
    if (page < 0 || page >= static_cast<int>(pages)) {
        error = "there is no page " + std::to_string(page) + " in a TIFF of " +
                std::to_string(pages) + (pages == 1 ? " page" : " pages");
        return false;
    }
    if (page != 0 && !TIFFSetDirectory(tif, static_cast<tdir_t>(page))) {
        error = file.Reason("cannot read page " + std::to_string(page) + " of the TIFF");
        return false;
    }
    if (!file.CutShort().empty()) {
        error = "the TIFF is cut short: " + file.CutShort();
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0 || uint64_t{width} * height > uint64_t(CImage::kMaxPixels)) {
        error = "the TIFF picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is empty or larger than the limit of " +
                std::to_string(CImage::kMaxPixels) + " pixels";
        return false;
    }
    uint16_t samples = 1;
    uint16_t bits = 1;
    uint16_t photometric = 0;
    uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    const bool havePhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    const bool plain = havePhotometric && samples == 1 && format == SAMPLEFORMAT_UINT;
    if (plain && photometric == PHOTOMETRIC_PALETTE &&
        (bits == 1 || bits == 2 || bits == 4 || bits == 8))
        return ReadPalette(file, width, height, bits, image, error);
    if (plain && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
        bits >= 1 && bits <= 16)
        return ReadGrey(file, width, height, bits, photometric == PHOTOMETRIC_MINISWHITE, image,
                        error);
    return ReadThroughRgba(file, width, height, image, error);
}

bool EncodeTiff(const CImage& image, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!image.IsValid()) {
        error = "there is no picture to write";
        return false;
    }
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    const bool rgb = image.GetBpp() == 24;
    const bool alpha = rgb && image.HasAlpha();
    const int samples = rgb ? (alpha ? 4 : 3) : 1;
    MemoryFile memory;
    memory.out = &out;
    TiffFile file;
    if (!file.Open(memory, "w")) {
        error = "cannot start the TIFF: " + file.Reason("libtiff cannot open it");
        return false;
    }
    TIFF* tif = file.Get();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<uint16_t> map(3 * 256, 0);
    if (rgb) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        if (alpha) {
            const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
    } else {
        // 1- and 4-bit pictures go out as 8-bit palettes, index for index;
        // the map always has 256 entries.
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        const std::vector<RGBQUAD>& palette = image.GetPalette();
        for (size_t i = 0; i < palette.size() && i < 256; ++i) {
            map[i] = static_cast<uint16_t>(palette[i].rgbRed * 257);
            map[256 + i] = static_cast<uint16_t>(palette[i].rgbGreen * 257);
            map[512 + i] = static_cast<uint16_t>(palette[i].rgbBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(static_cast<size_t>(w) * samples);
    for (int y = 0; y < h; ++y) {
        const int from = h - 1 - y;
        const uint8_t* src = image.GetBits(from);
        if (!rgb) {
            std::copy_n(src, w, row.begin());
        } else {
            const uint8_t* a = image.GetAlphaBits(from);
            for (int x = 0; x < w; ++x) {
                uint8_t* d = row.data() + static_cast<size_t>(x) * samples;
                d[0] = src[3 * x + 2];
                d[1] = src[3 * x + 1];
                d[2] = src[3 * x];
                if (alpha)
                    d[3] = a[x];
            }
        }
        if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) {
            error = "cannot write the TIFF: " + file.Reason("a row was not taken");
            return false;
        }
    }
    if (!file.Close()) {
        error = "cannot finish the TIFF: " + file.Reason("libtiff failed");
        out.clear();
        return false;
    }
    return true;
}
