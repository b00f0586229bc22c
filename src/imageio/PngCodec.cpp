// PNG reading and writing over libpng, from and to memory.
//
// libpng reports errors through a handler that here keeps the text and
// jumps back (png_longjmp) to the function that set the jump. Every C++
// object lives outside those functions, in contexts the callers own, so a
// jump never skips a destructor.

#include "ImageCodecs.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct Messages {
    char error[256] = "";
};

void ErrorHandler(png_structp png, png_const_charp message)
{
    auto* messages = static_cast<Messages*>(png_get_error_ptr(png));
    if (messages != nullptr && messages->error[0] == '\0')
        std::snprintf(messages->error, sizeof messages->error, "%s",
                      message != nullptr ? message : "unknown libpng error");
    png_longjmp(png, 1);
}

void WarningHandler(png_structp, png_const_charp) {}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep buffer, size_t length)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->pos)
        png_error(png, "the file ends before the picture does");
    std::memcpy(buffer, reader->data + reader->pos, length);
    reader->pos += length;
}

void WriteToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed)
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

// What the header says and what the transformations make of it.
struct ReadInfo {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colourType = 0;
    bool hasTrns = false;
    size_t rowBytes = 0;
    int channels = 0;
};

// Stage 1: the chunks before the pixels.
bool ReadHeader(png_structp png, png_infop info, ReadInfo& read)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_benign_errors(png, 1);
    png_read_info(png, info);
    png_get_IHDR(png, info, &read.width, &read.height, &read.depth, &read.colourType, nullptr,
                 nullptr, nullptr);
    read.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

// Stage 2, once the size is known to be acceptable: the transformations
// that turn the pixels into one byte a sample, blue before red.
bool SetUpTransformations(png_structp png, png_infop info, ReadInfo& read)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (read.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
    } else {
        if (read.depth == 16)
            png_set_scale_16(png);
        if (read.colourType == PNG_COLOR_TYPE_GRAY && read.depth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (read.hasTrns)
            png_set_tRNS_to_alpha(png);
        if (read.colourType & PNG_COLOR_MASK_COLOR)
            png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    read.rowBytes = png_get_rowbytes(png, info);
    read.channels = png_get_channels(png, info);
    return true;
}

// Stage 3: every row, into the buffers the rows point at.
bool ReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

// Colour (or grey) and alpha of one row of pixels, top row first, into
// their own planes.
void SplitAlpha(const uint8_t* src, CImage& image, int y, int channels)
{
    const int height = image.GetHeight();
    uint8_t* dst = image.GetBits(height - 1 - y);
    uint8_t* alpha = image.GetAlphaBits(height - 1 - y);
    const int colourBytes = channels - 1;
    for (int x = 0; x < image.GetWidth(); ++x) {
        const uint8_t* p = src + static_cast<size_t>(x) * channels;
        std::memcpy(dst + static_cast<size_t>(x) * colourBytes, p, colourBytes);
        alpha[x] = p[colourBytes];
    }
}

// Stage 3 for a picture that is not interlaced: one row at a time, each
// told to the picture's reader when it is in if `tell`. Rows without alpha
// go straight into the picture; rows with alpha through `row`, split as
// they come.
bool ReadRowByRow(png_structp png, png_bytep row, CImage& image, int channels, bool tell)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int height = image.GetHeight();
    for (int y = 0; y < height; ++y) {
        if (image.HasAlpha()) {
            png_read_row(png, row, nullptr);
            SplitAlpha(row, image, y, channels);
        } else {
            png_read_row(png, image.GetBits(height - 1 - y), nullptr);
        }
        if (tell)
            image.ReportRowsRead(y + 1);
    }
    return true;
}

struct ReadGuard {
    png_structp png;
    png_infop info;
    ~ReadGuard() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

struct WriteGuard {
    png_structp png;
    png_infop info;
    ~WriteGuard() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

struct WriteJob {
    int width;
    int height;
    int colourType;
    std::vector<png_color> plte;
    std::vector<png_byte> trns;
    std::vector<png_bytep> rows; // top row first
};

bool WriteAllRows(png_structp png, png_infop info, WriteJob& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(job.width),
                 static_cast<png_uint_32>(job.height), 8, job.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!job.plte.empty())
        png_set_PLTE(png, info, job.plte.data(), static_cast<int>(job.plte.size()));
    if (!job.trns.empty())
        png_set_tRNS(png, info, job.trns.data(), static_cast<int>(job.trns.size()), nullptr);
    png_write_info(png, info);
    if (job.colourType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    png_write_image(png, job.rows.data());
    png_write_end(png, info);
    return true;
}

} // namespace

bool DecodePng(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        error = "not a PNG file: the signature is missing";
        return false;
    }
    Messages messages;
    ReadGuard guard{
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &messages, ErrorHandler, WarningHandler),
        nullptr};
    if (guard.png == nullptr) {
        error = "cannot start reading the PNG";
        return false;
    }
    guard.info = png_create_info_struct(guard.png);
    if (guard.info == nullptr) {
        error = "cannot start reading the PNG";
        return false;
    }
    Reader reader{data.data(), data.size(), 0};
    png_set_read_fn(guard.png, &reader, ReadFromMemory);
    ReadInfo read;
    if (!ReadHeader(guard.png, guard.info, read)) {
        error = std::string("cannot read the PNG: ") + messages.error;
        return false;
    }
    const uint64_t w = read.width;
    const uint64_t h = read.height;
    if (w == 0 || h == 0 || w * h > uint64_t(CImage::kMaxPixels)) {
        error = "the PNG picture of " + std::to_string(w) + " x " + std::to_string(h) +
                " pixels is empty or larger than the limit of " +
                std::to_string(CImage::kMaxPixels) + " pixels";
        return false;
    }
    if (!SetUpTransformations(guard.png, guard.info, read)) {
        error = std::string("cannot read the PNG: ") + messages.error;
        return false;
    }
    if (read.rowBytes < w * static_cast<uint64_t>(read.channels) || read.channels < 1 ||
        read.channels > 4) {
        error = "the PNG's rows do not have the size its header gives";
        return false;
    }
    const int width = static_cast<int>(w);
    const int height = static_cast<int>(h);
    const int channels = read.channels;
    const bool indexed = read.colourType == PNG_COLOR_TYPE_PALETTE;
    const bool colour = (read.colourType & PNG_COLOR_MASK_COLOR) != 0;
    const bool alpha = !indexed && (channels == 2 || channels == 4);
    const int bpp = !indexed ? (colour ? 24 : 8) : read.depth == 1 ? 1 : read.depth <= 4 ? 4 : 8;
    if (!image.Create(width, height, bpp, IMAGE_TYPE_PNG)) {
        error = image.GetLastError();
        return false;
    }
    std::vector<uint8_t> alphaOf;
    if (indexed) {
        png_colorp plte = nullptr;
        int count = 0;
        png_get_PLTE(guard.png, guard.info, &plte, &count);
        std::vector<RGBQUAD> palette(size_t{1} << bpp, RGBQUAD{0, 0, 0, 0});
        for (int i = 0; i < count && i < static_cast<int>(palette.size()); ++i)
            palette[static_cast<size_t>(i)] = RGBQUAD{plte[i].blue, plte[i].green, plte[i].red, 0};
        image.SetPalette(palette.data(), static_cast<int>(palette.size()));
        if (read.hasTrns) {
            png_bytep trans = nullptr;
            int transCount = 0;
            png_get_tRNS(guard.png, guard.info, &trans, &transCount, nullptr);
            alphaOf.assign(256, 255);
            for (int i = 0; i < transCount && i < 256; ++i)
                alphaOf[static_cast<size_t>(i)] = trans[i];
            for (int i = 0; i < transCount && i < 256; ++i) {
                if (trans[i] == 0) {
                    image.SetTransIndex(i);
                    break;
                }
            }
        }
    } else if (!colour) {
        std::vector<RGBQUAD> grey(256);
        for (int v = 0; v < 256; ++v) {
            const auto g = static_cast<uint8_t>(v);
            grey[static_cast<size_t>(v)] = RGBQUAD{g, g, g, 0};
        }
        image.SetPalette(grey.data(), 256);
    }
    if (alpha)
        image.CreateAlpha();

    // Rows without alpha go straight into the picture, bottom row last; rows
    // with alpha are split. Interlaced pictures come whole.
    if (!alpha && read.rowBytes != image.GetEffWidth()) {
        error = "the PNG's rows do not have the size its header gives";
        return false;
    }
    bool ok = false;
    if (png_get_interlace_type(guard.png, guard.info) == PNG_INTERLACE_NONE) {
        // An indexed picture's alpha plane comes after its rows: it is told
        // whole, at the end.
        if (!indexed)
            image.ReportRowsRead(0);
        std::vector<uint8_t> row(alpha ? read.rowBytes : 0);
        ok = ReadRowByRow(guard.png, row.data(), image, channels, !indexed);
    } else if (!alpha) {
        std::vector<png_bytep> rows(h);
        for (int y = 0; y < height; ++y)
            rows[static_cast<size_t>(y)] = image.GetBits(height - 1 - y);
        ok = ReadRows(guard.png, rows.data());
    } else {
        std::vector<uint8_t> pixels(read.rowBytes * h);
        std::vector<png_bytep> rows(h);
        for (size_t y = 0; y < h; ++y)
            rows[y] = pixels.data() + y * read.rowBytes;
        ok = ReadRows(guard.png, rows.data());
        for (int y = 0; ok && y < height; ++y)
            SplitAlpha(rows[static_cast<size_t>(y)], image, y, channels);
    }
    if (!ok) {
        error = std::string("cannot read the PNG: ") + messages.error;
        return false;
    }
    if (!alphaOf.empty()) {
        image.CreateAlpha();
        for (int y = 0; y < height; ++y) {
            const uint8_t* indices = image.GetBits(y);
            uint8_t* plane = image.GetAlphaBits(y);
            for (int x = 0; x < width; ++x)
                plane[x] = alphaOf[indices[x]];
        }
    }
    return true;
}

bool EncodePng(const CImage& image, std::vector<uint8_t>& out, std::string& error)
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
    WriteJob job{
        w,
        h,
        rgb ? (alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB) : PNG_COLOR_TYPE_PALETTE,
        {},
        {},
        {}};
    const int samples = rgb ? (alpha ? 4 : 3) : 1;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * samples);
    job.rows.resize(static_cast<size_t>(h));
    int highest = 0;
    for (int y = 0; y < h; ++y) {
        uint8_t* dst = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * samples;
        job.rows[static_cast<size_t>(y)] = dst;
        const uint8_t* src = image.GetBits(h - 1 - y);
        if (!rgb) {
            std::memcpy(dst, src, static_cast<size_t>(w));
            highest = std::max<int>(highest, *std::max_element(src, src + w));
        } else if (!alpha) {
            std::memcpy(dst, src, static_cast<size_t>(w) * 3);
        } else {
            const uint8_t* a = image.GetAlphaBits(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                std::memcpy(dst + 4 * static_cast<size_t>(x), src + 3 * static_cast<size_t>(x), 3);
                dst[4 * static_cast<size_t>(x) + 3] = a[x];
            }
        }
    }
    if (!rgb) {
        // The PLTE covers the palette and every index the pixels use.
        const std::vector<RGBQUAD>& palette = image.GetPalette();
        const int trans = image.GetTransIndex();
        if (trans >= 0 && trans <= 255)
            highest = std::max(highest, trans);
        const size_t entries =
            std::min<size_t>(256, std::max(palette.size(), static_cast<size_t>(highest) + 1));
        job.plte.assign(entries, png_color{0, 0, 0});
        for (size_t i = 0; i < palette.size() && i < entries; ++i)
            job.plte[i] = png_color{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
        if (trans >= 0 && trans <= 255) {
            job.trns.assign(static_cast<size_t>(trans) + 1, 255);
            job.trns[static_cast<size_t>(trans)] = 0;
        }
    }
    Messages messages;
    WriteGuard guard{
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &messages, ErrorHandler, WarningHandler),
        nullptr};
    if (guard.png == nullptr || (guard.info = png_create_info_struct(guard.png)) == nullptr) {
        error = "cannot start writing the PNG";
        return false;
    }
    png_set_write_fn(guard.png, &out, WriteToVector, FlushNothing);
    if (!WriteAllRows(guard.png, guard.info, job)) {
        error = std::string("cannot write the PNG: ") + messages.error;
        out.clear();
        return false;
    }
    return true;
}
