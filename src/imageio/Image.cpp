#include "Image.h"

#include "AtomicFile.h"
#include "ImageCodecs.h"
#include "LargeBuffer.h"
#include "RegularFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::string LowerExtension(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool StartsWith(std::span<const uint8_t> data, std::initializer_list<uint8_t> signature)
{
    return data.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), data.begin());
}

} // namespace

int ImageTypeFromExtension(const std::filesystem::path& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".pcx")
        return IMAGE_TYPE_PCX;
    if (ext == ".tif" || ext == ".tiff")
        return IMAGE_TYPE_TIF;
    if (ext == ".gif")
        return IMAGE_TYPE_GIF;
    if (ext == ".jpg" || ext == ".jpeg")
        return IMAGE_TYPE_JPG;
    if (ext == ".png")
        return IMAGE_TYPE_PNG;
    return IMAGE_TYPE_BMP;
}

int ImageTypeFromContent(std::span<const uint8_t> data)
{
    if (StartsWith(data, {'B', 'M'}))
        return IMAGE_TYPE_BMP;
    if (StartsWith(data, {'G', 'I', 'F', '8'}))
        return IMAGE_TYPE_GIF;
    if (StartsWith(data, {0xFF, 0xD8, 0xFF}))
        return IMAGE_TYPE_JPG;
    if (StartsWith(data, {'I', 'I', 42, 0}) || StartsWith(data, {'M', 'M', 0, 42}))
        return IMAGE_TYPE_TIF;
    if (StartsWith(data, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return IMAGE_TYPE_PNG;
    // PCX: manufacturer 10, a known version, run-length encoding 1.
    if (data.size() >= 128 && data[0] == 0x0A && data[2] == 1 &&
        (data[1] == 0 || data[1] == 2 || data[1] == 3 || data[1] == 4 || data[1] == 5))
        return IMAGE_TYPE_PCX;
    return IMAGE_TYPE_NONE;
}

CImage::CImage(int type) : m_nType(type) {}

CImage::~CImage() = default;

bool CImage::Create(int width, int height, int bpp, int type)
{
    if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) {
        SetLastError("the picture of " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels is empty or larger than the limit of " + std::to_string(kMaxPixels) +
                     " pixels");
        return false;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
        SetLastError("pictures have 1, 4, 8 or 24 bits per pixel, not " + std::to_string(bpp));
        return false;
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nBpp = bpp;
    m_nType = type;
    AssignLarge(m_Pixels, GetEffWidth() * static_cast<size_t>(height), uint8_t{0});
    m_Alpha.clear();
    m_Palette.assign(bpp == 24 ? 0 : size_t{1} << bpp, RGBQUAD{0, 0, 0, 0});
    m_nTransIndex = -1;
    return true;
}

void CImage::Clear(uint8_t value)
{
    std::fill(m_Pixels.begin(), m_Pixels.end(), value);
}

void CImage::Destroy()
{
    m_nWidth = m_nHeight = m_nBpp = 0;
    m_Pixels.clear();
    m_Pixels.shrink_to_fit();
    m_Alpha.clear();
    m_Alpha.shrink_to_fit();
    m_Palette.clear();
    m_nTransIndex = -1;
}

uint8_t* CImage::GetBits(int row)
{
    return const_cast<uint8_t*>(std::as_const(*this).GetBits(row));
}

const uint8_t* CImage::GetBits(int row) const
{
    if (!IsValid() || row < 0 || row >= m_nHeight)
        return nullptr;
    return m_Pixels.data() + static_cast<size_t>(row) * GetEffWidth();
}

void CImage::CreateAlpha()
{
    AssignLarge(m_Alpha, static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight),
                uint8_t{255});
}

uint8_t* CImage::GetAlphaBits(int row)
{
    return const_cast<uint8_t*>(std::as_const(*this).GetAlphaBits(row));
}

const uint8_t* CImage::GetAlphaBits(int row) const
{
    if (m_Alpha.empty() || row < 0 || row >= m_nHeight)
        return nullptr;
    return m_Alpha.data() + static_cast<size_t>(row) * static_cast<size_t>(m_nWidth);
}

void CImage::SetPalette(const RGBQUAD* table, int count)
{
    if (table == nullptr || count <= 0)
        return;
    m_Palette.assign(table, table + std::min(count, 256));
}

bool CImage::ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes)
{
    std::string error;
    if (!ReadRegularFile(path, kMaxFileBytes, bytes, error)) {
        SetLastError(error);
        return false;
    }
    return true;
}

bool CImage::Load(const std::filesystem::path& path, int type)
{
    std::vector<uint8_t> bytes;
    return ReadFileBytes(path, bytes) && Decode(bytes, type);
}

bool CImage::LoadAll(const std::filesystem::path& path, int type, const ImageSink& each)
{
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes))
        return false;
    if (ImageTypeFromContent(bytes) == IMAGE_TYPE_GIF ||
        (type == IMAGE_TYPE_GIF && ImageTypeFromContent(bytes) == IMAGE_TYPE_NONE)) {
        std::string error;
        if (!DecodeGifImages(bytes, each, error)) {
            SetLastError(error);
            return false;
        }
        return true;
    }
    if (!Decode(bytes, type))
        return false;
    CImage one = *this;
    each(one);
    return true;
}

bool CImage::Decode(std::span<const uint8_t> data, int type)
{
    const int sniffed = ImageTypeFromContent(data);
    if (sniffed != IMAGE_TYPE_NONE)
        type = sniffed;
    const int frame = m_nFrame;
    const int quality = m_nJpegQuality;
    Destroy();
    m_nFrame = frame;
    m_nJpegQuality = quality;
    m_nNumFrames = 1;
    std::string error;
    bool ok = false;
    switch (type) {
    case IMAGE_TYPE_BMP:
        ok = DecodeBmp(data, *this, error);
        break;
    case IMAGE_TYPE_GIF:
        ok = DecodeGif(data, *this, error);
        break;
    case IMAGE_TYPE_JPG:
        ok = DecodeJpeg(data, *this, error);
        break;
    case IMAGE_TYPE_TIF:
        ok = DecodeTiff(data, *this, error);
        break;
    case IMAGE_TYPE_PCX:
        ok = DecodePcx(data, *this, error);
        break;
    case IMAGE_TYPE_PNG:
        ok = DecodePng(data, *this, error);
        break;
    default:
        error = "unknown image type " + std::to_string(type);
        break;
    }
    if (!ok) {
        ReportRowsRead(-1);
        const int frames = m_nNumFrames;
        Destroy();
        m_nNumFrames = frames;
        SetLastError(error);
        return false;
    }
    m_nType = type;
    ReportRowsRead(m_nHeight);
    return true;
}

bool CImage::Encode(std::vector<uint8_t>& out, int type)
{
    out.clear();
    if (!IsValid()) {
        SetLastError("there is no picture to write");
        return false;
    }
    std::string error;
    bool ok = false;
    switch (type) {
    case IMAGE_TYPE_BMP:
        ok = EncodeBmp(*this, out, error);
        break;
    case IMAGE_TYPE_GIF:
        ok = EncodeGif(*this, out, error);
        break;
    case IMAGE_TYPE_JPG:
        ok = EncodeJpeg(*this, out, error);
        break;
    case IMAGE_TYPE_TIF:
        ok = EncodeTiff(*this, out, error);
        break;
    case IMAGE_TYPE_PCX:
        ok = EncodePcx(*this, out, error);
        break;
    case IMAGE_TYPE_PNG:
        ok = EncodePng(*this, out, error);
        break;
    default:
        error = "unknown image type " + std::to_string(type);
        break;
    }
    if (!ok)
        SetLastError(error);
    return ok;
}

bool CImage::Save(const std::filesystem::path& path, int type)
{
    std::vector<uint8_t> bytes;
    if (!Encode(bytes, type))
        return false;
    std::string error;
    if (!WriteFileAtomically(path, bytes, error)) {
        SetLastError(error);
        return false;
    }
    return true;
}

bool CImage::IncreaseBpp(int bpp)
{
    if (!IsValid() || bpp <= m_nBpp)
        return false;
    if (m_nBpp < 8 && bpp == 8) {
        m_Palette.resize(256, RGBQUAD{0, 0, 0, 0});
        m_nBpp = 8;
        return true;
    }
    if (bpp != 24)
        return false;
    if (m_nBpp < 8)
        IncreaseBpp(8);
    std::vector<uint8_t> wide(m_Pixels.size() * 3);
    for (size_t i = 0; i < m_Pixels.size(); ++i) {
        const RGBQUAD& c = m_Palette[m_Pixels[i]];
        wide[3 * i] = c.rgbBlue;
        wide[3 * i + 1] = c.rgbGreen;
        wide[3 * i + 2] = c.rgbRed;
    }
    m_Pixels = std::move(wide);
    m_Palette.clear();
    m_nTransIndex = -1;
    m_nBpp = 24;
    return true;
}

bool CImage::SetIndexedPixels(std::vector<uint8_t> indices, const std::vector<RGBQUAD>& palette)
{
    if (!IsValid() || indices.size() != static_cast<size_t>(m_nWidth) * m_nHeight ||
        palette.empty() || palette.size() > 256)
        return false;
    m_Pixels = std::move(indices);
    m_Palette = palette;
    m_nBpp = 8;
    m_nTransIndex = -1;
    return true;
}

bool CImage::Crop(int left, int top, int right, int bottom, CImage* dst)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_nWidth);
    bottom = std::min(bottom, m_nHeight);
    if (!IsValid() || left >= right || top >= bottom) {
        SetLastError("the crop rectangle lies outside the picture");
        return false;
    }
    CImage piece(m_nType);
    piece.Create(right - left, bottom - top, m_nBpp, m_nType);
    piece.m_Palette = m_Palette;
    piece.m_nTransIndex = m_nTransIndex;
    piece.m_nJpegQuality = m_nJpegQuality;
    if (HasAlpha())
        piece.CreateAlpha();
    const size_t bytes = static_cast<size_t>(right - left) * GetBytesPerPixel();
    const size_t offset = static_cast<size_t>(left) * GetBytesPerPixel();
    // Row r of the piece counted from its bottom is picture row
    // height - bottom + r counted from the picture's bottom.
    for (int r = 0; r < piece.m_nHeight; ++r) {
        const int from = m_nHeight - bottom + r;
        std::memcpy(piece.GetBits(r), GetBits(from) + offset, bytes);
        if (HasAlpha())
            std::memcpy(piece.GetAlphaBits(r), GetAlphaBits(from) + left,
                        static_cast<size_t>(right - left));
    }
    if (dst != nullptr)
        *dst = std::move(piece);
    else
        *this = std::move(piece);
    return true;
}

bool CImage::Expand(int left, int top, int right, int bottom, RGBQUAD colour)
{
    if (!IsValid() || left < 0 || top < 0 || right < 0 || bottom < 0)
        return false;
    const int64_t width = int64_t{m_nWidth} + left + right;
    const int64_t height = int64_t{m_nHeight} + top + bottom;
    if (width > INT32_MAX || height > INT32_MAX || width * height > kMaxPixels) {
        SetLastError("the expanded picture would be larger than the limit of " +
                     std::to_string(kMaxPixels) + " pixels");
        return false;
    }
    CImage bigger(m_nType);
    bigger.Create(static_cast<int>(width), static_cast<int>(height), m_nBpp, m_nType);
    bigger.m_Palette = m_Palette;
    bigger.m_nTransIndex = m_nTransIndex;
    bigger.m_nJpegQuality = m_nJpegQuality;
    if (m_nBpp == 24) {
        for (size_t i = 0; i < bigger.m_Pixels.size(); i += 3) {
            bigger.m_Pixels[i] = colour.rgbBlue;
            bigger.m_Pixels[i + 1] = colour.rgbGreen;
            bigger.m_Pixels[i + 2] = colour.rgbRed;
        }
    } else {
        bigger.Clear(GetNearestIndex(colour));
    }
    if (HasAlpha())
        bigger.CreateAlpha();
    const size_t offset = static_cast<size_t>(left) * GetBytesPerPixel();
    for (int r = 0; r < m_nHeight; ++r) {
        std::memcpy(bigger.GetBits(r + bottom) + offset, GetBits(r), GetEffWidth());
        if (HasAlpha())
            std::memcpy(bigger.GetAlphaBits(r + bottom) + left, GetAlphaBits(r),
                        static_cast<size_t>(m_nWidth));
    }
    *this = std::move(bigger);
    return true;
}

bool CImage::Copy(const CImage& src)
{
    *this = src;
    return IsValid();
}
