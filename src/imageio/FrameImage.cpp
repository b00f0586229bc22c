#include "FrameImage.h"

#include <array>
#include <cstring>

namespace {

bool SameColour(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// What each index of the picture becomes in the sprite: 0 stays 0, the
// transparency index becomes 0; an index whose colour is the palette's own
// colour at that index stays itself, so that a palette holding a colour
// more than once keeps every index through a round trip; any other index
// becomes the palette entry nearest to its colour.
std::array<uint8_t, 256> IndexMap(const CImage& image, const CPalette& palette)
{
    // 255 questions: a plain search over the palette beats building a
    // matcher's search cells.
    CImage holder;
    holder.Create(5, 5, 8, IMAGE_TYPE_NONE);
    holder.SetPalette(palette.data(), static_cast<int>(palette.size()));
    const std::vector<RGBQUAD>& colours = image.GetPalette();
    std::array<uint8_t, 256> map{};
    for (size_t v = 1; v < map.size(); ++v) {
        const bool listed = v < colours.size();
        const RGBQUAD colour = listed ? colours[v] : RGBQUAD{0, 0, 0, 0};
        map[v] = listed && SameColour(colour, palette[v]) ? static_cast<uint8_t>(v)
                                                          : holder.GetNearestIndex(colour);
    }
    if (image.GetTransIndex() >= 0 && image.GetTransIndex() < 256)
        map[static_cast<size_t>(image.GetTransIndex())] = 0;
    return map;
}

} // namespace

bool FrameToImage(const CDC6File& doc, int index, const CPalette& palette, CImage& image,
                  std::string& error)
{
    DC6Frame frame;
    if (!doc.GetDC6Frame(index, frame)) {
        error = "There is no frame " + std::to_string(index);
        return false;
    }
    const int width = frame.m_DC6FrameHeader.m_iWidth;
    const int height = frame.m_DC6FrameHeader.m_iHeight;
    if (!image.Create(width, height, 8, IMAGE_TYPE_BMP)) {
        error = "Frame " + std::to_string(index) + ": " + image.GetLastError();
        return false;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(image.GetBits(y), frame.m_ImageData.data() + static_cast<size_t>(y) * width,
                    static_cast<size_t>(width));
    image.SetPalette(palette.data(), static_cast<int>(palette.size()));
    return true;
}

void PrepareForFileType(CImage& image, int type, int jpegQuality)
{
    if (type == IMAGE_TYPE_JPG) {
        image.IncreaseBpp(24);
        image.SetJpegQuality(jpegQuality);
    } else if (type == IMAGE_TYPE_PNG) {
        image.SetTransIndex(0);
    }
}

void ReduceToIndexed(CImage& image, const CPalette& palette)
{
    if (image.GetBpp() > 8)
        image.DecreaseBpp(8, true, palette.data(), static_cast<int>(palette.size()));
    else if (image.GetBpp() < 8)
        image.IncreaseBpp(8);
}

void ImageToFrame(CDC6File& doc, int index, const CImage& image, const CPalette& palette)
{
    const std::array<uint8_t, 256> map = IndexMap(image, palette);
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    doc.ResizeFrame(index, width, height);
    std::vector<uint8_t> pixels(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = image.GetBits(y);
        const uint8_t* alpha = image.GetAlphaBits(y);
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(x)] = alpha != nullptr && alpha[x] < 128 ? 0 : map[row[x]];
        doc.SetFrameRow(index, y, pixels);
    }
}
