// JPEG reading and writing over libjpeg(-turbo), from and to memory.
//
// libjpeg reports errors by calling error_exit, which here jumps back to the
// function that started the work. Those functions keep every C++ object
// outside the stretch between setjmp and the jump: what must survive the
// jump lives in a context the caller owns.

#include "ImageCodecs.h"

#include <cstdio>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings are dropped, except that data ending before the picture does is
// an error rather than a picture padded with grey.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0) {
        if (info->err->msg_code == JWRN_JPEG_EOF)
            ErrorExit(info);
        ++info->err->num_warnings;
    }
}

void OutputMessage(j_common_ptr) {}

void InitErrors(ErrorManager& errors)
{
    jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.emit_message = EmitMessage;
    errors.base.output_message = OutputMessage;
    errors.message[0] = '\0';
}

struct DecodeContext {
    std::span<const uint8_t> data;
    CImage* image;
    uint8_t* row; // a buffer of at least width x 4 bytes, made by Prepare
    size_t rowCapacity;
    std::string* error;
};

// Reads the header and checks the size; the caller then makes the row
// buffer. Split from the pixel reading so that no allocation happens
// between setjmp and a jump.
bool ReadPixels(jpeg_decompress_struct& info, DecodeContext& context)
{
    CImage& image = *context.image;
    const int w = static_cast<int>(info.output_width);
    const int h = static_cast<int>(info.output_height);
    const bool cmyk = info.out_color_space == JCS_CMYK;
    const bool grey = info.out_color_space == JCS_GRAYSCALE;
    // Adobe's writers store CMYK inverted, and say so with their marker.
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {context.row};
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            return false;
        uint8_t* dst = image.GetBits(h - 1 - y);
        const uint8_t* src = context.row;
        if (grey) {
            for (int x = 0; x < w; ++x)
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
        } else if (cmyk) {
            for (int x = 0; x < w; ++x) {
                int c = src[4 * x];
                int m = src[4 * x + 1];
                int ye = src[4 * x + 2];
                int k = src[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                dst[3 * x] = static_cast<uint8_t>((ye * k + 127) / 255);
                dst[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
                dst[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
            }
        } else {
            std::memcpy(dst, src, static_cast<size_t>(w) * 3);
        }
    }
    return true;
}

// Stage 1 of decoding: the header. Returns false with the error set.
bool DecodeHeader(jpeg_decompress_struct& info, ErrorManager& errors, DecodeContext& context)
{
    if (setjmp(errors.jump)) {
        *context.error = std::string("cannot read the JPEG: ") + errors.message;
        return false;
    }
    jpeg_mem_src(&info, context.data.data(), static_cast<unsigned long>(context.data.size()));
    jpeg_read_header(&info, TRUE);
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        break;
    default:
        info.out_color_space = JCS_EXT_BGR;
        break;
    }
    jpeg_calc_output_dimensions(&info);
    return true;
}

// Stage 2: the pixels, into an image and row buffer made beforehand.
bool DecodeBody(jpeg_decompress_struct& info, ErrorManager& errors, DecodeContext& context)
{
    if (setjmp(errors.jump)) {
        *context.error = std::string("cannot read the JPEG: ") + errors.message;
        return false;
    }
    jpeg_start_decompress(&info);
    if (info.output_components * size_t{info.output_width} > context.rowCapacity) {
        *context.error = "the JPEG's rows are wider than its header said";
        return false;
    }
    if (!ReadPixels(info, context)) {
        *context.error = "the JPEG ends before its picture does";
        return false;
    }
    jpeg_finish_decompress(&info);
    return true;
}

struct DecompressGuard {
    jpeg_decompress_struct* info;
    ~DecompressGuard() { jpeg_destroy_decompress(info); }
};

struct EncodeContext {
    const CImage* image;
    const uint8_t* rows; // the picture as BGR, top row first
    int quality;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool CompressAll(jpeg_compress_struct& info, ErrorManager& errors, EncodeContext& context,
                 std::string& error)
{
    if (setjmp(errors.jump)) {
        error = std::string("cannot write the JPEG: ") + errors.message;
        return false;
    }
    const int w = context.image->GetWidth();
    const int h = context.image->GetHeight();
    jpeg_mem_dest(&info, &context.buffer, &context.size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    if (context.quality >= 100) {
        // The best the codec has: no colour subsampling, the accurate DCT
        // and optimised Huffman tables.
        jpeg_set_quality(&info, 100, TRUE);
        for (int i = 0; i < info.num_components; ++i) {
            info.comp_info[i].h_samp_factor = 1;
            info.comp_info[i].v_samp_factor = 1;
        }
        info.dct_method = JDCT_ISLOW;
        info.optimize_coding = TRUE;
    } else {
        jpeg_set_quality(&info, context.quality < 1 ? 1 : context.quality, TRUE);
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const size_t y = info.next_scanline;
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(context.rows + y * static_cast<size_t>(w) * 3)};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

struct CompressGuard {
    jpeg_compress_struct* info;
    EncodeContext* context;
    ~CompressGuard()
    {
        jpeg_destroy_compress(info);
        std::free(context->buffer);
    }
};

} // namespace

bool DecodeJpeg(std::span<const uint8_t> data, CImage& image, std::string& error)
{
    if (data.empty()) {
        error = "the JPEG file is empty";
        return false;
    }
    ErrorManager errors;
    InitErrors(errors);
    jpeg_decompress_struct info;
    info.err = &errors.base;
    jpeg_create_decompress(&info);
    DecompressGuard guard{&info};
    DecodeContext context{data, &image, nullptr, 0, &error};
    if (!DecodeHeader(info, errors, context))
        return false;
    const uint64_t w = info.output_width;
    const uint64_t h = info.output_height;
    if (w == 0 || h == 0 || w * h > uint64_t(CImage::kMaxPixels)) {
        error = "the JPEG picture of " + std::to_string(w) + " x " + std::to_string(h) +
                " pixels is empty or larger than the limit of " +
                std::to_string(CImage::kMaxPixels) + " pixels";
        return false;
    }
    if (!image.Create(static_cast<int>(w), static_cast<int>(h), 24, IMAGE_TYPE_JPG)) {
        error = image.GetLastError();
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
    context.row = row.data();
    context.rowCapacity = row.size();
    return DecodeBody(info, errors, context);
}

bool EncodeJpeg(const CImage& image, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!image.IsValid()) {
        error = "there is no picture to write";
        return false;
    }
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    if (w > JPEG_MAX_DIMENSION || h > JPEG_MAX_DIMENSION) {
        error = "JPEG pictures are at most " + std::to_string(JPEG_MAX_DIMENSION) + " x " +
                std::to_string(JPEG_MAX_DIMENSION) + " pixels";
        return false;
    }
    // The picture as BGR rows, top first; palette pictures through their
    // palette (an index past its end shows black).
    std::vector<uint8_t> bgr(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    const std::vector<RGBQUAD>& palette = image.GetPalette();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = image.GetBits(h - 1 - y);
        uint8_t* dst = bgr.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
        if (image.GetBpp() == 24) {
            std::memcpy(dst, src, static_cast<size_t>(w) * 3);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const RGBQUAD c = src[x] < palette.size() ? palette[src[x]] : RGBQUAD{0, 0, 0, 0};
            dst[3 * x] = c.rgbBlue;
            dst[3 * x + 1] = c.rgbGreen;
            dst[3 * x + 2] = c.rgbRed;
        }
    }
    ErrorManager errors;
    InitErrors(errors);
    jpeg_compress_struct info;
    info.err = &errors.base;
    jpeg_create_compress(&info);
    EncodeContext context{&image, bgr.data(), image.GetJpegQuality()};
    CompressGuard guard{&info, &context};
    if (!CompressAll(info, errors, context, error))
        return false;
    out.assign(context.buffer, context.buffer + context.size);
    return true;
}
