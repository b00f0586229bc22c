#pragma once

// The image layer: a picture of 1, 4 or 8 bits per pixel with a palette, or
// of 24 bits (blue, green, red), with an optional alpha plane, read from and
// written to BMP, GIF, JPG, TIF, PCX and PNG files, and the conversions the
// program needs.
//
// Pixels are held one byte per pixel for 1, 4 and 8 bits (a palette index)
// and three bytes per pixel for 24 bits, rows without padding, row 0 the
// BOTTOM row of the picture: GetBits(n) is row n counted from the bottom,
// as frame buffers count their rows.

#include "Palette.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Image type codes.
enum ImageType : int {
    IMAGE_TYPE_NONE = 0,
    IMAGE_TYPE_BMP = 1,
    IMAGE_TYPE_GIF = 2,
    IMAGE_TYPE_JPG = 3,
    IMAGE_TYPE_TIF = 4,
    IMAGE_TYPE_PCX = 5,
    IMAGE_TYPE_PNG = 6,
};

// The type an extension (with its dot, any case) names; BMP for any other.
int ImageTypeFromExtension(const std::filesystem::path& path);
// The type the bytes' signature shows, or IMAGE_TYPE_NONE.
int ImageTypeFromContent(std::span<const uint8_t> data);

class CImage;
// Takes the images of a file of several one at a time; false stops.
using ImageSink = std::function<bool(CImage& image)>;

class CImage {
public:
    // The largest picture a reader accepts or Create makes (width x height),
    // and the largest file Load reads. No sprite comes near them.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr int64_t kMaxPixels = int64_t{1} << 28;
#else
    // The same checks with a smaller number, so that fuzzing runs fast.
    static constexpr int64_t kMaxPixels = int64_t{1} << 22;
#endif
    static constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

    explicit CImage(int type = IMAGE_TYPE_NONE);
    virtual ~CImage();
    CImage(const CImage&) = default;
    CImage& operator=(const CImage&) = default;

    // A blank picture, every pixel 0. bpp 1, 4 or 8 get a palette of 2, 16
    // or 256 black entries; 24 none.
    bool Create(int width, int height, int bpp, int type);
    void Clear(uint8_t value);
    void Destroy();
    bool IsValid() const
    {
        return m_nWidth > 0 && m_nHeight > 0;
    }

    // Reads image GetFrame() of the file. The type is taken from the bytes
    // when they show one; `type` serves when they do not.
    bool Load(const std::filesystem::path& path, int type);
    bool Decode(std::span<const uint8_t> data, int type);
    // Every image of a file of several (GIF) as Load reads each, in one
    // pass, given to `each` one at a time (see DecodeGifImages); the one
    // image of any other file. False (see GetLastError) when the file cannot
    // be read.
    bool LoadAll(const std::filesystem::path& path, int type, const ImageSink& each);
    // Writes the picture as `type`; the file it replaces is never damaged.
    bool Save(const std::filesystem::path& path, int type);
    bool Encode(std::vector<uint8_t>& out, int type);

    // Told, on the reading thread, how many rows counted from the TOP a Load
    // or Decode has read so far: 0 once the picture's size, depth and alpha
    // plane are made (not for every type), then as rows arrive, and -1 when
    // reading fails, before the pixels are freed. Rows told stay unchanged
    // until the read ends.
    using CRowsRead = std::function<void(const CImage& image, int rows)>;
    void SetRowsRead(CRowsRead handler)
    {
        m_RowsRead = std::move(handler);
    }
    void ReportRowsRead(int rows) const
    {
        if (m_RowsRead)
            m_RowsRead(*this, rows);
    }

    // Which image of a file of several (GIF) Load reads; how many there were.
    void SetFrame(int index)
    {
        m_nFrame = index;
    }
    int GetFrame() const
    {
        return m_nFrame;
    }
    int GetNumFrames() const
    {
        return m_nNumFrames;
    }
    void SetNumFrames(int count)
    {
        m_nNumFrames = count;
    }

    int GetWidth() const
    {
        return m_nWidth;
    }
    int GetHeight() const
    {
        return m_nHeight;
    }
    int GetBpp() const
    {
        return m_nBpp;
    }
    int GetType() const
    {
        return m_nType;
    }
    // Bytes per pixel in the buffer: 1 up to 8 bits, 3 at 24.
    int GetBytesPerPixel() const
    {
        return m_nBpp == 24 ? 3 : 1;
    }
    size_t GetEffWidth() const
    {
        return static_cast<size_t>(m_nWidth) * GetBytesPerPixel();
    }
    // Row `row` counted from the bottom; null outside the picture.
    uint8_t* GetBits(int row = 0);
    const uint8_t* GetBits(int row = 0) const;

    // Alpha, one byte a pixel (0 transparent, 255 opaque), rows as GetBits;
    // absent (null) for opaque pictures.
    bool HasAlpha() const
    {
        return !m_Alpha.empty();
    }
    void CreateAlpha(); // all opaque
    void DeleteAlpha()
    {
        m_Alpha.clear();
    }
    uint8_t* GetAlphaBits(int row = 0);
    const uint8_t* GetAlphaBits(int row = 0) const;

    // The palette (empty at 24 bits).
    const std::vector<RGBQUAD>& GetPalette() const
    {
        return m_Palette;
    }
    void SetPalette(const RGBQUAD* table, int count);
    // The index that stands for transparency, or -1.
    int GetTransIndex() const
    {
        return m_nTransIndex;
    }
    void SetTransIndex(int index)
    {
        m_nTransIndex = index;
    }

    // 0 to 255; 100 and above give the best quality the JPEG codec has.
    void SetJpegQuality(int quality)
    {
        m_nJpegQuality = quality;
    }
    int GetJpegQuality() const
    {
        return m_nJpegQuality;
    }

    // 1 or 4 bits to 8 (the palette grows to 256 entries), or 8 to 24.
    bool IncreaseBpp(int bpp);
    // 24 bits (or fewer) to 8 against `table`: each pixel the nearest entry
    // (smallest squared RGB distance, lowest index on ties), with
    // Floyd-Steinberg error diffusion when asked, in which transparent
    // pixels (alpha below 128) neither take nor pass on error. The palette
    // becomes table; the alpha plane stays.
    bool DecreaseBpp(int bpp, bool errorDiffusion, const RGBQUAD* table, int count);
    // The picture becomes 8 bits: `indices`, one per pixel, rows as
    // GetBits, coloured by `palette`. False, with nothing changed, when the
    // numbers do not fit the picture.
    bool SetIndexedPixels(std::vector<uint8_t> indices, const std::vector<RGBQUAD>& palette);
    // The palette entry nearest to colour (smallest squared RGB distance,
    // lowest index on ties).
    uint8_t GetNearestIndex(RGBQUAD colour) const;

    // Columns left to right - 1 and rows top to bottom - 1, counted from the
    // TOP, into dst (or in place when dst is null).
    bool Crop(int left, int top, int right, int bottom, CImage* dst = nullptr);
    // Adds margins filled with colour (the nearest palette entry below 24
    // bits).
    bool Expand(int left, int top, int right, int bottom, RGBQUAD colour);
    bool Copy(const CImage& src);

    const std::string& GetLastError() const
    {
        return m_strLastError;
    }
    void SetLastError(std::string text)
    {
        m_strLastError = std::move(text);
    }

private:
    bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes);

    int m_nType;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBpp = 0;
    std::vector<uint8_t> m_Pixels;
    std::vector<uint8_t> m_Alpha;
    std::vector<RGBQUAD> m_Palette;
    int m_nTransIndex = -1;
    int m_nFrame = 0;
    int m_nNumFrames = 0;
    int m_nJpegQuality = 90;
    std::string m_strLastError;
    CRowsRead m_RowsRead;
};
