#include "Thumbnail.h"

namespace {

// `in` is a path or the bytes of a file.
template <typename Input>
bool MakeThumbnailOf(const Input& in, int size, const CPalette& palette, CImage& out,
                     std::string& error)
{
    CDC6File reader;
    DC6FileHeader header;
    DC6Frame frame;
    if (!reader.ReadDC6Frame(in, 0, kMaxThumbnailFramePixels, kMaxThumbnailEncodedBytes, header,
                             frame)) {
        error = reader.GetLastErrorText();
        return false;
    }
    if (!MakeThumbnail(frame, size, palette, out)) {
        error = out.GetLastError();
        return false;
    }
    return true;
}

} // namespace

void ThumbnailSize(int width, int height, int size, int& outWidth, int& outHeight)
{
    size = std::clamp(size, 1, kMaxThumbnailSize);
    const int64_t longest = std::max({width, height, 1});
    if (longest > size) {
        outWidth = static_cast<int>(std::max<int64_t>(1, int64_t{width} * size / longest));
        outHeight = static_cast<int>(std::max<int64_t>(1, int64_t{height} * size / longest));
        return;
    }
    const int factor = static_cast<int>(size / longest);
    outWidth = width * factor;
    outHeight = height * factor;
}

bool MakeThumbnail(const DC6Frame& frame, int size, const CPalette& palette, CImage& out)
{
    const int width = frame.m_DC6FrameHeader.m_iWidth;
    const int height = frame.m_DC6FrameHeader.m_iHeight;
    if (width <= 0 || height <= 0 ||
        frame.m_ImageData.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        out.SetLastError("The frame has no pixels");
        return false;
    }
    int w = 0, h = 0;
    ThumbnailSize(width, height, size, w, h);
    if (!out.Create(w, h, 8, IMAGE_TYPE_PNG))
        return false;
    out.SetPalette(palette.data(), static_cast<int>(palette.size()));
    out.SetTransIndex(0);
    // Rows count from the bottom in the frame and the picture alike.
    std::vector<size_t> columns(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        columns[static_cast<size_t>(x)] = static_cast<size_t>(int64_t{x} * width / w);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src =
            frame.m_ImageData.data() +
            static_cast<size_t>(int64_t{y} * height / h) * static_cast<size_t>(width);
        uint8_t* dst = out.GetBits(y);
        for (int x = 0; x < w; ++x)
            dst[x] = src[columns[static_cast<size_t>(x)]];
    }
    return true;
}

bool MakeDC6Thumbnail(const std::filesystem::path& path, int size, const CPalette& palette,
                      CImage& out, std::string& error)
{
    return MakeThumbnailOf(path, size, palette, out, error);
}

bool MakeDC6Thumbnail(std::span<const uint8_t> data, int size, const CPalette& palette, CImage& out,
                      std::string& error)
{
    return MakeThumbnailOf(data, size, palette, out, error);
}
